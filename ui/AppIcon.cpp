#include "ui/AppIcon.h"

#include <QDir>
#include <QImageReader>

// The resources live in a static library: nothing would pull them into the program otherwise.
static void InitHoravaneResources() {
    Q_INIT_RESOURCE(horavane);
}

namespace horavane::ui {

QIcon HoravaneIcon() {
    InitHoravaneResources();
    QIcon icon;
    const QDir icons(QStringLiteral(":/icons"));
    for (const QString& name : icons.entryList({QStringLiteral("horavane*.png")}, QDir::Files)) {
        icon.addFile(icons.filePath(name));
    }
    // The drawing itself, where the platform can render it.
    if (QImageReader::supportedImageFormats().contains("svg")) {
        icon.addFile(icons.filePath(QStringLiteral("horavane.svg")));
    }
    return icon;
}

}  // namespace horavane::ui
