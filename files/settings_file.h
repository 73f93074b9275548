// Settings files on disk: the writer and the reader of ".hvd" files.
// Each call opens, transfers and closes its file; no file stays open.
// Failures are reported in message boxes owned by the main window.
#pragma once

// Writes the SettingsRecord to path. A read-only file is made writable
// first. True when every byte was written; then SettingsChanged is cleared
// and, with showMessages, "Settings saved." is shown. A file that cannot be
// created is reported only with showMessages; a short write always.
bool SaveSettings(const char* path, bool showMessages);

// The same save without any message box, for when nobody may be asked (the
// end of the Windows session).
bool SaveSettingsQuietly(const char* path);

// Reads path completely and checks it before anything is replaced: on
// success the record's stored block, its texts and SettingsFileTime are
// replaced and the results recomputed; on any failure nothing changes.
bool LoadSettings(const char* path);
