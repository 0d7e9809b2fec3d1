#include "AdvancedCommands.h"

#include "DocumentOpener.h"
#include "Prompter.h"

#include <QFileInfo>

namespace corvanth {

void OpenDatabaseFile(const QString& dataFolder, DocumentOpener& opener) {
    opener.open(dataFolder + QStringLiteral("/IPLogging.mdb"));
}

void OpenPositionJournal(const QString& dataFolder, DocumentOpener& opener, Prompter& prompter) {
    const QString journal = dataFolder + QStringLiteral("/Positions.txt");
    if (QFileInfo(journal).isFile()) {
        opener.open(journal);
        return;
    }
    prompter.ask(QStringLiteral("No positions have been logged yet!"), QStringLiteral("No position file"),
                 Prompter::Buttons::Ok, Prompter::Icon::Information);
}

} // namespace corvanth
