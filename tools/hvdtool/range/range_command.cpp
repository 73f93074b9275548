// hvdtool range A.hvd B.hvd | MODEL.txt [--samples N] [--seed S] [--threads N] [--json] [--svg FILE] [--print-model]
//               [--observe none|sampling|poisson|nok3|settlement] [--sobol].
#include <chrono>
#include <cstdio>
#include <cstring>
#include <vector>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

#include "files/settings_image.h"
#include "tools/hvdtool/range/draw_blocks.h"
#include "tools/hvdtool/range/range_model.h"
#include "tools/hvdtool/range/range_report.h"
#include "tools/hvdtool/range/range_run.h"
#include "tools/hvdtool/range/range_svg.h"
#include "tools/hvdtool/range/sobol_run.h"
#include "tools/hvdtool/settings/settings_check.h"
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

// The Sobol indices' model runs, on a line of their own after the run's.
void ShowSobolProgress(void* context, std::uint64_t runs, std::uint64_t total, bool done)
{
    Progress& p = *static_cast<Progress*>(context);
    if (!p.terminal) return;
    Clock::time_point now = Clock::now();
    if (Milliseconds(now - p.start) < 1000 || (p.visible && !done && Milliseconds(now - p.shown) < 250)) return;
    p.visible = true;
    p.shown = now;
    long long ms = Milliseconds(now - p.start);
    std::string line = "hvdtool range: Sobol indices, ";
    if (done) {
        line += Count(total) + " runs in " + std::to_string(ms / 1000) + "." + std::to_string(ms / 100 % 10) + " s, then the intervals";
    } else {
        line += Count(runs) + " of " + Count(total) + " runs" + Percent(runs, total);
    }
    std::fprintf(stderr, "\r%-78s%s", line.c_str(), done ? "\n" : "");
    std::fflush(stderr);
}

}  // namespace

namespace {

// The folder part of a path ("" for a bare name), for paths the
// description gives relative to itself.
std::string FolderOf(const std::string& path)
{
    std::size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? "" : path.substr(0, slash + 1);
}

bool IsAbsolute(const std::string& path)
{
    return (!path.empty() && (path[0] == '/' || path[0] == '\\')) || (path.size() > 1 && path[1] == ':');
}

// The model of a range description, its Base read relative to it and
// accepted by the wizard.
bool DescriptionModel(const std::string& path, RangeModel* model, int* status)
{
    std::vector<unsigned char> bytes;
    std::string problem;
    if (!ReadWholeFile(path, &bytes, &problem)) {
        *status = Fail(path, problem);
        return false;
    }
    SettingsFileView view;
    if (DecodeSettingsImage(bytes.data(), bytes.size(), &view) != ImageStatus::BadHeader) {
        *status = Fail(path, "a settings file: range takes two settings files, or one range description");
        return false;
    }
    const std::string folder = FolderOf(path);
    BaseLoader loadBase = [&folder](const std::string& base, unsigned char* block, std::string* why) {
        std::vector<unsigned char> baseBytes;
        SettingsFileView view;
        const std::string basePath = IsAbsolute(base) ? base : folder + base;
        if (!ReadWholeFile(basePath, &baseBytes, why)) return false;
        if (DecodeSettingsImage(baseBytes.data(), baseBytes.size(), &view) != ImageStatus::Complete) {
            *why = "not a whole settings file";
            return false;
        }
        std::vector<std::string> refusals = WizardRefusals(view.storedBlock);
        if (!refusals.empty()) {
            *why = "the settings wizard would refuse it (" + refusals[0] + "); see hvdtool check";
            return false;
        }
        std::memcpy(block, view.storedBlock, 189);
        return true;
    };
    if (!ParseRangeModel(std::string(bytes.begin(), bytes.end()), loadBase, model, &problem)) {
        *status = Fail(path, problem);
        return false;
    }
    if (model->fileB.empty()) model->description = path;
    return true;
}

}  // namespace

int RangeCommand(const CommandLine& line)
{
    RangeModel model;
    int status;
    std::string pathA, pathB, name;
    if (line.files.size() == 2) {
        pathA = line.files[0];
        pathB = line.files[1];
        std::vector<unsigned char> bytesA, bytesB;
        SettingsFileView a, b;
        if (!ReadSettingsFile(pathA, &bytesA, &a, &status) || !ReadSettingsFile(pathB, &bytesB, &b, &status)) return status;
        if (!WizardAccepts(pathA, a, &status) || !WizardAccepts(pathB, b, &status)) return status;
        model = ModelBetween(a.storedBlock, b.storedBlock, pathA, pathB);
        name = pathA + " and " + pathB;
    } else {
        if (!DescriptionModel(line.files[0], &model, &status)) return status;
        pathA = model.fileA;
        pathB = model.fileB;
        name = line.files[0];
    }
    if (line.printModel) {
        std::string text = WriteRangeModel(model);
        std::fwrite(text.data(), 1, text.size(), stdout);
        return 0;
    }

    std::string sobolProblem;
    if (line.sobol && !SobolAllowed(model, &sobolProblem)) return Fail(name, sobolProblem);

    SettingsSampler sampler(model);
    RangeReport report;
    Progress progress;
    progress.terminal = StderrIsTerminal();
    RangeRun run;
    run.samples = line.samples;
    run.seed = line.seed;
    run.threads = line.threads == 0 ? DefaultThreadCount() : line.threads;
    run.observation = line.observation;
    run.progress = ShowProgress;
    run.progressContext = &progress;
    std::string problem;
    if (!RunRange(sampler, run, &report, &problem)) return Fail(name, problem);
    if (line.sobol) {
        Progress sobolProgress;
        sobolProgress.terminal = progress.terminal;
        SobolRun sobol;
        sobol.samples = run.samples;
        sobol.seed = run.seed;
        sobol.threads = run.threads;
        sobol.progress = ShowSobolProgress;
        sobol.progressContext = &sobolProgress;
        if (!RunSobol(sampler, sobol, &report.sobol, &problem)) return Fail(name, problem);
    }
    if (!line.svgPath.empty()) {
        std::string svg = RangeSvg(report, sampler, pathA, pathB);
        if (!WriteFileWhole(line.svgPath, svg.data(), svg.size(), &problem)) return Fail(line.svgPath, problem);
    }
    std::string text = line.json ? RangeReportJson(report, sampler, pathA, pathB) : RangeReportText(report, sampler, pathA, pathB);
    std::fwrite(text.data(), 1, text.size(), stdout);
    return 0;
}
