#pragma once

#include <QPointer>
#include <QWidget>

namespace corvanth {

// Owns the one window of its kind (the About window, the help window). The first show creates it;
// showing it while it is open brings it to the front; closing it deletes it, and the next show
// creates it afresh. A window still open when the owner goes is closed with it.
template <typename Window> class SingleWindow {
public:
    SingleWindow() = default;
    ~SingleWindow() { delete window_.data(); }
    SingleWindow(const SingleWindow&) = delete;
    SingleWindow& operator=(const SingleWindow&) = delete;

    // Shows the window, made by `make()` (a new Window*) when none is open, and brings it to the
    // front without waiting for it.
    template <typename Make> Window& show(Make&& make) {
        if (!window_) {
            window_ = make();
            window_->setAttribute(Qt::WA_DeleteOnClose);
        }
        if (window_->isMinimized()) window_->showNormal();
        window_->show();
        window_->raise();
        window_->activateWindow();
        return *window_;
    }

    // The open window, or null.
    Window* window() const { return window_.data(); }

private:
    QPointer<Window> window_;
};

} // namespace corvanth
