// horavane-screenshot: the real start-up and main window, driven by a script so that the README's
// picture can be taken under a virtual display. Built beside the programs, never installed: the
// product itself takes no arguments and reads no environment.
#include <QApplication>
#include <QCommandLineParser>

#include "ui/CVantorApp.h"
#include "ui/CVantorDlg.h"
#include "ui/ScreenshotDemo.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Takes a picture of the main window after a search of simulated clocks.");
    parser.addHelpOption();
    const QCommandLineOption output("output", "PNG file to write.", "file");
    const QCommandLineOption password("password", "Password to type into the password dialog.", "text");
    const QCommandLineOption port("port", "UDP port of the simulated clocks.", "port", "6869");
    const QCommandLineOption search("search", "Loopback address to search (127.x.x.x).", "address");
    const QCommandLineOption select("select", "Row of the clock to select, from 1.", "row", "1");
    parser.addOptions({output, password, port, search, select});
    parser.process(app);
    if (!parser.isSet(output)) {
        parser.showHelp(1);
    }

    horavane::ui::ScreenshotScript script;
    script.output = parser.value(output);
    script.password = parser.value(password);
    script.port = static_cast<std::uint16_t>(parser.value(port).toUInt());
    script.search = parser.value(search);
    script.select = parser.value(select).toInt();

    horavane::ui::EnterPassword(script.password);
    horavane::ui::CVantorApp vantor(horavane::PasswordStore(horavane::DefaultPasswordFilePath()), [&script] {
        horavane::ui::CVantorDlg dialog(horavane::ui::ScriptOptions(script));
        horavane::ui::RunScript(dialog, script);
        (void)dialog.exec();
    });
    (void)vantor.InitInstance();
    return 0;
}
