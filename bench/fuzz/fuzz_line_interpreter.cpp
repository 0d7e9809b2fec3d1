// Random lines through the line interpreter. Each LF in the input ends a line; the client tables carry
// over from line to line as they do in a run. A line that cannot be carried out must end as a
// RunFailure; any other exception, a crash or a broken invariant is a finding.
#include "FuzzCommon.h"
#include "LineInterpreter.h"
#include "ProcessingState.h"
#include "RunFailure.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

using namespace corvanth;
using corvanth::fuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    ProcessingState state;
    fuzz::RecordingSink sink;
    LineInterpreter interpreter(state, sink);

    std::size_t pos = 0;
    while (pos < input.size()) {
        std::size_t lf = input.find('\n', pos);
        if (lf == std::string_view::npos) lf = input.size();
        const std::string_view line = input.substr(pos, lf - pos);
        pos = lf + 1;
        if (line.empty()) continue;
        const std::size_t callsBefore = sink.calls.size();
        const bool trackedBefore = interpreter.GameTracked();
        try {
            interpreter.InterpretLine(line);
        } catch (const RunFailure& failure) {
            Check(failure.what()[0] != '\0', "a failure without a reason");
            Check(fuzz::IsValidUtf8(failure.what()), "a failure reason that is not UTF-8");
        }
        // Untracked lines other than InitGame never reach the database.
        if (!trackedBefore && !interpreter.GameTracked())
            Check(sink.calls.size() == callsBefore, "untracked line recorded");
        Check(sink.calls.size() <= callsBefore + 1, "one line recorded more than once");
    }
    for (const auto& call : sink.calls) {
        Check(fuzz::IsValidUtf8(call.name) && fuzz::IsValidUtf8(call.ip) && fuzz::IsValidUtf8(call.date),
              "text handed to the database is not UTF-8");
        // Addresses lose their port before they are stored.
        Check(call.ip.find(':') == std::string::npos, "an address kept its port");
        // Names from connect lines are stored with the apostrophe encoded; referee names too.
        if (call.kind == "ref")
            Check(call.name.find('\'') == std::string::npos, "referee name with a raw apostrophe");
    }
    Check(sink.calls.size() ==
              static_cast<std::size_t>(interpreter.VisitsRecorded() + interpreter.RefereeMarks()),
          "counters disagree with the calls made");
    return 0;
}
