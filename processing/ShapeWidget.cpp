#include "ShapeWidget.h"

#include <QPainter>

namespace corvanth {

ShapeWidget::ShapeWidget(Style style, QColor color, QWidget* parent)
    : QWidget(parent), style_(style), color_(color) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    if (style_ == Style::Fill) setAttribute(Qt::WA_OpaquePaintEvent);
}

void ShapeWidget::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (style_ == Style::Fill) {
        painter.fillRect(rect(), color_);
        return;
    }
    painter.setPen(QPen(color_, 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

} // namespace corvanth
