// hlpc: compiles a help source (tools/hlpc/README.md) into a WinHelp file.
//
//   hlpc SOURCE.txt OUT.hlp
//
// Exit status 0 when OUT.hlp was written. Any problem prints one line on
// stderr, "SOURCE.txt:LINE: problem" for a mistake in the source, and
// exits with 2; OUT.hlp is then not created (an older one stays as it was).
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "tools/hlpc/help_file.h"
#include "tools/hlpc/help_source.h"

namespace {

const char Usage[] = "usage: hlpc SOURCE.txt OUT.hlp\n";

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

// Writes beside the target first, so that a failed write leaves no
// partial help file under the target's name.
bool WriteFileWhole(const std::string& path, const std::vector<unsigned char>& bytes, std::string* problem)
{
    const std::string partial = path + ".partial";
    std::FILE* file = std::fopen(partial.c_str(), "wb");
    if (!file) {
        *problem = std::string("cannot create: ") + std::strerror(errno);
        return false;
    }
    bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    bool closed = std::fclose(file) == 0;
    if (!written || !closed) {
        std::remove(partial.c_str());
        *problem = "write error";
        return false;
    }
    std::remove(path.c_str());  // rename does not replace a file everywhere
    if (std::rename(partial.c_str(), path.c_str()) != 0) {
        *problem = std::string("cannot rename the finished file: ") + std::strerror(errno);
        std::remove(partial.c_str());
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fputs(Usage, stderr);
        return 2;
    }
    const std::string sourcePath = argv[1];
    const std::string outputPath = argv[2];

    std::string source;
    std::string problem;
    if (!ReadSource(sourcePath.c_str(), &source, &problem)) return Fail(sourcePath + ": " + problem);

    hlpc::HelpDocument document;
    hlpc::SourceError error;
    if (!hlpc::ParseHelpSource(source, &document, &error)) {
        return Fail(sourcePath + ":" + std::to_string(error.line) + ": " + error.problem);
    }
    if (!WriteFileWhole(outputPath, hlpc::WriteHelpFile(document), &problem)) return Fail(outputPath + ": " + problem);
    return 0;
}
