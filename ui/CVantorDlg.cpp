#include "ui/CVantorDlg.h"

#include <QAction>
#include <QComboBox>
#include <QKeyEvent>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QThread>

#include "dialog/ControlIds.h"
#include "dialog/SearchWorker.h"
#include "fleet/JournalWriteRecorder.h"
#include "ui/AccessibleNames.h"
#include "ui/AppIcon.h"
#include "ui/CAboutDlg.h"
#include "ui/ClockListBox.h"
#include "ui/DialogUnits.h"
#include "ui/IpAddressEdit.h"
#include "ui/MessageBoxes.h"
#include "ui/QtSearchView.h"
#include "ui_CVantorDlg.h"

#ifdef Q_OS_WIN
#include "platform/Windows.h"
#endif

namespace horavane::ui {
namespace {

// The other button of a radio pair.
int PartnerOf(int id) {
    switch (id) {
        case ctl::Format12:
            return ctl::Format24;
        case ctl::Format24:
            return ctl::Format12;
        case ctl::StaticIp:
            return ctl::DynamicIp;
        case ctl::DynamicIp:
            return ctl::StaticIp;
        default:
            return 0;
    }
}

}  // namespace

CVantorDlg::CVantorDlg(ExchangeOptions options, QWidget* parent)
    : QDialog(parent),
      ui_(std::make_unique<::Ui::CVantorDlg>()),
      exchangeCalls_(std::make_unique<GuiThreadCalls>(
          [this] { QMetaObject::invokeMethod(this, "RunExchangeCalls", Qt::QueuedConnection); })),
      carried_(*this, [this](const std::function<void()>& call) { return CarryToWindowThread(call); }),
      recorder_(std::make_unique<JournalWriteRecorder>(WriteJournal::OfThisUser())),
      logic_(carried_, std::move(options)),
      exchanges_(std::make_unique<ExchangeWorker>()) {
    logic_.SetWriteRecorder(recorder_.get());
    InstallAccessibleInterfaces();
    ui_->setupUi(this);
    IndexControls();
    ApplyInitialState();
    NameControlsFromLabels(this);
    ConnectHandlers();
    AddAboutEntry();
    logic_.OnInitDialog();
    // The first tab stop has the focus from the start, as the platform's dialogs give it, not only
    // once the window shows: a Search pressed before that (by a script) then hands the focus on and
    // takes it back as it does later, instead of Qt giving it to the first tab stop still enabled.
    Control(ctl::SearchButton)->setFocus(Qt::OtherFocusReason);
}

CVantorDlg::~CVantorDlg() {
    StopSearch();
    exchangeCalls_->Close();
    exchanges_->Stop();
}

void CVantorDlg::RecordWritesWith(std::unique_ptr<WriteRecorder> recorder) {
    recorder_ = std::move(recorder);
    logic_.SetWriteRecorder(recorder_.get());
}

void CVantorDlg::IndexControls() {
    for (QWidget* child : findChildren<QWidget*>()) {
        const QVariant id = child->property("controlId");
        if (id.isValid()) {
            controls_[id.toInt()] = child;
        }
    }
    m_progress = ui_->ctl1001;
    m_clockList = ui_->ctl1025;
    m_timeServer1 = ui_->ctl1013;
    m_timeZone = ui_->ctl1045;
    m_energyFrom = ui_->ctl1049;
    m_energyTo = ui_->ctl1048;
    m_brightness = ui_->ctl1050;
    m_searchIp = ui_->ctl1055;
}

// Nothing is preset: no list has a selection, no radio button is chosen, every field is blank.
void CVantorDlg::ApplyInitialState() {
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setWindowIcon(HoravaneIcon());
    setFont(DialogFont("宋体", 9));
    ApplyDialogUnits(this, DialogUnits(font()));
    for (QComboBox* combo : findChildren<QComboBox*>()) {
        combo->setCurrentIndex(-1);
    }
    m_progress->setRange(0, 100);
    m_progress->setValue(0);
}

// The focus is drawn from the moment the window shows, not only after the first Tab, so that the
// operator at the keyboard sees that Search has it.
bool CVantorDlg::event(QEvent* event) {
    const bool handled = QDialog::event(event);
    if (event->type() == QEvent::Show || event->type() == QEvent::WindowActivate) {
        setAttribute(Qt::WA_KeyboardFocusChange);
    }
    return handled;
}

void CVantorDlg::ConnectHandlers() {
    connect(ui_->ctl1002, &QPushButton::clicked, this, &CVantorDlg::OnSearch);
    connect(ui_->ctl1012, &QPushButton::clicked, this, [this] { Exchange([this] { logic_.OnModify(); }); });
    connect(m_clockList, &QListWidget::itemSelectionChanged, this, &CVantorDlg::OnClockListSelection);
    connect(m_clockList, &ClockListBox::selectedClockClickedAgain, this, &CVantorDlg::OnClockListSelection);
    for (const int id : {ctl::Format12, ctl::Format24, ctl::StaticIp, ctl::DynamicIp}) {
        connect(qobject_cast<QRadioButton*>(Control(id)), &QRadioButton::clicked, this,
                [this, id] { OnAddressModeClicked(id); });
        Control(id)->installEventFilter(this);
    }
    // The second button of each pair follows the first in the focus chain, so that Tab leaves the
    // pair from either for the next tab stop, as the template's order has it.
    QWidget::setTabOrder(Control(ctl::Format12), Control(ctl::Format24));
    QWidget::setTabOrder(Control(ctl::StaticIp), Control(ctl::DynamicIp));
    for (const int first : {ctl::Format12, ctl::StaticIp}) {
        for (const int id : {first, PartnerOf(first)}) {
            connect(qobject_cast<QRadioButton*>(Control(id)), &QRadioButton::toggled, this,
                    [this, first] { KeepPairTabStop(first); });
        }
        KeepPairTabStop(first);
    }
}

// Tab reaches a pair at its chosen button, as the platform's dialogs do, and at its first button
// while neither is chosen; the other button takes the focus only from a click or an arrow.
void CVantorDlg::KeepPairTabStop(int firstId) {
    const bool secondChosen = IsChecked(PartnerOf(firstId)) && !IsChecked(firstId);
    Control(firstId)->setFocusPolicy(secondChosen ? Qt::ClickFocus : Qt::StrongFocus);
    Control(PartnerOf(firstId))->setFocusPolicy(secondChosen ? Qt::StrongFocus : Qt::ClickFocus);
}

// The platform's system menu takes the about entry where there is one; elsewhere the window offers
// the same entry in its context menu and on its mnemonic.
void CVantorDlg::AddAboutEntry() {
    const QString text = QString::fromUtf8(kAboutMenuText);
    if (text.isEmpty()) {
        return;
    }
#ifdef Q_OS_WIN
    if (HMENU menu = GetSystemMenu(reinterpret_cast<HWND>(winId()), FALSE)) {
        AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
        AppendMenuW(menu, MF_STRING, kAboutCommandId, reinterpret_cast<LPCWSTR>(text.utf16()));
    }
#else
    aboutAction_ = new QAction(text, this);
    aboutAction_->setShortcut(QKeySequence(Qt::ALT | Qt::Key_A));
    aboutAction_->setShortcutContext(Qt::WindowShortcut);
    connect(aboutAction_, &QAction::triggered, this, &CVantorDlg::OnAbout);
    addAction(aboutAction_);
    setContextMenuPolicy(Qt::ActionsContextMenu);
#endif
}

#ifdef Q_OS_WIN
bool CVantorDlg::nativeEvent(const QByteArray& eventType, void* message, qintptr* result) {
    const auto* msg = static_cast<const MSG*>(message);
    if (msg->message == WM_SYSCOMMAND && (msg->wParam & 0xFFF0) == kAboutCommandId) {
        OnAbout();
        *result = 0;
        return true;
    }
    return QDialog::nativeEvent(eventType, message, result);
}
#endif

void CVantorDlg::OnAbout() {
    CAboutDlg about(this);
    about.exec();
}

void CVantorDlg::OnSearch() {
    Handle([this] {
        if (logic_.OnSearchClicked()) {
            CarryToWindowThread([this] { StartSearchWorker(); });
        }
    });
}

bool CVantorDlg::CarryToWindowThread(const std::function<void()>& call) {
    if (QThread::currentThread() == thread()) {
        call();
        return true;
    }
    return exchangeCalls_->Call(call);
}

void CVantorDlg::Exchange(std::function<void()> handler) {
    exchanges_->Post(std::move(handler));
}

void CVantorDlg::Handle(std::function<void()> handler) {
    if (exchanges_->Busy()) {
        exchanges_->Post(std::move(handler));
    } else {
        handler();
    }
}

void CVantorDlg::RunExchangeCalls() {
    exchangeCalls_->RunPending();
}

// A query cannot be cut short; the window is gone by the time this waits for it. Afterwards the
// window can be shown again with a worker of its own.
void CVantorDlg::StopExchanges() {
    exchangeCalls_->Close();
    exchanges_->Stop();
    exchangeCalls_ = std::make_unique<GuiThreadCalls>(
        [this] { QMetaObject::invokeMethod(this, "RunExchangeCalls", Qt::QueuedConnection); });
    exchanges_ = std::make_unique<ExchangeWorker>();
}

void CVantorDlg::StartSearchWorker() {
    // A finished search's worker has made its last call; joining it costs nothing.
    StopSearch();
    searchCalls_ = std::make_unique<GuiThreadCalls>(
        [this] { QMetaObject::invokeMethod(this, "RunSearchCalls", Qt::QueuedConnection); });
    searchView_ = std::make_unique<QtSearchView>(*this, *searchCalls_);
    searchWorker_ = std::make_unique<SearchWorker>(*searchView_, logic_.options());
    searchWorker_->Start();
}

void CVantorDlg::RunSearchCalls() {
    if (searchCalls_) {
        searchCalls_->RunPending();
    }
}

// Stop before releasing the calls, so that a worker let go in the middle of a call sees the stop
// before it acts on what that call returned.
void CVantorDlg::StopSearch() {
    if (!searchWorker_) {
        return;
    }
    searchWorker_->RequestStop();
    searchCalls_->Close();
    searchWorker_->Join();
    searchWorker_.reset();
    searchView_.reset();
    searchCalls_.reset();
}

bool CVantorDlg::SearchRunning() const {
    return searchWorker_ && !searchWorker_->Finished();
}

void CVantorDlg::done(int result) {
    StopSearch();
    QDialog::done(result);
    StopExchanges();
}

void CVantorDlg::OnClockListSelection() {
    Exchange([this] { logic_.OnClockSelected(); });
}

// The operator's click chooses one button of the pair; the logic sets and clears them itself.
void CVantorDlg::OnAddressModeClicked(int clickedId) {
    Handle([this, clickedId] {
        carried_.SetChecked(clickedId, true);
        carried_.SetChecked(PartnerOf(clickedId), false);
        if (clickedId == ctl::DynamicIp) {
            logic_.OnDynamicIp();
        } else if (clickedId == ctl::StaticIp) {
            logic_.OnStaticIp();
        }
    });
}

// Enter presses a push button that has the focus; anywhere else the logic decides (the search
// field searches). Escape and the close box end the dialog through QDialog.
void CVantorDlg::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        if (auto* button = qobject_cast<QPushButton*>(focusWidget())) {
            button->click();
        } else {
            Handle([this, focused = FocusedControlId()] {
                if (logic_.OnEnter(focused)) {
                    CarryToWindowThread([this] { StartSearchWorker(); });
                }
            });
        }
        return;
    }
    QDialog::keyPressEvent(event);
}

