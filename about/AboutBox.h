#pragma once

#include "SysInfoServices.h"
#include "frmAbout.h"

#include <QPointer>

#include <memory>

class QWidget;

namespace corvanth {

class Prompter;
class PlatformSysInfo;

// Owns the one About window (menu "Help", "About..."). The first show creates it; showing it while
// it is open brings it to the front; after it has been closed the next show creates it afresh.
// Modeless: the caller goes on at once.
class AboutBox {
public:
    // This system's registry, file system and program start; messages through `prompter`.
    explicit AboutBox(Prompter& prompter);
    // Services supplied by the caller; they must outlive the box.
    explicit AboutBox(SysInfoServices services);
    ~AboutBox(); // closes an About window that is still open
    AboutBox(const AboutBox&) = delete;
    AboutBox& operator=(const AboutBox&) = delete;

    // mAbout_Click. `near` (optional) is the window the About window is centred over.
    void show(QWidget* near = nullptr);

    // The open About window, or null.
    frmAbout* window() const { return window_.data(); }

private:
    std::unique_ptr<PlatformSysInfo> platform_;
    SysInfoServices services_;
    QPointer<frmAbout> window_;
};

} // namespace corvanth
