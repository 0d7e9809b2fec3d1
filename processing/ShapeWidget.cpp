#include "ShapeWidget.h"

#include <QPainter>

namespace corvanth {

ShapeWidget::ShapeWidget(Style style, QColor color, QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setShape(style, color);
}

void ShapeWidget::setShape(Style style, QColor color) {
    style_ = style;
    color_ = color;
    setAttribute(Qt::WA_OpaquePaintEvent, style_ == Style::Fill);
    update();
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
