// window-bench LOG: a processing run started from the real window (offscreen), timed, for
// bench/window-throughput.
// window-bench --search DATABASE PATTERN [--broad]: a name search with aliases as the window runs
// it, timed, for bench/window-search.
// A benchmark program of its own, so the shipped corvanth has no hidden options.
#include "ProgramIdentity.h"
#include "WindowBench.h"
#include "WindowSearchBench.h"

#include <QApplication>
#include <QTextStream>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QString::fromUtf8(corvanth::identity::Organization));
    QCoreApplication::setApplicationName(QString::fromUtf8(corvanth::identity::Application));
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() >= 4 && arguments[1] == QLatin1String("--search")) {
        const bool broad = arguments.size() == 5 && arguments[4] == QLatin1String("--broad");
        return corvanth::RunWindowSearchBench(arguments[2], arguments[3],
                                              broad ? corvanth::SearchAliases::FirstThreeOctets
                                                    : corvanth::SearchAliases::SameAddress);
    }
    if (arguments.size() != 2) {
        QTextStream(stderr) << "usage: window-bench LOG | window-bench --search DATABASE PATTERN [--broad]\n";
        return 2;
    }
    return corvanth::RunWindowBench(arguments[1]);
}
