#include "AppIcon.h"

#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>

// The icons live in this static library's resource file: it has to be registered explicitly.
static void RegisterIconResources() {
    Q_INIT_RESOURCE(icons);
}

namespace corvanth {
namespace {

QIcon RenderedIcon(const QString& resource) {
    RegisterIconResources();
    QSvgRenderer renderer(resource);
    QIcon icon;
    if (!renderer.isValid()) return icon;
    for (const int size : {16, 24, 32, 48}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        renderer.render(&painter);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

} // namespace

QIcon ProgramIcon() {
    return RenderedIcon(QStringLiteral(":/icons/corvanth.svg"));
}
QIcon HelpButtonIcon() {
    return RenderedIcon(QStringLiteral(":/icons/help.svg"));
}

} // namespace corvanth
