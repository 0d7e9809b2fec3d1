#pragma once

#include "Prompter.h"
#include "ui_frmAbout.h"

#include <QDialog>

namespace corvanth {

// The About window (laid out in frmAbout.ui): title, version, two texts and a launcher for the
// system information program. Fixed dialog border; OK is the default and the cancel button (Enter
// and Esc close).
class frmAbout : public QDialog, public Ui_frmAbout {
    Q_OBJECT
public:
    // Messages go through `prompter`, over this window.
    explicit frmAbout(Prompter& prompter, QWidget* parent = nullptr);

public slots:
    void Form_Load();
    void cmdOK_Click();
    void cmdSysInfo_Click();

private:
    // There is no system information program to start here: says so.
    void StartSysInfo();

    Prompter& prompter_;
};

} // namespace corvanth
