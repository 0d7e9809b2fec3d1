#include "DesktopDocumentOpener.h"

#include <QDesktopServices>
#include <QUrl>

namespace corvanth {

void OpenWithDefaultProgram(const QString& path) {
    QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

void DesktopDocumentOpener::open(const QString& path) {
    OpenWithDefaultProgram(path);
}

} // namespace corvanth
