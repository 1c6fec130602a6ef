#include "ui/DemoHooks.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <memory>

#include "settings/ControlIds.h"
#include "ui/CVantorDlg.h"
#include "ui/IpAddressEdit.h"

namespace horavane::ui {
namespace {

constexpr int kPollMs = 100;
constexpr qint64 kGiveUpMs = 110'000;

QString Env(const char* name) {
    return qEnvironmentVariable(name);
}

bool SearchDone(const CVantorDlg& dialog) {
    return !dialog.SearchRunning() && dialog.GetText(ctl::StatusLine) == "Search finished.";
}

void SelectClock(CVantorDlg& dialog) {
    auto* list = qobject_cast<QListWidget*>(dialog.Control(ctl::ClockList));
    const int row = Env("HORAVANE_DEMO_SELECT").toInt() - 1;
    if (list != nullptr && row >= 0 && row < list->count()) {
        list->setCurrentRow(row);
    }
}

}  // namespace

bool DemoRequested() {
    return !Env("HORAVANE_SCREENSHOT").isEmpty();
}

void EnterDemoPassword() {
    const QString password = Env("HORAVANE_DEMO_PASSWORD");
    if (!DemoRequested() || password.isEmpty()) {
        return;
    }
    auto* timer = new QTimer(qApp);
    QObject::connect(timer, &QTimer::timeout, qApp, [timer, password] {
        QWidget* gate = QApplication::activeModalWidget();
        if (gate == nullptr || gate->objectName() != QStringLiteral("CInputPassword")) {
            return;
        }
        timer->deleteLater();
        auto* edit = gate->findChild<QLineEdit*>();
        auto* ok = gate->findChild<QPushButton*>(QStringLiteral("ctl1"));
        if (edit != nullptr && ok != nullptr) {
            edit->setText(password);
            ok->click();
        }
    });
    timer->start(kPollMs);
}

ExchangeOptions DemoOptions() {
    ExchangeOptions options;
    bool ok = false;
    const int port = Env("HORAVANE_DEMO_PORT").toInt(&ok);
    if (DemoRequested() && ok && port > 0 && port < 65536) {
        options.port = static_cast<std::uint16_t>(port);
    }
    return options;
}

void RunDemo(CVantorDlg& dialog) {
    if (!DemoRequested()) {
        return;
    }
    // The demo sweeps simulated clocks on loopback only, never a real subnet.
    const auto value = IpFieldValue::Parse(Env("HORAVANE_DEMO_SEARCH").toStdString());
    const bool search = value && value->parts[0] == std::uint8_t{127};
    if (search) {
        qobject_cast<IpAddressEdit*>(dialog.Control(ctl::SearchAddress))->SetValue(*value);
        qobject_cast<QPushButton*>(dialog.Control(ctl::SearchButton))->click();
    }
    auto* timer = new QTimer(&dialog);
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    QObject::connect(timer, &QTimer::timeout, &dialog, [&dialog, timer, clock, search] {
        if (search && !SearchDone(dialog) && clock->elapsed() < kGiveUpMs) {
            return;
        }
        timer->stop();
        SelectClock(dialog);
        dialog.grab().save(Env("HORAVANE_SCREENSHOT"));
        dialog.reject();
    });
    timer->start(kPollMs);
}

}  // namespace horavane::ui
