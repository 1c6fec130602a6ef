// The native window under Wine on a virtual display: its dialogs as Windows builds them from
// horavane.exe's own resources, against the .ui templates; then the whole program against the Linux
// simulator, driven by window messages to controls found by their ids.
#include "platform/Windows.h"
// After windows.h, whose types it uses.
#include <commctrl.h>
#include <gtest/gtest.h>
#include <oleacc.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <iostream>
#include <map>
#include <mutex>
#include <nlohmann/json.hpp>
#include <thread>
#include <utility>

#include "dialog/ClockDisplay.h"
#include "dialog/ControlIds.h"
#include "fleet/ClockRows.h"
#include "settings/Messages.h"
#include "tests/common/ChildProcess.h"
#include "tests/common/ControlsConformance.h"
#include "tests/common/TempFolder.h"
#include "tests/common/WineSupport.h"
#include "win/AccessibleNames.h"
#include "win/CVantorApp.h"
#include "win/CVantorDlg.h"
#include "win/DesktopText.h"
#include "win/MessageBoxes.h"
#include "win/WideText.h"
#include "win/WindowDriver.h"

namespace horavane::win::test {
namespace {

using std::chrono::milliseconds;

struct TemplateRow {
    int dialog, id;  // id 0: the dialog itself
    const char* widget;
    const char* caption;
    struct {
        int x, y, width, height;
    } units;
};
constexpr TemplateRow kTemplates[] = {
#include "horavane_templates.inc"
};

// What each kind of widget of the templates is in Windows.
const std::map<std::string, std::wstring> kWindowClass = {
    {"QDialog", L"#32770"},      {"QPushButton", L"Button"},
    {"QRadioButton", L"Button"}, {"QCheckBox", L"Button"},
    {"QComboBox", L"ComboBox"},  {"horavane::ui::ClockListBox", L"ListBox"},
    {"QLineEdit", L"Edit"},      {"horavane::ui::IpAddressEdit", L"SysIPAddress32"},
    {"QLabel", L"Static"},       {"QProgressBar", L"msctls_progress32"}};

// horavane.exe itself, loaded as data: every window of the tests is built from its resources.
HINSTANCE Resources() {
    static const HMODULE module = [] {
        const INITCOMMONCONTROLSEX classes{sizeof(INITCOMMONCONTROLSEX),
                                           ICC_INTERNET_CLASSES | ICC_PROGRESS_CLASS};
        InitCommonControlsEx(&classes);
        std::wstring path = Widen(HORAVANE_EXE_PATH);
        std::replace(path.begin(), path.end(), L'/', L'\\');
        return LoadLibraryExW(path.c_str(), nullptr,
                              LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    }();
    return module;
}

// Every window of a dialog that can take the focus (an address field's parts, not the field), and
// how many of them a screen reader can name: from the names table, or by their own caption (a
// button, a check box). Printed for the record.
std::pair<int, int> CountNamed(HWND dialog, int templateId) {
    std::map<HWND, std::wstring> names;
    for (const AccessibleText& text : TemplateNames(dialog, Resources(), templateId))
        if (!text.description) names[text.window] = text.text;
    int focusable = 0;
    int named = 0;
    const auto count = [&](HWND window, bool ownCaption) {
        ++focusable;
        named += (ownCaption ? !WindowText(window).empty() : !names[window].empty()) ? 1 : 0;
    };
    for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        wchar_t kind[32] = {};
        GetClassNameW(child, kind, 32);
        const auto style = static_cast<DWORD>(GetWindowLongPtrW(child, GWL_STYLE));
        if (lstrcmpiW(kind, L"SysIPAddress32") == 0) {
            for (HWND part = GetWindow(child, GW_CHILD); part != nullptr; part = GetWindow(part, GW_HWNDNEXT))
                count(part, false);
        } else if (lstrcmpiW(kind, L"Button") == 0 && (style & BS_TYPEMASK) != BS_GROUPBOX) {
            count(child, true);
        } else if (lstrcmpiW(kind, L"Edit") == 0 || lstrcmpiW(kind, L"ComboBox") == 0 ||
                   lstrcmpiW(kind, L"ListBox") == 0) {
            count(child, false);
        }
    }
    std::cout << "[ counts   ] template " << templateId << ": focusable " << focusable << ", named " << named
              << "\n";
    return {focusable, named};
}

// Styles the logic and the operator rely on, which the class alone does not give, and anchors read
// off the templates by hand, so that a generator misreading them is caught too.
struct StyleRow {
    int dialog, id;
    LONG must, mustNot;
};
constexpr StyleRow kStyles[] = {
    {102, 0, WS_MINIMIZEBOX | WS_SYSMENU | DS_MODALFRAME, WS_MAXIMIZEBOX | WS_THICKFRAME},
    {102, 1025, LBS_SORT | LBS_NOTIFY | WS_TABSTOP, 0},
    {102, 1045, CBS_DROPDOWNLIST | WS_TABSTOP, CBS_SORT},
    // Each radio pair is one tab stop and one group; Modify closes the second group.
    {102, 1008, BS_AUTORADIOBUTTON | WS_GROUP | WS_TABSTOP, 0},
    {102, 1009, BS_AUTORADIOBUTTON, WS_GROUP | WS_TABSTOP},
    {102, 1010, BS_AUTORADIOBUTTON | WS_GROUP | WS_TABSTOP, 0},
    {102, 1011, BS_AUTORADIOBUTTON, WS_GROUP | WS_TABSTOP},
    {102, 1012, WS_GROUP | WS_TABSTOP, 0},
    {102, 1002, WS_TABSTOP, BS_DEFPUSHBUTTON},
    {131, 1053, ES_PASSWORD | ES_AUTOHSCROLL | WS_TABSTOP, 0},
    {131, IDOK, BS_DEFPUSHBUTTON | WS_TABSTOP, 0},
    {132, 1056, ES_PASSWORD | WS_TABSTOP, 0}};
const std::map<std::pair<int, int>, RECT> kAnchors = {{{102, 1025}, {13, 20, 96, 229}},
                                                      {{131, 1053}, {14, 14, 189, 16}}};

TEST(Templates, EveryControlOfTheUiTemplatesIsBuiltFromTheResourcesOfHoravaneExe) {
    ASSERT_NE(Resources(), nullptr);
    for (const int templateId : {100, 102, 131, 132}) {
        HWND dialog = CreateDialogParamW(
            Resources(), MAKEINTRESOURCEW(templateId), nullptr,
            [](HWND, UINT, WPARAM, LPARAM) -> INT_PTR { return FALSE; }, 0);
        ASSERT_NE(dialog, nullptr) << templateId;
        for (const TemplateRow& row : kTemplates) {
            if (row.dialog != templateId) continue;
            const std::string where = std::to_string(row.dialog) + "/" + std::to_string(row.id);
            HWND control = row.id == 0 ? dialog : GetDlgItem(dialog, row.id);
            ASSERT_NE(control, nullptr) << where;
            const std::wstring& windowClass = kWindowClass.at(row.widget);
            wchar_t actualClass[64] = {};
            GetClassNameW(control, actualClass, 64);
            EXPECT_EQ(actualClass, windowClass) << where;
            EXPECT_TRUE(windowClass == L"SysIPAddress32" || WindowText(control) == row.caption)
                << where << ": " << WindowText(control);
            // Position and size in dialog units each, as the dialog manager converts them.
            RECT expected{row.units.x, row.units.y, row.units.width, row.units.height};
            const auto anchor = kAnchors.find({row.dialog, row.id});
            EXPECT_TRUE(anchor == kAnchors.end() || EqualRect(&anchor->second, &expected)) << where;
            MapDialogRect(dialog, &expected);
            RECT actual;
            GetWindowRect(control, &actual);
            MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&actual), 2);
            if (row.id == 0) GetClientRect(dialog, &actual);
            EXPECT_EQ(std::pair(actual.left, actual.top), std::pair(expected.left, expected.top)) << where;
            EXPECT_EQ(actual.right - actual.left, expected.right) << where;
            // A drop-down list's template height includes the list that drops down; a list box shows
            // whole entries only, at most one fewer than its template holds (where the entries fill
            // it exactly, as at 144 dpi, Wine leaves the last one out).
            const auto height = actual.bottom - actual.top;
            if (windowClass == L"ListBox") {
                EXPECT_LE(height, expected.bottom) << where;
                EXPECT_GE(height + SendMessageW(control, LB_GETITEMHEIGHT, 0, 0), expected.bottom) << where;
            } else if (windowClass != L"ComboBox") {
                EXPECT_EQ(height, expected.bottom) << where;
            }
        }
        for (const StyleRow& row : kStyles) {
            if (row.dialog != templateId) continue;
            const auto style = GetWindowLongW(row.id == 0 ? dialog : GetDlgItem(dialog, row.id), GWL_STYLE);
            EXPECT_EQ(style & row.must, row.must) << row.dialog << "/" << row.id;
            EXPECT_EQ(style & row.mustNot, 0) << row.dialog << "/" << row.id;
        }
        DestroyWindow(dialog);
    }
}

