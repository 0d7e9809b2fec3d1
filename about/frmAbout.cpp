#include "frmAbout.h"

#include "AppInfo.h"

#include <QApplication>
#include <QFileInfo>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace corvanth {
namespace {

QFrame* SeparatorLine(QWidget* parent, const QString& name, const QColor& colour) {
    auto* line = new QFrame(parent);
    line->setObjectName(name);
    line->setFrameShape(QFrame::NoFrame);
    line->setFixedHeight(1);
    line->setAutoFillBackground(true);
    QPalette palette = line->palette();
    palette.setColor(QPalette::Window, colour);
    line->setPalette(palette);
    return line;
}

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
    setObjectName(QStringLiteral("frmAbout"));
    setModal(false);

    picIcon = new QLabel(this);
    picIcon->setObjectName(QStringLiteral("picIcon"));
    picIcon->setFixedSize(32, 32);
    picIcon->setPixmap(ProgramIconPixmap());

    lblTitle = new QLabel(this);
    lblTitle->setObjectName(QStringLiteral("lblTitle"));
    QFont titleFont = lblTitle->font();
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.6);
    titleFont.setBold(true);
    lblTitle->setFont(titleFont);

    lblVersion = new QLabel(this);
    lblVersion->setObjectName(QStringLiteral("lblVersion"));

    lblDescription = new QLabel(this);
    lblDescription->setObjectName(QStringLiteral("lblDescription"));
    lblDescription->setWordWrap(true);
    lblDescription->setText(QStringLiteral(
        "Corvanth reads a Quake 3 server's game log and remembers every player name seen from every "
        "address, so that an administrator can find a player's other names, list the referees and "
        "look anything up with a query of his own. Long logs can be paused, resumed and continued "
        "where the last run stopped."));

    linDark = SeparatorLine(this, QStringLiteral("linDark"), QColor(128, 128, 128));
    linLight = SeparatorLine(this, QStringLiteral("linLight"), QColor(255, 255, 255));

    lblDisclaimer = new QLabel(this);
    lblDisclaimer->setObjectName(QStringLiteral("lblDisclaimer"));
    lblDisclaimer->setWordWrap(true);
    lblDisclaimer->setText(QStringLiteral(
        "Warning: Corvanth is provided as it is, without any warranty. The names and addresses it "
        "records are personal data of the players: keep the database safe, and keep it no longer "
        "than running the server requires."));

    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    cmdOK->setAutoDefault(true);

    cmdSysInfo = new QPushButton(QStringLiteral("&System Info..."), this);
    cmdSysInfo->setObjectName(QStringLiteral("cmdSysInfo"));
    cmdSysInfo->setAutoDefault(false);

    auto* texts = new QVBoxLayout;
    texts->addWidget(lblTitle);
    texts->addWidget(lblVersion);
    texts->addSpacing(8);
    texts->addWidget(lblDescription);
    auto* top = new QHBoxLayout;
    top->addWidget(picIcon, 0, Qt::AlignTop);
    top->addSpacing(12);
    top->addLayout(texts, 1);

    auto* buttons = new QVBoxLayout;
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdSysInfo);
    buttons->addStretch(1);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(lblDisclaimer, 1);
    bottom->addSpacing(12);
    bottom->addLayout(buttons);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addSpacing(8);
    layout->addWidget(linDark);
    layout->setSpacing(0);
    layout->addWidget(linLight);
    layout->addSpacing(8);
    layout->addLayout(bottom);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    lblDescription->setMinimumWidth(340);

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
