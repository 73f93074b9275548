// A reader of WinHelp files for the tests, written apart from hlpc: it
// looks things up the way Wine's viewer does (directory search that stops
// at the first greater name, map number -> TOPICOFFSET -> the topic header
// with the largest offset not above it, the link walk through NextBlock),
// so that what it finds is what the viewer would show.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace hlptest {

typedef std::vector<unsigned char> Bytes;

std::uint16_t Get16(const Bytes& bytes, std::size_t at);
std::uint32_t Get32(const Bytes& bytes, std::size_t at);

// WinHelp's context-string hash (as the viewer computes it).
std::int32_t Hash(const std::string& context);

struct InternalFile {
    std::string name;
    std::uint32_t offset = 0;    // of its 9-byte file header
    std::uint32_t reserved = 0;  // ReservedSpace
    std::uint32_t used = 0;      // UsedSpace
    Bytes content;               // UsedSpace bytes after the file header
};

struct BTreeHeader {
    std::uint16_t magic = 0;
    std::uint16_t flags = 0;
    std::uint16_t pageSize = 0;
    std::string structure;
    std::uint16_t rootPage = 0;
    std::uint16_t totalPages = 0;
    std::uint16_t levels = 0;
    std::uint32_t totalEntries = 0;
    std::uint16_t pageEntries = 0;   // NEntries of the (single) leaf page
    std::uint16_t unused = 0;        // Unused of that page
};

// One piece of a paragraph as the viewer draws it.
struct Run {
    std::string text;
    int font = -1;          // the font in force
    bool inJump = false;    // between a jump command and its hotspot end
    std::int32_t jumpHash = 0;
    unsigned jumpCommand = 0;  // 0xE3 jump, 0xE2 pop-up, ...
};

struct Paragraph {
    std::vector<Run> runs;
    std::uint16_t formatBits = 0;
    std::string Text() const;  // the runs' texts; a line break is "\n", a tab "\t"
};

struct Topic {
    std::string title;             // from the topic header
    std::uint32_t offset = 0;      // TOPICOFFSET, as the viewer computes it
    std::uint32_t position = 0;    // TOPICPOS of the header link
    std::uint32_t browseBack = 0;
    std::uint32_t browseForward = 0;
    std::uint32_t number = 0;
    std::vector<Paragraph> paragraphs;
};

struct Font {
    std::uint8_t attributes = 0;
    std::uint8_t halfPoints = 0;
    std::uint8_t family = 0;
    std::string face;
};

class HelpFileReader {
public:
    // Reads and checks everything the tests look at; false with a reason.
    bool Load(const Bytes& file, std::string* problem);

    std::uint32_t magic = 0, directoryStart = 0, firstFreeBlock = 0, entireFileSize = 0;
    BTreeHeader directoryHeader;
    std::vector<InternalFile> directory;  // in page order
    std::uint16_t systemMinor = 0, systemMajor = 0, systemFlags = 0;
    std::string title;                    // |SYSTEM record 1
    std::string windowCaption;            // of the "main" window record (6)
    std::uint32_t contentsOffset = 0xFFFFFFFF;  // record 3
    std::vector<std::string> macros;      // records 4
    std::vector<std::pair<std::int32_t, std::uint32_t>> map;       // |CTXOMAP, stored order
    BTreeHeader contextHeader;
    std::vector<std::pair<std::int32_t, std::uint32_t>> contexts;  // |CONTEXT, stored order
    std::vector<Font> fonts;
    std::vector<Topic> topics;            // without the end marker
    std::size_t topicBlocks = 0;
    bool endMarker = false;               // a last, empty topic header closes the chain

    // The directory search of the viewer; null when it does not find name.
    const InternalFile* Find(const std::string& name) const;
    // The topic the viewer shows for a TOPICOFFSET; null for none.
    const Topic* TopicAt(std::uint32_t offset) const;
    const Topic* TopicForMap(std::int32_t number) const;
    const Topic* TopicForHash(std::int32_t hash) const;

private:
    bool ReadDirectory(std::string* problem);
    bool ReadSystem(std::string* problem);
    bool ReadMap(std::string* problem);
    bool ReadContext(std::string* problem);
    bool ReadFonts(std::string* problem);
    bool ReadTopics(std::string* problem);

    Bytes file_;
    std::uint32_t markerOffset_ = 0;
};

bool ReadFileBytes(const std::string& path, Bytes* bytes);

}  // namespace hlptest
