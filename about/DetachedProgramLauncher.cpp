#include "DetachedProgramLauncher.h"

#include <QProcess>
#include <QStringList>

namespace corvanth {

bool DetachedProgramLauncher::runShellCommand(const QString& commandLine) {
    QStringList words = QProcess::splitCommand(commandLine);
    if (words.isEmpty()) return false;
    const QString program = words.takeFirst();
    return QProcess::startDetached(program, words);
}

} // namespace corvanth
