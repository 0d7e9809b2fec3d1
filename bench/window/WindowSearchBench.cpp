#include "WindowSearchBench.h"

#include "EventLoopProbe.h"
#include "FixedPostHost.h"
#include "NameText.h"
#include "NamesDatabase.h"
#include "Post.h"
#include "ResultList.h"
#include "ResultListModel.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTableView>
#include <QTextStream>

namespace corvanth {

int RunWindowSearchBench(const QString& databasePath, const QString& pattern, SearchAliases aliases) {
    NamesDatabase database;
    database.Open(databasePath.toStdString());
    ResultList list;
    ResultListModel model(list);
    list.HeaderClicked(0); // the window's list starts sorted by name, ascending
    QTableView view;
    view.setModel(&model);
    view.resize(800, 600);
    view.show();
    QCoreApplication::processEvents();

    bench::EventLoopProbe probe;

    FixedPostHost host(aliases == SearchAliases::SameAddress ? Aliases::SameAddress
                                                             : Aliases::SameFirstThreeOctets,
                       [] { QCoreApplication::processEvents(); });
    QElapsedTimer searchTime;
    probe.start();
    searchTime.start();
    const PostOutcome outcome = Post(database, list, host, NameSearchQuery(EncodeName(pattern.toStdString())),
                                     ClearFirst::Yes, AliasCheck::AllowAliases);
    // The search ends when the view knows every row.
    model.Flush();
    QCoreApplication::processEvents();
    const qint64 searchMs = searchTime.elapsed();
    probe.stop();

    QTextStream out(stdout);
    out << "window_search_seconds " << QString::number(static_cast<double>(searchMs) / 1000.0, 'f', 3)
        << '\n';
    out << "longest_event_loop_gap_ms " << probe.longestGapMs() << '\n';
    out << "event_loop_turns_seen " << probe.turns() << '\n';
    out << "rows " << model.rowCount() << '\n';
    out << "matches " << outcome.matches << '\n';
    out.flush();
    return outcome.failure || outcome.timedOut ? 1 : 0;
}

} // namespace corvanth
