// hlpc: compiles a help source (tools/hlpc/README.md) into a WinHelp file,
// or writes the same help as an HTML Help project.
//
//   hlpc SOURCE.txt OUT.hlp
//   hlpc --html SOURCE.txt FOLDER
//
// Exit status 0 when OUT.hlp or FOLDER was written. Any problem prints one
// line on stderr, "SOURCE.txt:LINE: problem" for a mistake in the source,
// and exits with 2; the output is then not created (an older one stays as
// it was).
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "tools/hlpc/help_file.h"
#include "tools/hlpc/help_source.h"
#include "tools/hlpc/html_help.h"
#include "tools/tool_output.h"

namespace fs = std::filesystem;

namespace {

const char Usage[] =
    "usage: hlpc SOURCE.txt OUT.hlp\n"
    "       hlpc --html SOURCE.txt FOLDER\n";

// Larger sources are certainly not help sources (the file format cannot
// hold them either).
const std::size_t MaxSourceSize = 4u << 20;

int Fail(const std::string& message)
{
    std::fprintf(stderr, "%s\n", message.c_str());
    return 2;
}

bool ReadSource(const char* path, std::string* text, std::string* problem)
{
    std::FILE* file = std::fopen(path, "rb");
    if (!file) {
        *problem = std::string("cannot open: ") + std::strerror(errno);
        return false;
    }
    text->clear();
    char chunk[65536];
    std::size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) {
        text->append(chunk, got);
        if (text->size() > MaxSourceSize) {
            std::fclose(file);
            *problem = "larger than any help source (4 MB)";
            return false;
        }
    }
    bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed) *problem = "read error";
    return !failed;
}

bool WriteBytes(const std::string& path, const std::string& bytes, std::string* problem)
{
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        *problem = std::string("cannot create: ") + std::strerror(errno);
        return false;
    }
    bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    bool closed = std::fclose(file) == 0;
    if (!written || !closed) {
        std::remove(path.c_str());
        *problem = "write error";
        return false;
    }
    return true;
}

// Only a folder of the kinds of files that hlpc --html writes is replaced
// as a whole: a mistyped FOLDER argument must not cost anyone their files.
bool HoldsOnlyHtmlHelp(const fs::path& folder)
{
    std::error_code error;
    for (fs::directory_iterator entry(folder, error), end; !error && entry != end; entry.increment(error)) {
        const std::string extension = entry->path().extension().string();
        if (!entry->is_regular_file(error) ||
            (extension != ".html" && extension != ".css" && extension != ".hhc" && extension != ".hhp")) {
            return false;
        }
    }
    return !error;
}

// A folder that can be replaced: none yet, or one of HTML Help files only.
bool Replaceable(const fs::path& folder)
{
    std::error_code error;
    if (!fs::exists(folder, error)) return !error;
    return fs::is_directory(folder, error) && HoldsOnlyHtmlHelp(folder);
}

// Writes the files into FOLDER.partial and puts that in FOLDER's place only
// when all are written, so that FOLDER never holds a half-written project.
bool WriteFolderWhole(const std::string& path, const std::vector<hlpc::HtmlHelpFile>& files, std::string* problem)
{
    const fs::path folder(path);
    const fs::path partial(path + ".partial");
    if (!Replaceable(folder)) {
        *problem = "holds other files than an HTML Help project; not replaced";
        return false;
    }
    if (!Replaceable(partial)) {
        *problem = "cannot create: " + partial.string() + " is in the way";
        return false;
    }
    std::error_code error;
    fs::remove_all(partial, error);
    if (error || !fs::create_directory(partial, error)) {
        *problem = "cannot create: " + error.message();
        return false;
    }
    for (const hlpc::HtmlHelpFile& file : files) {
        std::string fileProblem;
        if (!WriteBytes((partial / file.name).string(), file.text, &fileProblem)) {
            *problem = file.name + ": " + fileProblem;
            fs::remove_all(partial, error);
            return false;
        }
    }
    // The old folder is moved aside, not deleted, until the new one is in
    // its place: a failure in between puts it back.
    const fs::path old(path + ".old");
    const bool hadFolder = fs::exists(folder, error);
    if (!error && Replaceable(old)) fs::remove_all(old, error);
    if (!error && hadFolder) fs::rename(folder, old, error);
    if (error) {
        *problem = "cannot replace the folder: " + error.message();
        fs::remove_all(partial, error);
        return false;
    }
    fs::rename(partial, folder, error);
    if (error) {
        *problem = "cannot replace the folder: " + error.message();
        if (hadFolder) fs::rename(old, folder, error);
        fs::remove_all(partial, error);
        return false;
    }
    if (hadFolder) fs::remove_all(old, error);
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    const bool html = argc == 4 && std::strcmp(argv[1], "--html") == 0;
    const bool hlp = argc == 3 && std::strncmp(argv[1], "--", 2) != 0;
    if (!hlp && !html) {
        std::fputs(Usage, stderr);
        return 2;
    }
    const std::string sourcePath = argv[html ? 2 : 1];
    std::string outputPath = argv[html ? 3 : 2];
    // "out/" names the folder "out", not an entry in it.
    while (html && outputPath.size() > 1 && (outputPath.back() == '/' || outputPath.back() == '\\')) outputPath.pop_back();

    std::string source;
    std::string problem;
    if (!ReadSource(sourcePath.c_str(), &source, &problem)) return Fail(sourcePath + ": " + problem);

    hlpc::HelpDocument document;
    hlpc::SourceError error;
    if (!hlpc::ParseHelpSource(source, &document, &error)) {
        return Fail(sourcePath + ":" + std::to_string(error.line) + ": " + error.problem);
    }
    if (html) {
        // The project takes the source's name: Halvdyne.txt gives Halvdyne.hhp.
        const std::string projectName = fs::path(sourcePath).stem().string();
        if (!WriteFolderWhole(outputPath, hlpc::WriteHtmlHelp(document, projectName), &problem)) {
            return Fail(outputPath + ": " + problem);
        }
        return 0;
    }
    const std::vector<unsigned char> help = hlpc::WriteHelpFile(document);
    if (!WriteFileWhole(outputPath, help.data(), help.size(), &problem)) return Fail(outputPath + ": " + problem);
    return 0;
}
