#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace corvanth {

class Prompter;
class SettingsStore;

// Advanced > Database Connection…: where the names table lives. The connection text (empty for the
// local file, sqlite:PATH, or a PostgreSQL URL or libpq text), a Test button that connects and counts
// the rows, OK (stores the text in the settings, read at the next start-up) and Cancel. A text with a
// password (as LocationRefusal reads it) is not stored: libpq's own means (~/.pgpass, PGPASSWORD) serve
// instead.
class frmDatabaseConnection : public QDialog {
    Q_OBJECT
public:
    frmDatabaseConnection(SettingsStore& settings, Prompter& prompter, QString localFile,
                          QWidget* parent = nullptr);

    QLineEdit* txtConnection;
    QPushButton* cmdTest;
    QLabel* lblTest;
    QPushButton* cmdOK;
    QPushButton* cmdCancel;

public slots:
    void cmdTest_Click();
    void cmdOK_Click();

private:
    // Shows the outcome of Test whole, the dialog grown to its lines.
    void ShowTestOutcome(const QString& text);

    SettingsStore& settings_;
    Prompter& prompter_;
    QString localFile_;
};

} // namespace corvanth
