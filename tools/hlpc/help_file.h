// The WinHelp file that hlpc writes (WinHelp 4.0 layout, uncompressed):
// a 16-byte header, the internal files |CONTEXT, |CTXOMAP, |FONT, |SYSTEM
// and |TOPIC, and the directory, a one-page B+ tree of their names. All
// integers are little-endian. tools/hlpc/README.md lists the details.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/hlpc/help_source.h"

namespace hlpc {

// Fonts of |FONT, by index; the topic commands select them.
enum FontIndex : std::uint16_t {
    FontBody = 0,
    FontBold = 1,
    FontItalic = 2,
    FontBoldItalic = 3,
    FontTitle = 4,
    FontHeading = 5,
    FontCount = 6,
};

// WinHelp's hash of a context string: h = 43 h + value(c) over the
// characters, modulo 2^32, read as signed. Letters count 17..42 in either
// case, '1'..'9' 1..9, '0' 10, '.' 12, '_' 13; other characters count
// nothing.
std::int32_t ContextHash(const std::string& context);

// Windows-1252 bullet, drawn in front of list items.
const char BulletCharacter = '\x95';

// The complete help file for a parsed, checked document.
std::vector<unsigned char> WriteHelpFile(const HelpDocument& document);

}  // namespace hlpc
