#include "HelpViewer.h"

namespace corvanth {

HelpViewer::~HelpViewer() {
    delete window_.data();
}

void HelpViewer::ShowHelpTopic(const QString& helpFilePath, const QString& topic) {
    if (!window_) {
        window_ = new HelpWindow;
        window_->setAttribute(Qt::WA_DeleteOnClose);
    }
    // Shown first: the browser scrolls to an anchor only once it is laid out.
    if (window_->isMinimized()) window_->showNormal();
    window_->show();
    window_->raise();
    window_->activateWindow();
    window_->showTopic(helpFilePath, topic);
}

} // namespace corvanth
