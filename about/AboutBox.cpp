#include "AboutBox.h"

#include <QWidget>

namespace corvanth {

void AboutBox::show(QWidget* near) {
    window_.show([&] {
        auto* about = new frmAbout(prompter_);
        if (near) {
            about->adjustSize();
            about->move(near->frameGeometry().center() - about->rect().center());
        }
        return about;
    });
}

} // namespace corvanth
