#include "tools/tool_output.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace {

// The file's buffers handed to the disk: a rename after a power failure
// must not find an empty file.
bool SyncToDisk(std::FILE* file)
{
#ifdef _WIN32
    HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)));
    return handle != INVALID_HANDLE_VALUE && FlushFileBuffers(handle);
#else
    return fsync(fileno(file)) == 0;
#endif
}

std::string SystemProblem(const char* what)
{
    return std::string(what) + ": " + std::strerror(errno);
}

}  // namespace

bool ReplaceWith(const std::string& from, const std::string& to, std::string* problem)
{
#ifdef _WIN32
    if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return true;
    *problem = "cannot replace: error " + std::to_string(GetLastError());
    return false;
#else
    if (std::rename(from.c_str(), to.c_str()) == 0) return true;
    *problem = SystemProblem("cannot replace");
    return false;
#endif
}

bool WriteFileWhole(const std::string& path, const void* bytes, std::size_t size, std::string* problem)
{
    const std::string partial = path + ".partial";
    std::FILE* file = std::fopen(partial.c_str(), "wb");
    if (!file) {
        *problem = SystemProblem("cannot create");
        return false;
    }
    bool written = std::fwrite(bytes, 1, size, file) == size && std::fflush(file) == 0 && SyncToDisk(file);
    written = std::fclose(file) == 0 && written;
    if (!written) {
        std::remove(partial.c_str());
        *problem = "write error";
        return false;
    }
    if (!ReplaceWith(partial, path, problem)) {
        std::remove(partial.c_str());  // the old file is still in place
        return false;
    }
    return true;
}

bool StandardOutputWritten(std::string* problem)
{
    errno = 0;
    bool written = std::fflush(stdout) == 0 && !std::ferror(stdout);
    written = std::fclose(stdout) == 0 && written;
    if (!written) *problem = errno != 0 ? std::strerror(errno) : "write error";
    return written;
}
