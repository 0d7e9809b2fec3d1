#pragma once

#include <ctime>
#include <string>
#include <string_view>

namespace corvanth {

// Where the date of a visit comes from when the log's lines carry none (Urban Terror logs): the text
// stored as LastVisit, "MM/DD/YYYY HH:MM:SS" in local time, like the dates other logs write.
class VisitDates {
public:
    virtual ~VisitDates() = default;
    // The date of a visit read now. The text stays valid until the next call.
    virtual std::string_view Now() = 0;
};

// "MM/DD/YYYY HH:MM:SS" of a moment, in local time.
std::string VisitDateText(std::time_t moment);

// One date for every visit: a processing run dates the visits of an undated log by the log's
// modification time.
class FixedVisitDate final : public VisitDates {
public:
    explicit FixedVisitDate(std::string text) : text_(std::move(text)) {}
    std::string_view Now() override { return text_; }

private:
    std::string text_;
};

// The time a line is read, from the system clock: what a follower dates visits by. The text is made
// again only when the second changes.
class ReadingClock final : public VisitDates {
public:
    std::string_view Now() override;

private:
    std::time_t shown_ = -1;
    std::string text_;
};

} // namespace corvanth
