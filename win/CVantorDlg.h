#pragma once

#include <memory>

#include "dialog/ClockDialogLogic.h"
#include "dialog/DialogControls.h"
#include "platform/Windows.h"
#include "protocol/Exchange.h"
#include "protocol/WriteRecorder.h"
#include "win/ModalDialog.h"

namespace horavane {
class SearchWorker;
}

namespace horavane::win {

class WindowThreadSearchView;

// The system menu's about entry: string 101 holds its text, 16 is its command.
inline constexpr int kAboutTextId = 101;
inline constexpr UINT kAboutCommandId = 16;
inline constexpr int kIconId = 128;

// The main window (template 102): its controls addressed by their ids, driven by ClockDialogLogic.
// The search runs on a SearchWorker whose calls are carried out on the window's thread.
class CVantorDlg : public ModalDialog, public DialogControls {
  public:
    static constexpr int kTemplateId = 102;
    // Sent by the search thread: carry out the SearchCall that lParam points to.
    static constexpr UINT kSearchCall = WM_APP + 1;

    explicit CVantorDlg(HINSTANCE resources, ExchangeOptions options = {});
    ~CVantorDlg() override;

    // DialogControls
    [[nodiscard]] std::string GetText(int id) const override;
    void SetText(int id, std::string_view text) override;
    void PaintNow(int id) override;
    void Enable(int id, bool enabled) override;
    [[nodiscard]] bool IsEnabled(int id) const override;
    void SetFocus(int id) override;
    [[nodiscard]] bool IsChecked(int id) const override;
    void SetChecked(int id, bool checked) override;
    void ComboReset(int id) override;
    void ComboAdd(int id, std::string_view text) override;
    [[nodiscard]] int ComboCount(int id) const override;
    void ComboSelect(int id, int index) override;
    [[nodiscard]] int ComboFindExact(int id, std::string_view text) const override;
    [[nodiscard]] int ComboSelectedIndex(int id) const override;
    void ListReset(int id) override;
    void ListAdd(int id, std::string_view text) override;
    [[nodiscard]] int ListFindExact(int id, std::string_view text) const override;
    [[nodiscard]] int ListSelectedIndex(int id) const override;
    [[nodiscard]] std::string ListText(int id, int index) const override;
    [[nodiscard]] IpFieldValue GetIp(int id) const override;
    void SetIp(int id, Ipv4Address address) override;
    void ClearIp(int id) override;
    void SetProgressRange(int id, int low, int high) override;
    void SetProgressPos(int id, int position) override;
    void ShowAppMessage(std::string_view text) override;
    void ShowDialogMessage(std::string_view text, std::optional<std::string_view> title) override;

  protected:
    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

  private:
    void OnInitDialog();
    void OnCommand(int id, int notification);
    bool OnSysCommand(WPARAM command);
    void OnPaintMinimised();
    void StartSearchWorker();
    void StopSearch();
    void End(int result);
    [[nodiscard]] int FocusedControlId() const;

    std::unique_ptr<WriteRecorder> recorder_;
    ClockDialogLogic logic_;
    HICON m_hIcon = nullptr;
    HICON smallIcon_ = nullptr;
    // A control disabled while it had the focus, and the control that holds it meanwhile.
    HWND focusOwner_ = nullptr;
    HWND focusStandIn_ = nullptr;
    std::unique_ptr<WindowThreadSearchView> searchView_;
    std::unique_ptr<SearchWorker> searchWorker_;
};

}  // namespace horavane::win
