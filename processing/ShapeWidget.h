#pragma once

#include <QColor>
#include <QWidget>

namespace corvanth {

// A drawn rectangle: either a thin solid outline with no fill, or a solid fill with no border.
class ShapeWidget : public QWidget {
    Q_OBJECT
public:
    enum class Style { Outline, Fill };

    ShapeWidget(Style style, QColor color, QWidget* parent = nullptr);
    // A black outline until setShape says otherwise (as a form file creates it).
    explicit ShapeWidget(QWidget* parent = nullptr) : ShapeWidget(Style::Outline, Qt::black, parent) {}

    void setShape(Style style, QColor color);

    Style style() const { return style_; }
    QColor color() const { return color_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Style style_;
    QColor color_;
};

} // namespace corvanth