// What a screen reader is to hear for each control the system cannot name from its own caption (a
// button or check box is named by its text): the names the templates take from the labels beside the
// controls, set through the system's accessibility annotation when a dialog opens.
TEST(Templates, EveryControlWithoutACaptionOfItsOwnIsNamedFromItsLabel) {
    const std::map<std::pair<int, int>, std::wstring> samples = {{{102, 1013}, L"Time Server IP 1"},
                                                                 {{102, 1020}, L"Default Gateway"},
                                                                 {{102, 1025}, L"Online Clock"},
                                                                 {{102, 1049}, L"Energy saving, from"},
                                                                 {{102, 1008}, L"Time Format 12"},
                                                                 {{102, 1003}, L"SN"},
                                                                 {{131, 1053}, L"Password"},
                                                                 {{132, 1054}, L"Enter Old Password"},
                                                                 {{132, 1056}, L"ReEnter New Password"}};
    (void)CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    for (const int templateId : {100, 102, 131, 132}) {
        HWND dialog = CreateDialogParamW(
            Resources(), MAKEINTRESOURCEW(templateId), nullptr,
            [](HWND, UINT, WPARAM, LPARAM) -> INT_PTR { return FALSE; }, 0);
        ASSERT_NE(dialog, nullptr) << templateId;
        const std::vector<AccessibleText> texts = TemplateNames(dialog, Resources(), templateId);
        std::map<HWND, AccessibleText> named;
        for (const AccessibleText& text : texts) named[text.window] = text;
        for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr;
             child = GetWindow(child, GW_HWNDNEXT)) {
            const std::string where = std::to_string(templateId) + "/" + std::to_string(GetDlgCtrlID(child));
            wchar_t windowClass[32] = {};
            GetClassNameW(child, windowClass, 32);
            const std::wstring kind = windowClass;
            const bool ownCaption = kind == L"Button" || kind == L"Static";
            EXPECT_TRUE(ownCaption || (named.count(child) == 1 && !named[child].text.empty())) << where;
            const auto sample = samples.find({templateId, GetDlgCtrlID(child)});
            if (sample != samples.end()) {
                EXPECT_EQ(Narrow(named[child].text), Narrow(sample->second)) << where;
                EXPECT_EQ(named[child].description, kind == L"Static") << where;
            }
            if (kind != L"SysIPAddress32") continue;
            int part = 0;
            for (HWND edit = GetWindow(child, GW_CHILD); edit != nullptr;
                 edit = GetWindow(edit, GW_HWNDNEXT), ++part)
                EXPECT_EQ(named.count(edit), 1U) << where << " part " << part;
            EXPECT_EQ(part, 4) << where;
        }
        const std::pair<int, int> counts = CountNamed(dialog, templateId);
        EXPECT_EQ(counts.second, counts.first) << templateId;
        if (templateId == 102) {
            HWND second = nullptr;
            for (const AccessibleText& text : texts)
                if (text.text == L"Time Server IP 1, part 2 of 4") second = text.window;
            ASSERT_NE(second, nullptr);
            EXPECT_EQ(GetParent(second), GetDlgItem(dialog, ctl::TimeServer1));
        }

        // Through the system's annotation, as a screen reader asks: where the system keeps the names,
        // each control answers with its own. Wine 8 has no annotation service yet (its
        // IAccPropServices methods are stubs), and names a window by its own text.
        const HRESULT annotated = AnnotateWindows(texts);
        if (FAILED(annotated)) {
            EXPECT_TRUE(horavane::test::RunningUnderWine()) << std::hex << annotated;
            std::cout << "[ NOTE ] template " << templateId << ": IAccPropServices::SetHwndPropStr gave 0x"
                      << std::hex << static_cast<unsigned long>(annotated) << std::dec << "\n";
        }
        for (const AccessibleText& text : texts) {
            IAccessible* accessible = nullptr;
            ASSERT_EQ(AccessibleObjectFromWindow(text.window, static_cast<DWORD>(OBJID_CLIENT),
                                                 IID_IAccessible, reinterpret_cast<void**>(&accessible)),
                      S_OK);
            VARIANT self;
            VariantInit(&self);
            self.vt = VT_I4;
            self.lVal = CHILDID_SELF;
            BSTR spoken = nullptr;
            const HRESULT asked = text.description ? accessible->get_accDescription(self, &spoken)
                                                   : accessible->get_accName(self, &spoken);
            const std::wstring heard = spoken == nullptr ? L"" : std::wstring(spoken, SysStringLen(spoken));
            if (SUCCEEDED(annotated)) {
                EXPECT_EQ(Narrow(heard), Narrow(text.text)) << std::hex << asked;
            }
            SysFreeString(spoken);
            accessible->Release();
        }
        DestroyWindow(dialog);
    }
    CoUninitialize();
}