// Each radio pair is one tab stop; the arrows move within it and choose the button they reach, as
// the platform's dialogs do with a group of radio buttons.
bool CVantorDlg::eventFilter(QObject* watched, QEvent* event) {
    auto* button = qobject_cast<QRadioButton*>(watched);
    if (button == nullptr || event->type() != QEvent::KeyPress) {
        return QDialog::eventFilter(watched, event);
    }
    switch (static_cast<QKeyEvent*>(event)->key()) {
        case Qt::Key_Left:
        case Qt::Key_Right:
        case Qt::Key_Up:
        case Qt::Key_Down:
            break;
        default:
            return QDialog::eventFilter(watched, event);
    }
    auto* partner = qobject_cast<QRadioButton*>(Control(PartnerOf(button->property("controlId").toInt())));
    if (partner != nullptr && partner->isEnabled()) {
        partner->setFocus(Qt::TabFocusReason);
        if (!partner->isChecked()) {
            partner->click();
        }
    }
    return true;
}

// The id of the control holding the focus, or of the control a focused part belongs to (the four
// parts of an address field); 0 for none.
int CVantorDlg::FocusedControlId() const {
    for (const QWidget* widget = focusWidget(); widget != nullptr && widget != this;
         widget = widget->parentWidget()) {
        const QVariant id = widget->property("controlId");
        if (id.isValid()) {
            return id.toInt();
        }
    }
    return 0;
}

QWidget* CVantorDlg::Control(int id) const {
    const auto found = controls_.find(id);
    return found == controls_.end() ? nullptr : found->second;
}

QComboBox* CVantorDlg::Combo(int id) const {
    return qobject_cast<QComboBox*>(Control(id));
}

QListWidget* CVantorDlg::List(int id) const {
    return qobject_cast<QListWidget*>(Control(id));
}

IpAddressEdit* CVantorDlg::Ip(int id) const {
    return qobject_cast<IpAddressEdit*>(Control(id));
}

}  // namespace horavane::ui
