#include "frmDatabaseConnection.h"

#include "DatabaseError.h"
#include "NamesDatabase.h"
#include "Prompter.h"
#include "SettingsStore.h"
#include "WindowDatabase.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace corvanth {
namespace {

// libpq's messages indent their hint lines with a tab; in a label that shows as a wide gap. Each line
// without its surrounding blanks, tabs inside as spaces, no empty lines.
QString WithoutIndents(const QString& message) {
    QStringList lines;
    for (const QString& line : message.split(QLatin1Char('\n'))) {
        const QString kept = line.trimmed().replace(QLatin1Char('\t'), QLatin1Char(' '));
        if (!kept.isEmpty()) lines.append(kept);
    }
    return lines.join(QLatin1Char('\n'));
}

} // namespace

frmDatabaseConnection::frmDatabaseConnection(SettingsStore& settings, Prompter& prompter, QString localFile,
                                             QWidget* parent)
    : QDialog(parent), settings_(settings), prompter_(prompter), localFile_(std::move(localFile)) {
    setObjectName(QStringLiteral("frmDatabaseConnection"));
    setWindowTitle(QStringLiteral("Database Connection"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(
        new QLabel(QStringLiteral("Names database (empty for the local file, sqlite:PATH, or a "
                                  "PostgreSQL server such as\npostgresql://user@host:5432/corvanth). "
                                  "Passwords belong in ~/.pgpass, never here."),
                   this));
    txtConnection =
        new QLineEdit(settings_.GetRegString(QString::fromLatin1(kDatabaseSetting), QString()), this);
    txtConnection->setObjectName(QStringLiteral("txtConnection"));
    txtConnection->setMinimumWidth(420);
    layout->addWidget(txtConnection);
    auto* testRow = new QHBoxLayout;
    cmdTest = new QPushButton(QStringLiteral("&Test"), this);
    cmdTest->setObjectName(QStringLiteral("cmdTest"));
    testRow->addWidget(cmdTest);
    testRow->addStretch(1);
    layout->addLayout(testRow);
    // The outcome of Test, on a row of its own: a server's message can take several lines.
    lblTest = new QLabel(this);
    lblTest->setObjectName(QStringLiteral("lblTest"));
    lblTest->setWordWrap(true);
    lblTest->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(lblTest);
    layout->addWidget(
        new QLabel(QStringLiteral("The program uses the new database from its next start."), this));
    auto* buttons = new QDialogButtonBox(this);
    cmdOK = buttons->addButton(QDialogButtonBox::Ok);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdCancel = buttons->addButton(QDialogButtonBox::Cancel);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    layout->addWidget(buttons);
    connect(cmdTest, &QPushButton::clicked, this, &frmDatabaseConnection::cmdTest_Click);
    connect(cmdOK, &QPushButton::clicked, this, &frmDatabaseConnection::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void frmDatabaseConnection::cmdTest_Click() {
    const std::string text = txtConnection->text().trimmed().toStdString();
    try {
        NamesDatabase db;
        db.Open(ParseDatabaseLocation(text, localFile_.toStdString()));
        ShowTestOutcome(QStringLiteral("Connected: %1 rows").arg(db.RowCount()));
    } catch (const DatabaseError& e) {
        ShowTestOutcome(WithoutIndents(QString::fromUtf8(e.what())));
    }
}

void frmDatabaseConnection::ShowTestOutcome(const QString& text) {
    lblTest->setText(text);
    // A window does not grow by itself for a word-wrapped label's extra lines: the label asks for the
    // height its text takes at its width, which the layout passes on to the dialog's minimum size.
    lblTest->setMinimumHeight(lblTest->heightForWidth(lblTest->width()));
    adjustSize();
}

void frmDatabaseConnection::cmdOK_Click() {
    const QString text = txtConnection->text().trimmed();
    std::optional<std::string> refusal;
    try {
        refusal = LocationRefusal(ParseDatabaseLocation(text.toStdString(), localFile_.toStdString()),
                                  LocationSource::SettingsFile);
    } catch (const DatabaseError& e) {
        refusal = e.what();
    }
    if (refusal) {
        prompter_.askOver(this, QString::fromStdString(*refusal), QStringLiteral("Database Connection"),
                          Prompter::Buttons::Ok, Prompter::Icon::Critical);
        return;
    }
    settings_.SaveRegString(QString::fromLatin1(kDatabaseSetting), text);
    accept();
}

} // namespace corvanth
