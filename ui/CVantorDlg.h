#pragma once

#include <QDialog>
#include <functional>
#include <map>
#include <memory>

#include "dialog/ClockDialogLogic.h"
#include "dialog/DialogControls.h"
#include "dialog/ExchangeWorker.h"
#include "protocol/Exchange.h"
#include "protocol/WriteRecorder.h"

class QAction;
class QComboBox;
class QListWidget;
class QProgressBar;

namespace Ui {
class CVantorDlg;
}

namespace horavane {
class SearchWorker;
}

namespace horavane::ui {

class ClockListBox;
class GuiThreadCalls;
class IpAddressEdit;
class QtSearchView;

// The main window: the template's controls, addressed by their ids, driven by ClockDialogLogic.
// The search runs on a SearchWorker, a query and a Modify on an ExchangeWorker; the calls both make
// into the window are carried out on this thread, which never waits for a clock.
class CVantorDlg : public QDialog, public DialogControls {
    Q_OBJECT

  public:
    explicit CVantorDlg(ExchangeOptions options = {}, QWidget* parent = nullptr);
    ~CVantorDlg() override;

    // The control with the given id, or nullptr.
    [[nodiscard]] QWidget* Control(int id) const;
    [[nodiscard]] QAction* aboutAction() const { return aboutAction_; }
    [[nodiscard]] bool SearchRunning() const;
    // A query or a Modify under way, or an operator's action waiting behind one.
    [[nodiscard]] bool ExchangeRunning() const { return exchanges_->Busy(); }
    // Modify's writes are recorded in the user's journal of writes unless another recorder is given.
    void RecordWritesWith(std::unique_ptr<WriteRecorder> recorder);

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

  public slots:
    void done(int result) override;
    void OnAbout();

  private slots:
    // Reached from the search thread through a queued call that carries no data.
    void RunSearchCalls();
    // The same for the query's and Modify's thread.
    void RunExchangeCalls();

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
#ifdef Q_OS_WIN
    bool nativeEvent(const QByteArray& eventType, void* message, qintptr* result) override;
#endif

  private:
    void IndexControls();
    void ApplyInitialState();
    void ConnectHandlers();
    void AddAboutEntry();
    void OnSearch();
    void StartSearchWorker();
    [[nodiscard]] int FocusedControlId() const;
    void OnClockListSelection();
    void OnAddressModeClicked(int clickedId);
    void KeepPairTabStop(int firstId);
    void StopSearch();
    bool CarryToWindowThread(const std::function<void()>& call);
    // A handler that asks a clock runs on the exchange thread; any other runs at once, or behind a
    // handler still running there, so that the operator's actions take effect in their order.
    void Exchange(std::function<void()> handler);
    void Handle(std::function<void()> handler);
    void StopExchanges();
    [[nodiscard]] QComboBox* Combo(int id) const;
    [[nodiscard]] QListWidget* List(int id) const;
    [[nodiscard]] IpAddressEdit* Ip(int id) const;

    std::unique_ptr<::Ui::CVantorDlg> ui_;
    // The controls the template binds to members; all others are reached by id.
    QProgressBar* m_progress = nullptr;
    ClockListBox* m_clockList = nullptr;
    IpAddressEdit* m_timeServer1 = nullptr;
    QComboBox* m_timeZone = nullptr;
    QComboBox* m_energyFrom = nullptr;
    QComboBox* m_energyTo = nullptr;
    QComboBox* m_brightness = nullptr;
    IpAddressEdit* m_searchIp = nullptr;
    std::map<int, QWidget*> controls_;
    // A control disabled while it had the focus, and where the focus went meanwhile: it comes back
    // when the control is enabled again, unless the operator has moved it on.
    QWidget* focusOwner_ = nullptr;
    QWidget* focusStandIn_ = nullptr;

    std::unique_ptr<GuiThreadCalls> exchangeCalls_;
    CarriedControls carried_;
    std::unique_ptr<WriteRecorder> recorder_;
    ClockDialogLogic logic_;
    std::unique_ptr<ExchangeWorker> exchanges_;
    QAction* aboutAction_ = nullptr;
    std::unique_ptr<GuiThreadCalls> searchCalls_;
    std::unique_ptr<QtSearchView> searchView_;
    std::unique_ptr<SearchWorker> searchWorker_;
};

}  // namespace horavane::ui
