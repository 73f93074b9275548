// hvdtool: reads, writes and checks Halvorendyne settings files (.hvd)
// with the program's own file layout, estimation chain and number texts.
//
//   hvdtool make SOURCE.txt OUT.hvd   settings file from its text form
//   hvdtool text FILE.hvd             the text form of a settings file
//   hvdtool show FILE.hvd             parameters, texts and the results screen's lines
//   hvdtool check FILE.hvd            the fields the settings wizard would refuse
//
// Exit status: 0 success, 1 check found refused fields, 2 bad input.
#include <sys/stat.h>

#include <cerrno>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "display/result_text.h"
#include "files/settings_image.h"
#include "model/estimation.h"
#include "model/extended_math.h"
#include "model/input_message.h"
#include "model/number_text.h"
#include "model/settings_record.h"
#include "tools/hvdtool/settings_check.h"
#include "tools/hvdtool/settings_fields.h"
#include "tools/hvdtool/settings_source.h"

namespace {

const char Usage[] =
    "usage: hvdtool make SOURCE.txt OUT.hvd\n"
    "       hvdtool text FILE.hvd\n"
    "       hvdtool show FILE.hvd\n"
    "       hvdtool check FILE.hvd\n";

// Files larger than this are certainly not settings files.
const std::size_t MaxInputSize = 16u << 20;

int Fail(const std::string& file, const std::string& problem)
{
    std::fprintf(stderr, "hvdtool: %s: %s\n", file.c_str(), problem.c_str());
    return 2;
}

bool ReadWholeFile(const std::string& path, std::vector<unsigned char>* bytes, std::string* problem)
{
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) {
        *problem = std::string("cannot open: ") + std::strerror(errno);
        return false;
    }
    bytes->clear();
    unsigned char chunk[65536];
    std::size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) {
        bytes->insert(bytes->end(), chunk, chunk + got);
        if (bytes->size() > MaxInputSize) {
            std::fclose(file);
            *problem = "larger than any settings file";
            return false;
        }
    }
    bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed) *problem = "read error";
    return !failed;
}

// Reads and checks a settings file; the view points into bytes.
bool ReadSettingsFile(const std::string& path, std::vector<unsigned char>* bytes, SettingsFileView* view, int* status)
{
    std::string problem;
    if (!ReadWholeFile(path, bytes, &problem)) {
        *status = Fail(path, problem);
        return false;
    }
    switch (DecodeSettingsImage(bytes->data(), bytes->size(), view)) {
    case ImageStatus::Complete: return true;
    case ImageStatus::BadHeader:
        *status = Fail(path, "not a settings file (the header is not \"Halvorendyne, File Version 1.01\")");
        return false;
    case ImageStatus::Truncated: break;
    }
    *status = Fail(path, "cut short: the file ends before its last text (" + std::to_string(bytes->size()) + " bytes)");
    return false;
}

// The record as the program holds it after loading the file.
void LoadIntoRecord(const SettingsFileView& view)
{
    std::memset(&Settings, 0, offsetof(SettingsRecord, AuthorName));
    InitSettingsRecord();
    ApplySettingsView(view);
    ComputeResults();
}

// The file's last-write date as the results screen writes it, or "?".
std::string FileDateText(const std::string& path)
{
    struct stat info;
    if (stat(path.c_str(), &info) != 0) return "?";
    std::time_t written = info.st_mtime;
    std::tm* local = std::localtime(&written);
    if (!local) return "?";
    return FormatCalendarDate(static_cast<std::uint16_t>(local->tm_mon + 1), static_cast<std::uint16_t>(local->tm_mday),
                              static_cast<std::uint16_t>(local->tm_year + 1900));
}

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

    // Written beside the target and renamed over it: never a partial file.
    std::string temporary = outputPath + ".partial";
    std::FILE* file = std::fopen(temporary.c_str(), "wb");
    if (!file) return Fail(outputPath, std::string("cannot create: ") + std::strerror(errno));
    bool written = std::fwrite(image.data(), 1, size, file) == size;
    written = std::fclose(file) == 0 && written;
    if (!written) {
        std::remove(temporary.c_str());
        return Fail(outputPath, "write error");
    }
    std::remove(outputPath.c_str());
    if (std::rename(temporary.c_str(), outputPath.c_str()) != 0) {
        std::remove(temporary.c_str());
        return Fail(outputPath, std::string("cannot replace: ") + std::strerror(errno));
    }
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

}  // namespace

int main(int argc, char** argv)
{
    SetExtendedPrecision();
    std::string command = argc > 1 ? argv[1] : "";
    if (command == "make" && argc == 4) return MakeCommand(argv[2], argv[3]);
    if (command == "text" && argc == 3) return TextCommand(argv[2]);
    if (command == "show" && argc == 3) return ShowCommand(argv[2]);
    if (command == "check" && argc == 3) return CheckCommand(argv[2]);
    std::fputs(Usage, stderr);
    return 2;
}
