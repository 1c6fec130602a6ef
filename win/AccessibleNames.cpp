#include "win/AccessibleNames.h"

// oleacc's property ids are GUIDs this file defines.
#include <initguid.h>
// After windows.h, whose types they use.
#include <objbase.h>
#include <oleacc.h>

#include "win/AddressParts.h"

namespace horavane::win {
namespace {

constexpr WORD kName = 1;
constexpr WORD kDescription = 2;
constexpr WORD kEnd = 0xFFFF;

}  // namespace

std::vector<AccessibleText> TemplateNames(HWND dialog, HINSTANCE resources, int templateId) {
    std::vector<AccessibleText> texts;
    HRSRC found = FindResourceW(resources, MAKEINTRESOURCEW(templateId), MAKEINTRESOURCEW(10));  // RT_RCDATA
    HGLOBAL loaded = found == nullptr ? nullptr : LoadResource(resources, found);
    const auto* words = static_cast<const WORD*>(loaded == nullptr ? nullptr : LockResource(loaded));
    if (words == nullptr) return texts;
    const WORD* end = words + SizeofResource(resources, found) / sizeof(WORD);
    while (words < end) {
        while (words < end && *words == 0) ++words;  // the resource compiler may close strings itself
        if (words + 2 > end || *words == kEnd) break;
        const int id = *words++;
        const WORD kind = *words++;
        std::wstring text;
        while (words < end && *words != 0) text += static_cast<wchar_t>(*words++);
        HWND control = GetDlgItem(dialog, id);
        if (control == nullptr || (kind != kName && kind != kDescription)) continue;
        texts.push_back({control, text, kind == kDescription});
        wchar_t windowClass[32] = {};
        GetClassNameW(control, windowClass, 32);
        if (lstrcmpiW(windowClass, L"SysIPAddress32") != 0) continue;
        const auto parts = AddressParts(control);
        for (std::size_t i = 0; i < parts.size(); ++i) {
            if (parts[i] == nullptr) continue;
            texts.push_back(
                {parts[i],
                 text + L", part " + std::to_wstring(i + 1) + L" of " + std::to_wstring(parts.size()),
                 false});
        }
    }
    return texts;
}

// The annotations live with the windows; the service is needed only while they are set.
HRESULT AnnotateWindows(const std::vector<AccessibleText>& texts) {
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    IAccPropServices* services = nullptr;
    HRESULT result = CoCreateInstance(CLSID_AccPropServices, nullptr, CLSCTX_INPROC_SERVER,
                                      IID_IAccPropServices, reinterpret_cast<void**>(&services));
    if (SUCCEEDED(result)) {
        for (const AccessibleText& entry : texts) {
            const HRESULT set = services->SetHwndPropStr(
                entry.window, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF,
                entry.description ? PROPID_ACC_DESCRIPTION : PROPID_ACC_NAME, entry.text.c_str());
            if (FAILED(set) && SUCCEEDED(result)) result = set;
        }
        services->Release();
    }
    if (SUCCEEDED(com)) CoUninitialize();
    return result;
}

}  // namespace horavane::win
