#include "ui/ScreenshotDemo.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <memory>

#include "dialog/ControlIds.h"
#include "ui/CVantorDlg.h"
#include "ui/IpAddressEdit.h"

namespace horavane::ui {
namespace {

constexpr int kPollMs = 100;
constexpr qint64 kGiveUpMs = 110'000;

bool SearchDone(const CVantorDlg& dialog) {
    return !dialog.SearchRunning() && dialog.GetText(ctl::StatusLine) == "Search finished.";
}

void SelectClock(CVantorDlg& dialog, int select) {
    auto* list = qobject_cast<QListWidget*>(dialog.Control(ctl::ClockList));
    const int row = select - 1;
    if (list != nullptr && row >= 0 && row < list->count()) {
        list->setCurrentRow(row);
    }
}

}  // namespace

void EnterPassword(const QString& password) {
    if (password.isEmpty()) {
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

ExchangeOptions ScriptOptions(const ScreenshotScript& script) {
    ExchangeOptions options;
    if (script.port != 0) {
        options.port = script.port;
    }
    return options;
}

void RunScript(CVantorDlg& dialog, const ScreenshotScript& script) {
    // Only simulated clocks on loopback are ever swept, never a real subnet.
    const auto value = IpFieldValue::Parse(script.search.toStdString());
    const bool search = value && value->parts[0] == std::uint8_t{127};
    if (search) {
        qobject_cast<IpAddressEdit*>(dialog.Control(ctl::SearchAddress))->SetValue(*value);
        qobject_cast<QPushButton*>(dialog.Control(ctl::SearchButton))->click();
    }
    auto* timer = new QTimer(&dialog);
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    auto selected = std::make_shared<bool>(false);
    QObject::connect(timer, &QTimer::timeout, &dialog, [&dialog, timer, clock, search, script, selected] {
        if (search && !SearchDone(dialog) && clock->elapsed() < kGiveUpMs) {
            return;
        }
        if (!*selected) {
            SelectClock(dialog, script.select);
            *selected = true;
        }
        // The selected clock is read beside the window: the picture waits for its reply.
        if (dialog.ExchangeRunning() && clock->elapsed() < kGiveUpMs) {
            return;
        }
        timer->stop();
        dialog.grab().save(script.output);
        dialog.reject();
    });
    timer->start(kPollMs);
}

}  // namespace horavane::ui
