// window-bench LOG: a processing run started from the real window (offscreen), timed, for
// bench/window-throughput. A benchmark program of its own, so the shipped corvanth has no hidden options.
#include "ProgramIdentity.h"
#include "WindowBench.h"

#include <QApplication>
#include <QTextStream>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QString::fromUtf8(corvanth::identity::Organization));
    QCoreApplication::setApplicationName(QString::fromUtf8(corvanth::identity::Application));
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() != 2) {
        QTextStream(stderr) << "usage: window-bench LOG\n";
        return 2;
    }
    return corvanth::RunWindowBench(arguments[1]);
}
