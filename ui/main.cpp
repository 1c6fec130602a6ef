#include <QApplication>

#include "ui/CVantorApp.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    horavane::ui::CVantorApp vantor;
    // Start-up never asks to go on: when its dialogs end, the program ends.
    (void)vantor.InitInstance();
    return 0;
}
