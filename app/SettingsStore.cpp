#include "SettingsStore.h"

#include "ProgramIdentity.h"

#include <QSettings>
#include <QVariant>

namespace corvanth {

QString SettingsStore::GetRegString(const QString& valueName, const QString& fallback) const {
    const QSettings settings(QSettings::NativeFormat, QSettings::UserScope,
                             QString::fromUtf8(identity::Organization),
                             QString::fromUtf8(identity::Application));
    if (settings.status() != QSettings::NoError) return fallback;
    const QVariant value = settings.value(valueName);
    if (!value.isValid() || value.typeId() != QMetaType::QString) return fallback;
    QString text = value.toString();
    const qsizetype zero = text.indexOf(QChar(u'\0'));
    if (zero >= 0) text.truncate(zero);
    return text;
}

void SettingsStore::SaveRegString(const QString& valueName, const QString& value) {
    QSettings settings(QSettings::NativeFormat, QSettings::UserScope,
                       QString::fromUtf8(identity::Organization), QString::fromUtf8(identity::Application));
    settings.setValue(valueName, value);
    settings.sync();
}

} // namespace corvanth
