// hvdtool: reads, writes and checks Halvorendyne settings files (.hvd)
// with the program's own file layout, estimation chain and number texts.
//
//   hvdtool make SOURCE.txt OUT.hvd   settings file from its text form
//   hvdtool text FILE.hvd             the text form of a settings file
//   hvdtool show FILE.hvd             parameters, texts and the results screen's lines
//   hvdtool check FILE.hvd            the fields the settings wizard would refuse
//   hvdtool diff A.hvd B.hvd          what differs, and the results side by side
//   hvdtool range A.hvd B.hvd         the spread of the results over settings
//                                     drawn between the two, and what drives it
//   hvdtool range MODEL.txt           the same over a range description: each
//                                     parameter's own distribution, correlations
//   hvdtool solve FILE.hvd            each parameter's value at which a result
//                                     reaches a target (we would be alone)
// show, diff, range and solve write JSON with --json (see tool_commands.h).
//
// Exit status: 0 success, 1 check found refused fields or diff found
// differences, 2 bad input.
//
// Here: the command line and the dispatch, the file reading and the
// messages shared by all commands. The rest by concern:
//   settings/  the settings files' fields, text form, the wizard's rules,
//              show --json and diff
//   range/     the Monte-Carlo run: sampler, blocks of draws, the run, its
//              histograms, report and charts, the range command
//              (sobol_*: the Sobol indices of range --sobol)
//   solve/     the break-even search and the solve command
//   output/    JSON, number texts and SVG parts
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "display/result_text.h"
#include "files/settings_image.h"
#include "model/estimation.h"
#include "model/extended_math.h"
#include "model/input_message.h"
#include "model/number_text.h"
#include "model/settings_record.h"
#include "tools/hvdtool/command_options.h"
#include "tools/hvdtool/settings/settings_check.h"
#include "tools/hvdtool/settings/settings_fields.h"
#include "tools/hvdtool/settings/settings_source.h"
#include "tools/hvdtool/tool_commands.h"
#include "tools/hvdtool/tool_files.h"