// The font grows with the desktop's text, and the dialog units with the font: at twice the usual
// text every caption still fits its control, as it does at the usual size.
TEST(Templates, DialogsGrowWithTheDesktopsTextAndClipNothingAtTwiceTheUsualSize) {
    EXPECT_EQ(DesktopTextScale(-12, 96), 1.0);   // 9 pt: the usual
    EXPECT_EQ(DesktopTextScale(-11, 96), 1.0);   // smaller keeps the template
    EXPECT_EQ(DesktopTextScale(-24, 96), 2.0);   // 18 pt
    EXPECT_EQ(DesktopTextScale(-18, 144), 1.0);  // 9 pt at 150 %
    for (const int templateId : {100, 102, 131, 132}) {
        LONG usualHeight = 0;
        for (const double scale : {1.0, 2.0}) {
            const std::string at = std::to_string(templateId) + " at " + std::to_string(scale);
            const std::vector<WORD> grown = TemplateAtTextScale(Resources(), templateId, scale);
            ASSERT_FALSE(grown.empty()) << at;
            HWND dialog = CreateDialogIndirectParamW(
                Resources(), reinterpret_cast<LPCDLGTEMPLATEW>(grown.data()), nullptr,
                [](HWND, UINT, WPARAM, LPARAM) -> INT_PTR { return FALSE; }, 0);
            ASSERT_NE(dialog, nullptr) << at;
            auto* font = reinterpret_cast<HFONT>(SendMessageW(dialog, WM_GETFONT, 0, 0));
            LOGFONTW shown{};
            GetObjectW(font, sizeof shown, &shown);
            if (scale == 1.0) usualHeight = shown.lfHeight;
            EXPECT_NEAR(std::abs(shown.lfHeight), std::abs(usualHeight) * scale, 1.0) << at;
            HDC dc = GetDC(dialog);
            HGDIOBJ before = SelectObject(dc, font);
            for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr;
                 child = GetWindow(child, GW_HWNDNEXT)) {
                wchar_t kind[32] = {};
                GetClassNameW(child, kind, 32);
                const std::wstring text = Widen(WindowText(child));
                const auto style = static_cast<DWORD>(GetWindowLongPtrW(child, GWL_STYLE));
                const bool isStatic = lstrcmpiW(kind, L"Static") == 0;
                const bool isButton = lstrcmpiW(kind, L"Button") == 0;
                if (text.empty() || !(isStatic || isButton)) continue;
                if (isStatic && (style & SS_TYPEMASK) == SS_ICON) continue;
                if (isButton && (style & BS_TYPEMASK) == BS_GROUPBOX) continue;
                RECT room;
                GetClientRect(child, &room);
                RECT needed = {0, 0, room.right, 0};
                DrawTextW(dc, text.c_str(), -1, &needed,
                          DT_CALCRECT | (isStatic ? DT_WORDBREAK : DT_SINGLELINE));
                const auto button = static_cast<LONG>(style & BS_TYPEMASK);
                const bool marked = isButton && button != BS_PUSHBUTTON && button != BS_DEFPUSHBUTTON;
                const LONG width = needed.right + (marked ? GetSystemMetrics(SM_CXMENUCHECK) : 0);
                const std::string where = at + "/" + std::to_string(GetDlgCtrlID(child)) + " " + Narrow(text);
                EXPECT_LE(width, room.right) << where;
                EXPECT_LE(needed.bottom, room.bottom) << where;
            }
            SelectObject(dc, before);
            ReleaseDC(dialog, dc);
            DestroyWindow(dialog);
        }
    }
}

