#pragma once

#include <QCheckBox>

namespace corvanth {

// A check box that can show the greyed state a stored setting asks for, but whose clicks only tick
// and untick it: from greyed a click ticks it.
class TwoStateCheckBox : public QCheckBox {
public:
    using QCheckBox::QCheckBox;

protected:
    void nextCheckState() override {
        setCheckState(checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
    }
};

} // namespace corvanth
