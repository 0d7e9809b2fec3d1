#pragma once

#include "Prompter.h"

#include <QDialog>

class QFrame;
class QLabel;
class QPushButton;

namespace corvanth {

// The About window: title, version, two texts and a launcher for the system information program.
// Fixed dialog border; OK is the default and the cancel button (Enter and Esc close). It deletes
// itself when closed.
class frmAbout : public QDialog {
    Q_OBJECT
public:
    // Messages go through `prompter`, over this window.
    explicit frmAbout(Prompter& prompter, QWidget* parent = nullptr);

    QLabel* picIcon;
    QLabel* lblTitle;
    QLabel* lblVersion;
    QLabel* lblDescription;
    QFrame* linDark;
    QFrame* linLight;
    QLabel* lblDisclaimer;
    QPushButton* cmdOK;
    QPushButton* cmdSysInfo;

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
