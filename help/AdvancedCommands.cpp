#include "AdvancedCommands.h"

#include "DocumentOpener.h"
#include "ProgramIdentity.h"
#include "Prompter.h"

#include <QFileInfo>

namespace corvanth {

void OpenDatabaseFile(const QString& dataFolder, DocumentOpener& opener) {
    opener.open(dataFolder + QLatin1Char('/') + QString::fromUtf8(identity::DatabaseFileName));
}

void OpenPositionJournal(const QString& dataFolder, DocumentOpener& opener, Prompter& prompter) {
    const QString journal = dataFolder + QLatin1Char('/') + QString::fromUtf8(identity::JournalFileName);
    if (QFileInfo(journal).isFile()) {
        opener.open(journal);
        return;
    }
    prompter.ask(QStringLiteral("No positions have been logged yet!"), QStringLiteral("No position file"),
                 Prompter::Buttons::Ok, Prompter::Icon::Information);
}

} // namespace corvanth
