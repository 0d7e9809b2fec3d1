#pragma once

#include "RunFailure.h"
#include "VisitSink.h"

#include <string>
#include <vector>

namespace corvanth::test {

// Remembers every call the interpreter makes, in order.
class RecordingSink : public VisitSink {
public:
    struct Call {
        std::string kind; // "visit", "ref" or "guid"
        std::string name, ip, date, guid;
        bool operator==(const Call&) const = default;
    };
    std::vector<Call> calls;
    int commits = 0;
    int checkpoints = 0;
    int failOnVisit = -1; // throw on the visit with this index

    void RecordVisit(std::string_view name, std::string_view ip, std::string_view date) override {
        if (failOnVisit >= 0 && static_cast<int>(calls.size()) == failOnVisit)
            throw RunFailure("database is locked");
        calls.push_back({"visit", std::string(name), std::string(ip), std::string(date), {}});
    }
    void MarkReferee(std::string_view name, std::string_view ip) override {
        calls.push_back({"ref", std::string(name), std::string(ip), {}, {}});
    }
    void RecordGuid(std::string_view guid, std::string_view name, std::string_view ip,
                    std::string_view date) override {
        calls.push_back({"guid", std::string(name), std::string(ip), std::string(date), std::string(guid)});
    }
    void Checkpoint() override { ++checkpoints; }
    void Commit() override { ++commits; }

    // The calls as text: "kind|name|ip|date;" each, with "|guid" before the ";" when there is one.
    std::string text() const {
        std::string text;
        for (const Call& c : calls)
            text += c.kind + "|" + c.name + "|" + c.ip + "|" + c.date + (c.guid.empty() ? "" : "|" + c.guid) +
                    ";";
        return text;
    }
};

} // namespace corvanth::test
