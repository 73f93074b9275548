// Output of the command-line tools (hvdtool, hlpc, iconmaker): files that
// are replaced whole or not at all, and standard output checked before a
// tool reports success.
#pragma once

#include <cstddef>
#include <string>

// Writes the bytes to "PATH.partial", flushes them to the disk and closes
// the file, every step checked, then puts it in path's place in one step
// (rename; MoveFileExA on Windows, where rename does not replace). On any
// failure the old file at path is as it was and no partial file is left;
// false with the problem ("cannot create: ...", "write error", ...).
bool WriteFileWhole(const std::string& path, const void* bytes, std::size_t size, std::string* problem);

// Moves the finished from over to; to may exist and is replaced in one step.
bool ReplaceWith(const std::string& from, const std::string& to, std::string* problem);

// Flushes standard output and closes it, checked: false with the problem
// when anything written to it did not get there (a full disk, a closed
// pipe). Call once, at the end, before reporting success.
bool StandardOutputWritten(std::string* problem);
