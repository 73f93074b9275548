// The readable text form of a settings file, which hvdtool makes files
// from (make) and writes back (text):
//
//   # a comment line; blank lines are ignored
//   StarCount = 200,000,000,000        # counts: digits, commas, a minus sign
//   PlanetShare = 0.5                  # reals: decimal, 1e-3, or bits:0x7F800000
//   CurrentPage = 1                    # optional, default 1
//   Reserved = 00 01 ...               # optional, 80 bytes in hex, default zeros
//   AuthorName = Team A                # the rest of the line, trimmed
//   AuthorName = "  two\r\nlines "     # quoted: \\ \" \r \n \t \xHH escapes
//   SettingsComments = <<END           # lines up to END, joined by CR LF
//   first line
//   second line
//   END
//
// All twenty-two parameters must be given, each once; texts are optional
// (absent means empty). Writing then reading a file's text form gives the
// file's bytes back exactly.
#pragma once

#include <string>
#include <vector>

#include "files/settings_image.h"

struct SettingsSource {
    unsigned char storedBlock[189];
    std::string texts[SettingsTextCount];  // AuthorName, AuthorAbout, SettingsComments
};

// Parses source text; on failure returns false with "line N: problem".
bool ParseSettingsSource(const std::string& source, SettingsSource* out, std::string* error);

// The text form of a stored block and its three stored texts.
std::string WriteSettingsSource(const unsigned char* storedBlock, const StoredText texts[SettingsTextCount]);

// The lines of a source text, without their line ends (LF or CR LF).
std::vector<std::string> SourceLines(const std::string& source);

// The text without the spaces and tabs at either end.
std::string TrimmedText(const std::string& text);

// A text in double quotes with \\ \" \r \n \t \xHH escapes, as the text
// form writes a text that needs them: "two\r\nlines".
std::string QuotedSettingsText(const std::string& text);

// Exact decimal text of a count with comma grouping: -1,234,567.
std::string ExactCountText(long long value);

// A text that reads back as exactly this float: the share text when that
// is exact, else nine significant digits, else the bits.
std::string ExactRealText(float value);
