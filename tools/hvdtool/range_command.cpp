// hvdtool range A.hvd B.hvd [--samples N] [--seed S] [--json] [--svg FILE].
#include <chrono>
#include <cstdio>
#include <vector>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

#include "tools/hvdtool/range_report.h"
#include "tools/hvdtool/range_run.h"
#include "tools/hvdtool/settings_check.h"
#include "tools/hvdtool/settings_source.h"
#include "tools/hvdtool/tool_commands.h"
#include "tools/hvdtool/tool_files.h"
#include "tools/hvdtool/range_svg.h"

namespace {

typedef std::chrono::steady_clock Clock;

// The progress line: shown on a terminal once a run has taken a second,
// redrawn a few times a second, closed with the run's time.
struct Progress {
    Clock::time_point start = Clock::now();
    Clock::time_point shown;
    bool terminal = false;
    bool visible = false;
};

bool StderrIsTerminal()
{
#ifdef _WIN32
    return _isatty(_fileno(stderr)) != 0;
#else
    return isatty(fileno(stderr)) != 0;
#endif
}

long long Milliseconds(Clock::duration d)
{
    return static_cast<long long>(std::chrono::duration_cast<std::chrono::milliseconds>(d).count());
}

void ShowProgress(void* context, std::uint64_t, std::uint64_t accepted, std::uint64_t samples)
{
    Progress& p = *static_cast<Progress*>(context);
    if (!p.terminal) return;
    Clock::time_point now = Clock::now();
    bool done = accepted == samples;
    if (Milliseconds(now - p.start) < 1000 || (p.visible && !done && Milliseconds(now - p.shown) < 250)) return;
    if (done && !p.visible) return;
    p.visible = true;
    p.shown = now;
    std::string line = "hvdtool range: " + ExactCountText(static_cast<long long>(accepted)) + " of " +
                       ExactCountText(static_cast<long long>(samples)) + " draws";
    if (done) {
        long long ms = Milliseconds(now - p.start);
        line += " in " + std::to_string(ms / 1000) + "." + std::to_string(ms / 100 % 10) + " s\n";
    } else {
        line += " (" + std::to_string(accepted * 100 / samples) + " %)";
    }
    std::fprintf(stderr, "\r%s", line.c_str());
    std::fflush(stderr);
}

// Both ends must be settings the wizard accepts; the first refusal names why.
bool Accepted(const std::string& path, const SettingsFileView& view, int* status)
{
    std::vector<std::string> refusals = WizardRefusals(view.storedBlock);
    if (refusals.empty()) return true;
    *status = Fail(path, "the settings wizard would refuse it (" + refusals[0] + "); see hvdtool check");
    return false;
}

}  // namespace

int RangeCommand(const CommandLine& line)
{
    const std::string& pathA = line.files[0];
    const std::string& pathB = line.files[1];
    std::vector<unsigned char> bytesA, bytesB;
    SettingsFileView a, b;
    int status;
    if (!ReadSettingsFile(pathA, &bytesA, &a, &status) || !ReadSettingsFile(pathB, &bytesB, &b, &status)) return status;
    if (!Accepted(pathA, a, &status) || !Accepted(pathB, b, &status)) return status;

    LoadIntoRecord(a);  // the record's fixed parts: MaxYears, the texts
    SettingsSampler sampler(a.storedBlock, b.storedBlock);
    RangeReport report;
    Progress progress;
    progress.terminal = StderrIsTerminal();
    std::string problem;
    if (!RunRange(sampler, line.samples, line.seed, ShowProgress, &progress, &report, &problem)) {
        return Fail(pathA + " and " + pathB, problem);
    }
    if (!line.svgPath.empty()) {
        std::string svg = RangeSvg(report, sampler, pathA, pathB);
        if (!WriteFileWhole(line.svgPath, svg.data(), svg.size(), &problem)) return Fail(line.svgPath, problem);
    }
    std::string text = line.json ? RangeReportJson(report, sampler, pathA, pathB) : RangeReportText(report, sampler, pathA, pathB);
    std::fwrite(text.data(), 1, text.size(), stdout);
    return 0;
}
