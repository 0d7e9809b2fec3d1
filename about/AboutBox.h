#pragma once

#include "SingleWindow.h"
#include "frmAbout.h"

class QWidget;

namespace corvanth {

class Prompter;

// Owns the one About window (menu "Help", "About..."), modeless: the caller goes on at once.
class AboutBox {
public:
    // Messages through `prompter`, which outlives the box.
    explicit AboutBox(Prompter& prompter) : prompter_(prompter) {}

    // mAbout_Click. `near` (optional) is the window a new About window is centred over.
    void show(QWidget* near = nullptr);

    // The open About window, or null.
    frmAbout* window() const { return window_.window(); }

private:
    Prompter& prompter_;
    SingleWindow<frmAbout> window_;
};

} // namespace corvanth
