#include "frmAbout.h"

#include "AppInfo.h"

#include <QApplication>
#include <QFileInfo>
#include <QIcon>
#include <QStyle>

namespace corvanth {
namespace {

// The program's own icon (built in when the program has one), else the installed theme icon, else a
// standard icon of the style.
QPixmap ProgramIconPixmap() {
    const QString builtIn = QStringLiteral(":/corvanth/icons/corvanth.svg");
    if (QFileInfo::exists(builtIn)) {
        const QPixmap pixmap = QIcon(builtIn).pixmap(32, 32);
        if (!pixmap.isNull()) return pixmap;
    }
    const QPixmap themed = QIcon::fromTheme(QStringLiteral("corvanth")).pixmap(32, 32);
    if (!themed.isNull()) return themed;
    return QApplication::style()->standardIcon(QStyle::SP_MessageBoxInformation).pixmap(32, 32);
}

} // namespace

frmAbout::frmAbout(Prompter& prompter, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      prompter_(prompter) {
    setupUi(this);
    picIcon->setPixmap(ProgramIconPixmap());
    // The title is drawn larger than the dialog's font, whatever that font is.
    QFont titleFont = lblTitle->font();
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.6);
    titleFont.setBold(true);
    lblTitle->setFont(titleFont);

    connect(cmdOK, &QPushButton::clicked, this, &frmAbout::cmdOK_Click);
    connect(cmdSysInfo, &QPushButton::clicked, this, &frmAbout::cmdSysInfo_Click);
    // Esc rejects the dialog; it closes like OK.
    connect(this, &QDialog::rejected, this, &frmAbout::cmdOK_Click);

    Form_Load();
}

void frmAbout::Form_Load() {
    setWindowTitle(QStringLiteral("About ") + AppTitle());
    lblVersion->setText(QStringLiteral("Version ") + AppVersionText());
    lblTitle->setText(AppTitle());
}

void frmAbout::cmdOK_Click() {
    close();
}

void frmAbout::cmdSysInfo_Click() {
    StartSysInfo();
}

void frmAbout::StartSysInfo() {
    prompter_.askOver(this, QStringLiteral("System Information Is Unavailable At This Time"), AppTitle(),
                      Prompter::Buttons::Ok, Prompter::Icon::None);
}

} // namespace corvanth