// The screen's scale reaches the dialogs: at 144 dpi (150 %) and above, horavane.exe's manifest
// makes the program per-monitor aware, so Windows lays its dialogs out in real pixels from the
// dialog units and a font as large as the scale asks, instead of stretching a 96-dpi bitmap. The
// test above then compares every control with its template at that scale. HORAVANE_TEST_DPI names
// the scale the test's prefix was given (wine-window-run.sh --dpi). Wine treats every program as
// per-monitor aware, manifest or not, so the manifest itself is checked in the .exe
// (tests/package/check_exe_resources.sh); the awareness below is what it buys on Windows.
TEST(Templates, DialogsAreLaidOutAtTheScreensScale) {
    const char* wanted = std::getenv("HORAVANE_TEST_DPI");
    const UINT dpi = wanted ? static_cast<UINT>(std::atoi(wanted)) : 96;
    EXPECT_EQ(GetAwarenessFromDpiAwarenessContext(GetThreadDpiAwarenessContext()),
              DPI_AWARENESS_PER_MONITOR_AWARE);
    HWND dialog = CreateDialogParamW(
        Resources(), MAKEINTRESOURCEW(102), nullptr,
        [](HWND, UINT, WPARAM, LPARAM) -> INT_PTR { return FALSE; }, 0);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(GetDpiForWindow(dialog), dpi);
    // Eight vertical dialog units are the height of the dialog's 9-point font at the screen's
    // scale: at least its em, at most half as much again for the face's leading.
    const int em = MulDiv(9, static_cast<int>(dpi), 72);
    RECT line{0, 0, 4, 8};
    MapDialogRect(dialog, &line);
    EXPECT_GE(line.bottom, em) << "at " << dpi << " dpi";
    EXPECT_LE(line.bottom, em * 3 / 2) << "at " << dpi << " dpi";
    DestroyWindow(dialog);
}

