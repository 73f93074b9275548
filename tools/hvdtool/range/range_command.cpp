// hvdtool range A.hvd B.hvd [--samples N] [--seed S] [--threads N] [--json] [--svg FILE].
#include <chrono>
#include <cstdio>
#include <vector>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

#include "tools/hvdtool/range/draw_blocks.h"
#include "tools/hvdtool/range/range_report.h"
#include "tools/hvdtool/range/range_run.h"
#include "tools/hvdtool/range/range_svg.h"
#include "tools/hvdtool/settings/settings_source.h"
#include "tools/hvdtool/tool_commands.h"
#include "tools/hvdtool/tool_files.h"

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

std::string Count(std::uint64_t n)
{
    return ExactCountText(static_cast<long long>(n));
}

std::string Percent(std::uint64_t part, std::uint64_t whole)
{
    return " (" + std::to_string(whole == 0 ? 100 : part * 100 / whole) + " %)";
}

void ShowProgress(void* context, const RangeProgressState& state)
{
    Progress& p = *static_cast<Progress*>(context);
    if (!p.terminal) return;
    Clock::time_point now = Clock::now();
    if (Milliseconds(now - p.start) < 1000 || (p.visible && !state.done && Milliseconds(now - p.shown) < 250)) return;
    if (state.done && !p.visible) return;
    p.visible = true;
    p.shown = now;
    std::string line = "hvdtool range: ";
    if (state.done) {
        long long ms = Milliseconds(now - p.start);
        line += Count(state.samples) + " draws";
        if (state.endsTotal > 0) line += " and " + Count(state.endsTotal) + " at the parameters' ends";
        line += " in " + std::to_string(ms / 1000) + "." + std::to_string(ms / 100 % 10) + " s";
    } else if (state.drawn < state.samples) {
        line += Count(state.drawn) + " of " + Count(state.samples) + " draws" + Percent(state.drawn, state.samples);
    } else {
        line += "each parameter at its ends: " + Count(state.endsDrawn) + " of " + Count(state.endsTotal) + " draws" +
                Percent(state.endsDrawn, state.endsTotal);
    }
    // Blanks over what is left of a longer line before.
    std::fprintf(stderr, "\r%-78s%s", line.c_str(), state.done ? "\n" : "");
    std::fflush(stderr);
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
    if (!WizardAccepts(pathA, a, &status) || !WizardAccepts(pathB, b, &status)) return status;

    SettingsSampler sampler(a.storedBlock, b.storedBlock);
    RangeReport report;
    Progress progress;
    progress.terminal = StderrIsTerminal();
    RangeRun run;
    run.samples = line.samples;
    run.seed = line.seed;
    run.threads = line.threads == 0 ? DefaultThreadCount() : line.threads;
    run.progress = ShowProgress;
    run.progressContext = &progress;
    std::string problem;
    if (!RunRange(sampler, run, &report, &problem)) {
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
