// Settings files on disk: the writer and the reader of ".hvd" files.
// Each call opens, transfers and closes its file; no file stays open.
// Failures are reported in message boxes owned by the main window.
#pragma once

// Writes the SettingsRecord to path: into a new file in the same folder,
// flushed, which then replaces the old file in one step, keeping its
// permissions, owner, streams and attributes where Windows can (ReplaceFileA,
// Windows 2000 on); a read-only old file loses that attribute, its hidden
// and system attributes are kept. Where no new file can be made beside it
// (no right to create files there, a folder of 246 characters or more),
// the file is rewritten in place, but only when the disk has room for all
// of it. True when every byte got there; then SettingsChanged is cleared
// and, with showMessages, "Settings saved." is shown. A failure before the
// old file is touched (no room, a file that cannot be made or put in
// place) leaves it as it was and is reported only with showMessages; a
// failed write always (in place, it leaves the file damaged). A new file
// that cannot be deleted after a failure is left behind.
bool SaveSettings(const char* path, bool showMessages);

// The same save without any message box, for when nobody may be asked (the
// end of the Windows session).
bool SaveSettingsQuietly(const char* path);

// Program start: deletes the new files of saves that never finished (the
// process ended halfway) from folder, given with its trailing backslash:
// names "hvd" + 1 to 4 hex digits + ".tmp", last written at least 10
// minutes ago, so that another copy's running save keeps its file. One that
// another process holds open stays.
void RemoveLeftoverNewFiles(const char* folder);

// Reads path completely and checks it before anything is replaced: on
// success the record's stored block, its texts and SettingsFileTime are
// replaced and the results recomputed; on any failure nothing changes.
bool LoadSettings(const char* path);