// ---- The program against the Linux simulator ------------------------------------------------------

// Start-up as wWinMain runs it, on a thread of its own; the test thread plays the operator.
class EndToEnd : public ::testing::Test {
  protected:
    void SetUp() override {
        const char* port = std::getenv("HORAVANE_SIM_PORT");
        if (port == nullptr || *port == '\0')
            GTEST_SKIP()
                << "no Linux horavane-sim beside: wine-window-run.sh --sim starts it (scripts/test.sh)";
        port_ = static_cast<std::uint16_t>(std::atoi(port));
        // The journal of writes that the window keeps and horavanectl reads is this test's own: the
        // windows' Wine prefix outlives the run.
        ASSERT_TRUE(SetEnvironmentVariableW(L"LOCALAPPDATA", folder_.path().wstring().c_str()));
        SetMessageRecorder([this](const ShownMessage& shown) {
            const std::lock_guard lock(mutex_);
            messages_.push_back(shown.text);
        });
        ExchangeOptions options;
        options.port = port_;
        options.wait = milliseconds(150);
        program_ = std::thread([this, options] {
            thread_ = GetCurrentThreadId();
            CVantorApp app(Resources(), PasswordStore(folder_.File()), options);
            (void)app.InitInstance();
            ended_ = true;
        });
        ASSERT_TRUE(WindowDriver::Await([&] { return thread_ != 0; }, milliseconds(1000)));
        driver_ = std::make_unique<WindowDriver>(thread_);
    }
    // Closes whatever window the program still shows until start-up has returned.
    void TearDown() override {
        if (program_.joinable()) {
            const bool ended = WindowDriver::Await(
                [&] {
                    EnumThreadWindows(
                        thread_, [](HWND window, LPARAM) { return PostMessageW(window, WM_CLOSE, 0, 0); }, 0);
                    return ended_.load();
                },
                milliseconds(5000));
            EXPECT_TRUE(ended);
            ended ? program_.join() : program_.detach();
        }
        SetMessageRecorder({});
    }
    HWND Await(const wchar_t* caption) { return driver_->AwaitDialog(caption, milliseconds(10'000)); }
    std::vector<std::string> Messages() {
        const std::lock_guard lock(mutex_);
        return std::exchange(messages_, {});
    }
    void TabFrom(HWND focus) {
        PostMessageW(focus, WM_KEYDOWN, VK_TAB, 1);
        PostMessageW(focus, WM_KEYUP, VK_TAB, 0xC0000001);
    }
    void Search(HWND main) {
        WindowDriver::SetAddress(main, ctl::SearchAddress, "127.0.0.1");
        driver_->PressKey(main, ctl::SearchAddress, VK_RETURN);  // Enter in the search field searches
        ASSERT_TRUE(
            WindowDriver::Await([&] { return WindowDriver::Text(main, ctl::StatusLine) == msg::kSearching; },
                                milliseconds(5000)));
    }
    nlohmann::ordered_json CtlStatus(const char* clock) const {
        const auto result = horavane::test::RunProgram(
            {HORAVANECTL_PATH, "status", clock, "--port", std::to_string(port_), "--json"},
            milliseconds(30'000));
        EXPECT_EQ(result.exitCode, 0) << result.err;
        nlohmann::ordered_json status = nlohmann::ordered_json::parse(result.out, nullptr, false);
        // What the fleet file says of the clock is the command line's own; the window shows the clock.
        if (status.is_object())
            for (const char* key : {"name", "location", "group"}) status.erase(key);
        return status;
    }

    std::uint16_t port_ = 0;
    horavane::test::TempFolder folder_;
    std::thread program_;
    std::atomic<DWORD> thread_{0};
    std::atomic<bool> ended_{false};
    std::unique_ptr<WindowDriver> driver_;
    std::mutex mutex_;
    std::vector<std::string> messages_;
};

TEST_F(EndToEnd, PasswordThenSearchSelectRefuseModifyReadBackLikeHoravanectlAndCloseMidSearch) {
    HWND gate = Await(L"Password");
    ASSERT_NE(gate, nullptr);
    EXPECT_EQ(driver_->Focus(), GetDlgItem(gate, 1053));
    // Tab keeps the template's order, as the Qt gate does: on from the field to Modify, then round.
    for (const int next : {3, 1, 2, 1053}) {
        TabFrom(driver_->Focus());
        EXPECT_TRUE(WindowDriver::Await([&] { return driver_->Focus() == GetDlgItem(gate, next); },
                                        milliseconds(2000)))
            << next;
    }
    WindowDriver::Type(gate, 1053, "wrong");
    WindowDriver::Click(gate, IDOK);
    EXPECT_EQ(Messages(), std::vector<std::string>{std::string(msg::kPasswordWrong)});
    // A change through the change dialog; the new password then opens the window.
    WindowDriver::ClickLater(gate, 3);
    HWND change = Await(L"Modify Password");
    ASSERT_NE(change, nullptr);
    EXPECT_EQ(driver_->Focus(), GetDlgItem(change, 1054)) << "typing starts at once";
    for (const auto& [id, text] : {std::pair{1054, "QXNdarvelint"}, {1055, "tick"}, {1056, "tick"}})
        WindowDriver::Type(change, id, text);
    WindowDriver::Click(change, IDOK);
    ASSERT_TRUE(WindowDriver::Await([&] { return !IsWindow(change); }, milliseconds(2000)))
        << testing::PrintToString(Messages());
    WindowDriver::Type(gate, 1053, "tick");
    WindowDriver::Click(gate, IDOK);
    HWND main = Await(L"Horavane");
    ASSERT_NE(main, nullptr);
    // The window's own control interface, read from this thread: every call is a window message.
    auto& window =
        dynamic_cast<CVantorDlg&>(*reinterpret_cast<ModalDialog*>(GetWindowLongPtrW(main, DWLP_USER)));
    EXPECT_EQ(driver_->Focus(), GetDlgItem(main, ctl::SearchButton));

    // The about entry of the system menu; the box is built afresh each time it opens.
    wchar_t entry[64] = {};
    GetMenuStringW(GetSystemMenu(main, FALSE), kAboutCommandId, entry, 64, MF_BYCOMMAND);
    EXPECT_EQ(Narrow(entry), "关于 Horavane(&A)...");
    PostMessageW(main, WM_SYSCOMMAND, kAboutCommandId, 0);
    HWND about = Await(L"About vantor");
    ASSERT_NE(about, nullptr);
    EXPECT_NE(SendMessageW(GetDlgItem(about, -1), STM_GETICON, 0, 0), 0) << "the icon shows";
    WindowDriver::Click(about, IDOK);

    // Search pressed from the keyboard goes grey: the focus waits on the next tab stop (past the radio
    // buttons), the keys work there, and the focus comes back to Search when the search is over
    // unless the operator has moved it on.
    WindowDriver::SetAddress(main, ctl::SearchAddress, "127.0.0.1");
    driver_->PressKey(main, ctl::SearchButton, VK_RETURN);
    ASSERT_TRUE(
        WindowDriver::Await([&] { return !window.IsEnabled(ctl::SearchButton); }, milliseconds(5000)));
    EXPECT_EQ(driver_->Focus(), GetDlgItem(main, ctl::ModifyButton));
    PostMessageW(driver_->Focus(), WM_KEYDOWN, VK_TAB, 1);  // and Tab goes on from there
    PostMessageW(driver_->Focus(), WM_KEYUP, VK_TAB, 0xC0000001);
    EXPECT_TRUE(
        WindowDriver::Await([&] { return GetParent(driver_->Focus()) == GetDlgItem(main, ctl::TimeServer1); },
                            milliseconds(2000)));
    ASSERT_TRUE(WindowDriver::Await([&] { return window.GetText(ctl::StatusLine) == msg::kSearchFinished; },
                                    milliseconds(20'000)));
    EXPECT_EQ(GetParent(driver_->Focus()), GetDlgItem(main, ctl::TimeServer1));
    driver_->PressKey(main, ctl::SearchButton, VK_RETURN);
    ASSERT_TRUE(
        WindowDriver::Await([&] { return !window.IsEnabled(ctl::SearchButton); }, milliseconds(5000)));
    ASSERT_TRUE(WindowDriver::Await([&] { return window.GetText(ctl::StatusLine) == msg::kSearchFinished; },
                                    milliseconds(20'000)));
    EXPECT_TRUE(WindowDriver::Await([&] { return driver_->Focus() == GetDlgItem(main, ctl::SearchButton); },
                                    milliseconds(2000)));
    EXPECT_EQ(window.ListText(ctl::ClockList, 0) + " " + window.ListText(ctl::ClockList, 2),
              "127.0.0.2 127.0.0.4");
    // The search cleared both radio pairs; each stays one tab stop, at its first button.
    for (const int next : {ctl::Format12, ctl::StaticIp, ctl::ModifyButton}) {
        TabFrom(driver_->Focus());
        EXPECT_TRUE(WindowDriver::Await([&] { return driver_->Focus() == GetDlgItem(main, next); },
                                        milliseconds(2000)))
            << next << " after a search";
    }
    for (const int id : {ctl::Format12, ctl::Format24, ctl::StaticIp, ctl::DynamicIp})
        EXPECT_FALSE(window.IsChecked(id)) << id << ": tabbing through chose nothing";

    // What the window shows of a clock is what horavanectl prints of it.
    WindowDriver::ClickListEntry(main, ctl::ClockList, 0);
    const nlohmann::ordered_json shown = StatusJson(ReadClockReadout(window), "127.0.0.2");
    EXPECT_EQ(shown, CtlStatus("127.0.0.2"));
    // The names are the labels' on the window as it runs, with a clock loaded.
    const auto [focusable, named] = CountNamed(main, 102);
    EXPECT_EQ(named, focusable);

    // A time server typed in part is refused with its message, and nothing is written.
    const IpFieldValue server = window.GetIp(ctl::TimeServer1);
    window.SetText(ctl::TimeServer1, "10..3.");
    WindowDriver::Click(main, ctl::ModifyButton);
    EXPECT_EQ(Messages(), std::vector<std::string>{std::string(msg::kIncompleteAddress)});
    EXPECT_EQ(GetParent(driver_->Focus()), GetDlgItem(main, ctl::TimeServer1)) << "in the refused field";
    window.SetIp(ctl::TimeServer1, server.Address());

    // Dynamic IP greys the clock's address fields; the change is written and read back.
    WindowDriver::Click(main, ctl::DynamicIp);
    EXPECT_FALSE(window.IsEnabled(ctl::Gateway));
    SendDlgItemMessageW(main, ctl::Brightness, CB_SELECTSTRING, static_cast<WPARAM>(-1),
                        reinterpret_cast<LPARAM>(L"Dim"));
    WindowDriver::Click(main, ctl::ModifyButton);
    EXPECT_TRUE(Messages().empty());
    EXPECT_TRUE(WindowDriver::Await([&] { return CtlStatus("127.0.0.2")["brightness"] == "Dim"; },
                                    milliseconds(5000)));
    // horavanectl lists the write among the journal's, with what the window's query showed before.
    const auto history = horavane::test::RunProgram({HORAVANECTL_PATH, "history", "127.0.0.2", "--json"},
                                                    milliseconds(30'000));
    EXPECT_EQ(history.exitCode, 0) << history.err;
    const auto records = nlohmann::ordered_json::parse(history.out, nullptr, false);
    ASSERT_TRUE(records.is_array() && records.size() == 1) << history.out;
    EXPECT_EQ(records[0]["command"], "window");
    EXPECT_EQ(records[0]["before"]["brightness"], shown["brightness"]);
    EXPECT_EQ(records[0]["written"]["brightness"], "Dim");
    // A click on the selected clock reads it afresh, the written address mode too.
    WindowDriver::Click(main, ctl::StaticIp);
    WindowDriver::ClickListEntry(main, ctl::ClockList, 0);
    EXPECT_EQ(window.GetText(ctl::Brightness), "Dim");
    EXPECT_TRUE(window.IsChecked(ctl::DynamicIp));

    // The checks every implementation of the controls passes; a selection without the operator's
    // notification, so that none of its addresses is ever asked.
    horavane::test::ExpectControlsBehaveAsTheLogicExpects(window, [&](int index) {
        SendDlgItemMessageW(main, ctl::ClockList, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
    });

    // Enter elsewhere does nothing; Escape in the middle of a search ends the program at once, without
    // sitting out the rest of the sweep.
    driver_->PressKey(main, ctl::TimeServer1, VK_RETURN);
    driver_->PressKey(main, ctl::Brightness, VK_RETURN);
    EXPECT_TRUE(WindowDriver::Await([&] { return ended_.load(); }, milliseconds(300)) == false);
    Search(main);
    ASSERT_TRUE(WindowDriver::Await([&] { return window.ListFindExact(ctl::ClockList, "127.0.0.4") >= 0; },
                                    milliseconds(5000)));
    driver_->PressKey(main, ctl::TimeServer1, VK_ESCAPE);
    EXPECT_TRUE(WindowDriver::Await([&] { return ended_.load(); }, milliseconds(2000)));
}

}  // namespace
}  // namespace horavane::win::test
