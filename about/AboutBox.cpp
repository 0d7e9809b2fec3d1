#include "AboutBox.h"

#include <QWidget>

namespace corvanth {

AboutBox::AboutBox(Prompter& prompter) : prompter_(prompter) {}

AboutBox::~AboutBox() {
    delete window_.data();
}

void AboutBox::show(QWidget* near) {
    if (!window_) {
        window_ = new frmAbout(prompter_);
        window_->setAttribute(Qt::WA_DeleteOnClose);
        if (near) {
            window_->adjustSize();
            window_->move(near->frameGeometry().center() - window_->rect().center());
        }
    }
    if (window_->isMinimized()) window_->showNormal();
    window_->show();
    window_->raise();
    window_->activateWindow();
}

} // namespace corvanth
