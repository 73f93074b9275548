#include "tools/hvdtool/tool_files.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "display/result_text.h"
#include "model/estimation.h"
#include "model/settings_record.h"
#include "tools/hvdtool/settings/settings_check.h"

namespace {

// Files larger than this are certainly not settings files.
const std::size_t MaxInputSize = 16u << 20;

}  // namespace

int Fail(const std::string& what, const std::string& problem)
{
    std::fprintf(stderr, "hvdtool: %s: %s\n", what.c_str(), problem.c_str());
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

bool WizardAccepts(const std::string& path, const SettingsFileView& view, int* status)
{
    std::vector<std::string> refusals = WizardRefusals(view.storedBlock);
    if (refusals.empty()) return true;
    *status = Fail(path, "the settings wizard would refuse it (" + refusals[0] + "); see hvdtool check");
    return false;
}

void LoadIntoRecord(const SettingsFileView& view)
{
    std::memset(&Settings, 0, offsetof(SettingsRecord, AuthorName));
    InitSettingsRecord();
    ApplySettingsView(view);
    ComputeResults();
}

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
