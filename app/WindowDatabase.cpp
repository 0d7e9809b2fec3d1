#include "WindowDatabase.h"

#include "DatabaseError.h"
#include "NamesDatabase.h"
#include "ProgramIdentity.h"
#include "Prompter.h"
#include "SettingsStore.h"

namespace corvanth {

QString LocalDatabaseFile(const QString& dataFolder) {
    return dataFolder + QLatin1Char('/') + QString::fromUtf8(identity::DatabaseFileName);
}

void OpenWindowDatabase(NamesDatabase& db, const SettingsStore& settings, Prompter& prompter,
                        const QString& localFile) {
    const QString setting = settings.GetRegString(QString::fromLatin1(kDatabaseSetting), QString()).trimmed();
    const DatabaseLocation location = ParseDatabaseLocation(setting.toStdString(), localFile.toStdString());
    if (location.kind == DatabaseLocation::Kind::PostgreSql) {
        try {
            db.Open(location);
            return;
        } catch (const DatabaseError& e) {
            prompter.ask(
                QStringLiteral("The names database on the PostgreSQL server could not be opened:\r\n") +
                    QString::fromUtf8(e.what()) +
                    QStringLiteral("\r\n\r\nThe program uses the local file instead:\r\n") + localFile,
                QStringLiteral("Database Connection"), Prompter::Buttons::Ok, Prompter::Icon::Critical);
        }
        db.Open(localFile.toStdString());
        return;
    }
    db.Open(location);
}

} // namespace corvanth
