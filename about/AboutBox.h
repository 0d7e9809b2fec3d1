#pragma once

#include "frmAbout.h"

#include <QPointer>

#include <memory>

class QWidget;

namespace corvanth {

class Prompter;

// Owns the one About window (menu "Help", "About..."). The first show creates it; showing it while
// it is open brings it to the front; after it has been closed the next show creates it afresh.
// Modeless: the caller goes on at once.
class AboutBox {
public:
    // Messages through `prompter`, which outlives the box.
    explicit AboutBox(Prompter& prompter);
    ~AboutBox(); // closes an About window that is still open
    AboutBox(const AboutBox&) = delete;
    AboutBox& operator=(const AboutBox&) = delete;

    // mAbout_Click. `near` (optional) is the window the About window is centred over.
    void show(QWidget* near = nullptr);

    // The open About window, or null.
    frmAbout* window() const { return window_.data(); }

private:
    Prompter& prompter_;
    QPointer<frmAbout> window_;
};

} // namespace corvanth