namespace {

const char Usage[] =
    "usage: hvdtool make SOURCE.txt OUT.hvd\n"
    "       hvdtool text FILE.hvd\n"
    "       hvdtool show FILE.hvd [--json]\n"
    "       hvdtool check FILE.hvd\n"
    "       hvdtool diff A.hvd B.hvd [--json]\n"
    "       hvdtool range A.hvd B.hvd [--samples N] [--seed S] [--threads N] [--json] [--svg FILE] [--print-model]\n"
    "             [--observe none|sampling|poisson|nok3|settlement] [--sobol]\n"
    "       hvdtool range MODEL.txt [--samples N] [--seed S] [--threads N] [--json] [--svg FILE] [--print-model]\n"
    "             [--observe none|sampling|poisson|nok3|settlement] [--sobol]\n"
    "       hvdtool solve FILE.hvd [--result galaxy|universe|inhabited] [--target N] [--json]\n";

void PrintText(const char* name, const char* text)
{
    std::printf("%s:", name);
    if (!text) {
        std::printf(" (empty)\n");
        return;
    }
    // Line breaks of the stored text shown as lines of their own, indented.
    std::string line;
    bool multiLine = std::strchr(text, '\n') || std::strchr(text, '\r');
    std::printf(multiLine ? "\n" : " ");
    for (const char* p = text;; ++p) {
        if (*p == '\0' || *p == '\n') {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            std::printf(multiLine ? "  %s\n" : "%s\n", line.c_str());
            line.clear();
            if (*p == '\0') break;
        } else {
            line += *p;
        }
    }
}

int MakeCommand(const std::string& sourcePath, const std::string& outputPath)
{
    std::vector<unsigned char> sourceBytes;
    std::string problem;
    if (!ReadWholeFile(sourcePath, &sourceBytes, &problem)) return Fail(sourcePath, problem);
    SettingsSource source;
    if (!ParseSettingsSource(std::string(sourceBytes.begin(), sourceBytes.end()), &source, &problem)) {
        return Fail(sourcePath, problem);
    }
    StoredText texts[SettingsTextCount];
    for (std::size_t i = 0; i < SettingsTextCount; ++i) {
        texts[i].bytes = reinterpret_cast<const unsigned char*>(source.texts[i].data());
        texts[i].length = static_cast<std::uint16_t>(source.texts[i].size());
    }
    std::vector<unsigned char> image(MaxSettingsImageSize);
    std::size_t size = EncodeSettingsImage(source.storedBlock, texts, image.data());
    if (!WriteFileWhole(outputPath, image.data(), size, &problem)) return Fail(outputPath, problem);
    return 0;
}

int TextCommand(const std::string& path)
{
    std::vector<unsigned char> bytes;
    SettingsFileView view;
    int status;
    if (!ReadSettingsFile(path, &bytes, &view, &status)) return status;
    std::string text = WriteSettingsSource(view.storedBlock, view.texts);
    std::fwrite(text.data(), 1, text.size(), stdout);
    if (view.size < bytes.size()) {
        std::printf("# %zu bytes after the comments are not part of the settings and are left out\n",
                    bytes.size() - view.size);
    }
    return 0;
}

int ShowCommand(const std::string& path)
{
    std::vector<unsigned char> bytes;
    SettingsFileView view;
    int status;
    if (!ReadSettingsFile(path, &bytes, &view, &status)) return status;
    LoadIntoRecord(view);

    std::printf("Settings file %s\n\n", path.c_str());
    for (const SettingsField& f : SettingsFields) {
        const char* value = f.kind == FieldKind::Count
                                ? CountToGroupedText(false, ReadCountField(view.storedBlock, f.offset))
                                : ShareToText(ReadRealField(view.storedBlock, f.offset));
        std::printf("%-24s %s\n", f.name, value);
    }
    std::printf("%-24s %d\n", "CurrentPage", Settings.CurrentPage);
    PrintText("AuthorName", Settings.AuthorName);
    PrintText("AuthorAbout", Settings.AuthorAbout);
    PrintText("SettingsComments", Settings.SettingsComments);

    std::printf("\n");
    for (int line = 1; line <= ResultLineCount; ++line) {
        const std::string label = ResultLabel(line);
        const std::string value = ResultValueText(line);
        const std::string unit = ResultUnit(line);
        std::printf("%-68s %26s%s%s\n", label.c_str(), value.c_str(), unit.empty() ? "" : " ", unit.c_str());
    }
    std::printf("\n%s\n", ComposeSettingsLine(Settings.AuthorName, FileDateText(path).c_str()));
    return 0;
}

int CheckCommand(const std::string& path)
{
    std::vector<unsigned char> bytes;
    SettingsFileView view;
    int status;
    if (!ReadSettingsFile(path, &bytes, &view, &status)) return status;
    std::vector<std::string> refusals = WizardRefusals(view.storedBlock);
    for (const std::string& refusal : refusals) std::printf("%s: %s\n", path.c_str(), refusal.c_str());
    if (refusals.empty()) std::printf("%s: the settings wizard accepts every field\n", path.c_str());
    return refusals.empty() ? 0 : 1;
}

// show, diff, range and solve: their options, then the command; the usage
// when the number of files is wrong.
int OptionCommand(const std::string& command, const std::vector<std::string>& args)
{
    unsigned allowed = JsonOption;
    if (command == "range") allowed |= SamplesOption | SeedOption | ThreadsOption | SvgOption | PrintModelOption | ObserveOption | SobolOption;
    if (command == "solve") allowed |= ResultOption | TargetOption;
    CommandLine line;
    if (!ParseCommandLine(command.c_str(), args, allowed, &line)) return 2;
    std::size_t files = command == "show" || command == "solve" ? 1 : 2;
    // range: two settings files, or one range description.
    if (line.files.size() != files && !(command == "range" && line.files.size() == 1)) {
        std::fputs(Usage, stderr);
        return 2;
    }
    if (command == "show") return line.json ? ShowJsonCommand(line.files[0]) : ShowCommand(line.files[0]);
    if (command == "diff") return DiffCommand(line.files[0], line.files[1], line.json);
    if (command == "solve") return SolveCommand(line);
    return RangeCommand(line);
}

int RunCommand(int argc, char** argv)
{
    std::string command = argc > 1 ? argv[1] : "";
    if (command == "make" && argc == 4) return MakeCommand(argv[2], argv[3]);
    if (command == "text" && argc == 3) return TextCommand(argv[2]);
    if (command == "check" && argc == 3) return CheckCommand(argv[2]);
    if (command == "show" || command == "diff" || command == "range" || command == "solve") {
        return OptionCommand(command, std::vector<std::string>(argv + 2, argv + argc));
    }
    std::fputs(Usage, stderr);
    return 2;
}

}  // namespace

int main(int argc, char** argv)
{
    SetExtendedPrecision();
    const int status = RunCommand(argc, argv);
    // A text cut short by a full disk must not pass for a whole one.
    std::string problem;
    if (!StandardOutputWritten(&problem)) return Fail("standard output", problem);
    return status;
}
