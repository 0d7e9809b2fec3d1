#include "CliContext.h"
#include "DatabaseError.h"
#include "NamesCopy.h"

#include <QCommandLineParser>

#include <cstdio>
#include <unistd.h>

namespace corvanth {
namespace {

// A bar on stderr when it is a terminal; nothing otherwise (the summary is printed at the end).
class CopyBar : public CopyProgress {
public:
    CopyBar() : shown_(::isatty(STDERR_FILENO) != 0) {}
    ~CopyBar() override {
        if (drawn_) std::fputs("\n", stderr);
    }
    CopyBar(const CopyBar&) = delete;
    CopyBar& operator=(const CopyBar&) = delete;

    void rowsCopied(std::int64_t done, std::int64_t total) override {
        if (!shown_) return;
        const double fraction = total > 0 ? std::min(1.0, static_cast<double>(done) / total) : 1.0;
        constexpr int kWidth = 30;
        const int filled = static_cast<int>(fraction * kWidth);
        std::string bar(filled, '#');
        bar.append(kWidth - filled, '.');
        std::fprintf(stderr, "\r[%s] %5.1f%%  %lld / %lld rows  ", bar.c_str(), fraction * 100,
                     static_cast<long long>(done), static_cast<long long>(total));
        std::fflush(stderr);
        drawn_ = true;
    }

private:
    bool shown_;
    bool drawn_ = false;
};

} // namespace

int RunCopyCommand(CliContext& context, const QCommandLineParser& parser) {
    const QString from = QStringLiteral("from");
    const QString to = QStringLiteral("to");
    if (!parser.isSet(from) || !parser.isSet(to)) {
        context.err() << "corvanth-cli copy: --from and --to are both needed (see --help)\n";
        return static_cast<int>(ExitCode::Usage);
    }
    try {
        NamesDatabase source;
        source.Open(context.location(parser.value(from), LocationSource::CommandLine), IfMissing::Refuse);
        NamesDatabase target;
        target.Open(context.location(parser.value(to), LocationSource::CommandLine));
        CopySummary summary;
        {
            CopyBar bar;
            summary = CopyNames(source, target, bar);
        }
        target.Close();
        context.out() << "Copied " << summary.copied << " rows and " << summary.guids << " GUID rows";
        if (summary.skipped > 0)
            context.out() << " (" << summary.skipped << " without a name or address skipped)";
        context.out() << "\n";
    } catch (const DatabaseError& e) {
        context.err() << "corvanth-cli copy: " << e.what() << "\n";
        return static_cast<int>(ExitCode::DataError);
    }
    return static_cast<int>(ExitCode::Ok);
}

} // namespace corvanth
