#include <QApplication>

#include "ui/CVantorDlg.h"
#include "ui/DemoHooks.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    horavane::ui::CVantorDlg dialog(horavane::ui::DemoOptions());
    horavane::ui::RunDemo(dialog);
    dialog.exec();
    return 0;
}
