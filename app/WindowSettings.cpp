#include "WindowSettings.h"

#include "SettingsStore.h"
#include "ui_frmMain.h"

namespace corvanth {
namespace {

const QString kDefaultQuery = QStringLiteral("SELECT * FROM Names WHERE PlayerName LIKE '*';");

// A check box's state as it is stored: 0 not ticked, 1 ticked, 2 greyed.
int StoredCheck(const QCheckBox* box) {
    switch (box->checkState()) {
    case Qt::Checked:
        return 1;
    case Qt::PartiallyChecked:
        return 2;
    case Qt::Unchecked:
        break;
    }
    return 0;
}

// A stored check state (0, 1 or 2); anything else leaves the box as it is.
void RestoreCheck(QCheckBox* box, const QString& stored) {
    bool ok = false;
    const int value = stored.trimmed().toInt(&ok);
    if (!ok) return;
    switch (value) {
    case 0:
        box->setCheckState(Qt::Unchecked);
        break;
    case 1:
        box->setCheckState(Qt::Checked);
        break;
    case 2:
        box->setCheckState(Qt::PartiallyChecked);
        break;
    default:
        break;
    }
}

} // namespace

void WindowSettings::Restore() {
    ui_.txtQuery->setPlainText(store_.GetRegString(QStringLiteral("txtQuery"), kDefaultQuery));
    ui_.txtInterval->setText(store_.GetRegString(QStringLiteral("txtInterval"), QStringLiteral("100")));
    ui_.txtSearch->setText(store_.GetRegString(QStringLiteral("txtSearch"), QString()));
    // chkAliases first: its click rule unticks chkAliasBroad.
    RestoreCheck(ui_.chkAliases, store_.GetRegString(QStringLiteral("chkAliases"), QStringLiteral("0")));
    RestoreCheck(ui_.chkAliasBroad,
                 store_.GetRegString(QStringLiteral("chkAliasBroad"), QStringLiteral("0")));
    bool ok = false;
    const int index =
        store_.GetRegString(QStringLiteral("cmbSearch"), QStringLiteral("0")).trimmed().toInt(&ok);
    if (ok && index >= -1 && index < ui_.cmbSearch->count()) ui_.cmbSearch->setCurrentIndex(index);
}

void WindowSettings::Save() {
    store_.SaveRegString(QStringLiteral("txtQuery"), ui_.txtQuery->toPlainText());
    store_.SaveRegString(QStringLiteral("txtInterval"), ui_.txtInterval->text());
    store_.SaveRegString(QStringLiteral("txtSearch"), ui_.txtSearch->text());
    store_.SaveRegString(QStringLiteral("chkAliases"), QString::number(StoredCheck(ui_.chkAliases)));
    store_.SaveRegString(QStringLiteral("chkAliasBroad"), QString::number(StoredCheck(ui_.chkAliasBroad)));
    store_.SaveRegString(QStringLiteral("cmbSearch"), QString::number(ui_.cmbSearch->currentIndex()));
}

QString WindowSettings::LastFile() const {
    return store_.GetRegString(QStringLiteral("LastFile"), kNotSet);
}

void WindowSettings::SaveLastFile(const QString& path) {
    store_.SaveRegString(QStringLiteral("LastFile"), path);
}

} // namespace corvanth
