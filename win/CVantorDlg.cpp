#include "win/CVantorDlg.h"

#include <functional>
#include <utility>

#include "dialog/ControlIds.h"
#include "dialog/SearchWorker.h"
#include "fleet/JournalWriteRecorder.h"
#include "win/CAboutDlg.h"

namespace horavane::win {

// The search thread's view of the window: each call is sent to the window, which carries it out
// on its own thread before SendMessage returns. Once the window closes the calls are dropped; the
// window keeps taking them while it waits for the thread to end, so neither waits for the other.
class WindowThreadSearchView final : public SearchView {
  public:
    WindowThreadSearchView(HWND window, DialogControls& controls) : window_(window), direct_(controls) {}

    // Window thread only, as are both members they touch.
    void Run(const std::function<void()>& task) const {
        if (!closing_) task();
    }
    void Close() { closing_ = true; }

    void SetProgressRange(int low, int high) override {
        Call([&] { direct_.SetProgressRange(low, high); });
    }
    void SetProgressPos(int position) override {
        Call([&] { direct_.SetProgressPos(position); });
    }
    void EnableClockList(bool enabled) override {
        Call([&] { direct_.EnableClockList(enabled); });
    }
    void EnableSearchButton(bool enabled) override {
        Call([&] { direct_.EnableSearchButton(enabled); });
    }
    void SetStatusText(std::string_view text) override {
        Call([&] { direct_.SetStatusText(text); });
    }
    void ClearClockList() override {
        Call([&] { direct_.ClearClockList(); });
    }
    void AddClockIfAbsent(std::string_view address) override {
        Call([&] { direct_.AddClockIfAbsent(address); });
    }
    IpFieldValue ReadSearchAddress() override {
        IpFieldValue value;
        Call([&] { value = direct_.ReadSearchAddress(); });
        return value;
    }

  private:
    void Call(const std::function<void()>& task) {
        SendMessageW(window_, CVantorDlg::kSearchCall, 0, reinterpret_cast<LPARAM>(&task));
    }

    HWND window_;
    ControlsSearchView direct_;
    bool closing_ = false;
};

CVantorDlg::CVantorDlg(HINSTANCE resources, ExchangeOptions options)
    : ModalDialog(resources, kTemplateId),
      recorder_(std::make_unique<JournalWriteRecorder>(WriteJournal::OfThisUser())),
      logic_(*this, std::move(options)) {
    logic_.SetWriteRecorder(recorder_.get());
    m_hIcon = static_cast<HICON>(LoadImageW(resources, MAKEINTRESOURCEW(kIconId), IMAGE_ICON,
                                            GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), 0));
    smallIcon_ =
        static_cast<HICON>(LoadImageW(resources, MAKEINTRESOURCEW(kIconId), IMAGE_ICON,
                                      GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
}

CVantorDlg::~CVantorDlg() {
    StopSearch();
    for (HICON icon : {m_hIcon, smallIcon_})
        if (icon != nullptr) DestroyIcon(icon);
}

INT_PTR CVantorDlg::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            OnInitDialog();
            return TRUE;  // the first tab stop, Search, takes the focus
        case WM_COMMAND:
            OnCommand(LOWORD(wParam), HIWORD(wParam));
            return TRUE;
        case WM_SYSCOMMAND:
            return OnSysCommand(wParam) ? TRUE : FALSE;
        case WM_PAINT:
            if (!IsIconic(window())) return FALSE;
            OnPaintMinimised();
            return TRUE;
        case WM_QUERYDRAGICON:
            return reinterpret_cast<INT_PTR>(m_hIcon);
        case kSearchCall:
            if (searchView_) searchView_->Run(*reinterpret_cast<const std::function<void()>*>(lParam));
            return TRUE;
        default:
            return FALSE;
    }
}

void CVantorDlg::OnInitDialog() {
    wchar_t aboutText[128] = {};
    if (HMENU menu = GetSystemMenu(window(), FALSE);
        menu != nullptr && LoadStringW(resources(), kAboutTextId, aboutText, 128) > 0) {
        AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
        AppendMenuW(menu, MF_STRING, kAboutCommandId, aboutText);
    }
    SendMessageW(window(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    SendMessageW(window(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_));
    logic_.OnInitDialog();
}

// Enter reaches the window as IDOK when no push button has the focus (a focused button sends its
// own id): the logic decides, and only the search field acts on it. Escape and the close box
// arrive as IDCANCEL.
void CVantorDlg::OnCommand(int id, int notification) {
    switch (id) {
        case ctl::SearchButton:
            if (logic_.OnSearchClicked()) StartSearchWorker();
            break;
        case ctl::ModifyButton:
            logic_.OnModify();
            break;
        case ctl::ClockList:
            if (notification == LBN_SELCHANGE) logic_.OnClockSelected();
            break;
        // A radio button that takes the focus unchecked (the pair is a tab stop) notifies a click the
        // operator never made; a real click has checked the button by the time it notifies.
        case ctl::DynamicIp:
            if (notification == BN_CLICKED && IsChecked(id)) logic_.OnDynamicIp();
            break;
        case ctl::StaticIp:
            if (notification == BN_CLICKED && IsChecked(id)) logic_.OnStaticIp();
            break;
        case IDOK:
            if (logic_.OnEnter(FocusedControlId())) StartSearchWorker();
            break;
        case IDCANCEL:
            End(IDCANCEL);
            break;
        default:
            break;
    }
}

bool CVantorDlg::OnSysCommand(WPARAM command) {
    if ((command & 0xFFF0) != kAboutCommandId) return false;
    CAboutDlg about(resources());
    about.DoModal(window());
    return true;
}

void CVantorDlg::OnPaintMinimised() {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window(), &paint);
    SendMessageW(window(), WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    RECT client;
    GetClientRect(window(), &client);
    const int x = (client.right - client.left - GetSystemMetrics(SM_CXICON) + 1) / 2;
    const int y = (client.bottom - client.top - GetSystemMetrics(SM_CYICON) + 1) / 2;
    DrawIcon(dc, x, y, m_hIcon);
    EndPaint(window(), &paint);
}

void CVantorDlg::StartSearchWorker() {
    // A finished search's worker has made its last call; joining it costs nothing.
    StopSearch();
    searchView_ = std::make_unique<WindowThreadSearchView>(window(), *this);
    searchWorker_ = std::make_unique<SearchWorker>(*searchView_, logic_.options());
    searchWorker_->Start();
}

// The worker may be waiting in SendMessage for this thread: its calls are taken, and dropped, until
// it has ended, so that joining it never waits for this thread.
void CVantorDlg::StopSearch() {
    if (!searchWorker_) return;
    searchWorker_->RequestStop();
    searchView_->Close();
    while (!searchWorker_->Finished()) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_SENDMESSAGE);
        MSG pending;
        PeekMessageW(&pending, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
    searchWorker_->Join();
    searchWorker_.reset();
    searchView_.reset();
}

void CVantorDlg::End(int result) {
    StopSearch();
    EndDialog(window(), result);
}

// The id of the control holding the focus, or of the control a focused part belongs to (the four
// parts of an address field); 0 for none.
int CVantorDlg::FocusedControlId() const {
    HWND focus = GetFocus();
    while (focus != nullptr && GetParent(focus) != window()) focus = GetParent(focus);
    return focus == nullptr ? 0 : GetDlgCtrlID(focus);
}

}  // namespace horavane::win
