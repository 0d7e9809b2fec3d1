#pragma once

#include "NamesDatabase.h"
#include "PostHost.h"
#include "Query.h"
#include "Recordset.h"
#include "ResultList.h"
#include "TempFolder.h"
#include "TestBackend.h"

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace corvanth::testing {

// A names database in a fresh temporary folder (or, for PostgreSQL, a fresh database on the test
// server), closed and removed afterwards.
class TempDatabase {
public:
    explicit TempDatabase(test::Backend backend = test::Backend::Sqlite)
        : location_(backend, folder_.file("IPLogging.mdb")) {
        db_.Open(location_.location());
    }

    NamesDatabase& db() { return db_; }

    void visit(const std::string& name, const std::string& ip,
               const std::string& date = "01/02/2003 04:05:06") {
        db_.RecordVisit(name, ip, date);
        db_.Commit();
    }
    // Runs a statement (INSERT, UPDATE) as another program would.
    void execute(const std::string& sql) { location_.ExecuteBeside(sql); }

private:
    test::TempFolder folder_;
    test::BackendLocation location_;
    NamesDatabase db_;
};

// A host with settable check boxes, a record of what Post told it, and a clock the test drives.
class FakePostHost : public PostHost {
public:
    bool ticked = false, enabled = true, broad = false;
    bool stop = false; // what stopRequested() answers
    int pumps = 0;
    std::vector<std::size_t> matchesShown;
    std::function<void()> onPump;
    // When set, the time Post sees; otherwise a clock that never moves.
    std::function<std::chrono::steady_clock::time_point()> clock;

    bool aliasesTicked() const override { return ticked; }
    bool aliasesEnabled() const override { return enabled; }
    bool broadTicked() const override { return broad; }
    void pumpEvents() override {
        ++pumps;
        if (onPump) onPump();
    }
    void setMatches(std::size_t count) override { matchesShown.push_back(count); }
    bool stopRequested() const override { return stop; }
    std::chrono::steady_clock::time_point now() const override {
        return clock ? clock() : std::chrono::steady_clock::time_point{};
    }
};

// The texts of one cell of every row, in shown order.
inline std::vector<std::string> Column(const ResultList& list, std::size_t cell) {
    std::vector<std::string> texts;
    for (std::size_t i = 0; i < list.Count(); ++i)
        texts.push_back(list.Row(i).Cells[cell]);
    return texts;
}

} // namespace corvanth::testing
