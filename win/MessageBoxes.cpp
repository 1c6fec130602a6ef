#include "win/MessageBoxes.h"

#include <filesystem>
#include <mutex>
#include <utility>

#include "win/WideText.h"

namespace horavane::win {
namespace {

std::mutex recorderMutex;
MessageRecorder& Recorder() {
    static MessageRecorder recorder;
    return recorder;
}

}  // namespace

std::string ProgramTitle() {
    std::wstring path(MAX_PATH, L'\0');
    path.resize(GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size())));
    return Narrow(std::filesystem::path(path).stem().wstring());
}

void ShowMessage(HWND owner, MessageKind kind, std::string_view text, std::optional<std::string_view> title) {
    const std::string shownTitle = title ? std::string(*title) : ProgramTitle();
    MessageRecorder recorder;
    {
        const std::lock_guard lock(recorderMutex);
        recorder = Recorder();
    }
    if (recorder) {
        recorder(ShownMessage{kind, std::string(text), shownTitle});
        return;
    }
    const UINT icon = kind == MessageKind::Application ? MB_ICONWARNING : 0u;
    MessageBoxW(owner, Widen(text).c_str(), Widen(shownTitle).c_str(), MB_OK | icon);
}

void SetMessageRecorder(MessageRecorder recorder) {
    const std::lock_guard lock(recorderMutex);
    Recorder() = std::move(recorder);
}

}  // namespace horavane::win
