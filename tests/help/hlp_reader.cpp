#include "tests/help/hlp_reader.h"

#include <cstdio>
#include <cstring>

namespace hlptest {

namespace {

const std::size_t BlockSize = 4096;
const std::size_t BlockData = BlockSize - 12;
const std::uint32_t None = 0xFFFFFFFFu;

bool Fail(std::string* problem, const std::string& text)
{
    *problem = text;
    return false;
}

std::string CString(const Bytes& bytes, std::size_t at, std::size_t limit)
{
    std::string text;
    for (std::size_t i = at; i < bytes.size() && i < at + limit && bytes[i] != 0; ++i) text += static_cast<char>(bytes[i]);
    return text;
}

bool ReadBTreeHeader(const Bytes& content, BTreeHeader* header, std::string* problem)
{
    if (content.size() < 38) return Fail(problem, "B+ tree shorter than its header");
    header->magic = Get16(content, 0);
    header->flags = Get16(content, 2);
    header->pageSize = Get16(content, 4);
    header->structure = CString(content, 6, 16);
    header->rootPage = Get16(content, 26);
    header->totalPages = Get16(content, 30);
    header->levels = Get16(content, 32);
    header->totalEntries = Get32(content, 34);
    if (header->magic != 0x293B) return Fail(problem, "B+ tree magic is not 0x293B");
    if (header->levels != 1) return Fail(problem, "this reader knows single-level B+ trees only");
    std::size_t page = 38 + static_cast<std::size_t>(header->rootPage) * header->pageSize;
    if (page + header->pageSize > content.size()) return Fail(problem, "B+ tree page beyond its file");
    header->unused = Get16(content, page);
    header->pageEntries = Get16(content, page + 2);
    return true;
}

// The viewer's compressed integers.
struct Cursor {
    const Bytes& bytes;
    std::size_t at;
    std::size_t end;
    bool ok = true;

    unsigned Byte()
    {
        if (at >= end) {
            ok = false;
            return 0;
        }
        return bytes[at++];
    }
    unsigned Word()
    {
        unsigned low = Byte();
        return low | (Byte() << 8);
    }
    std::uint32_t Long()
    {
        std::uint32_t low = Word();
        return low | (static_cast<std::uint32_t>(Word()) << 16);
    }
    long CompressedLong()
    {
        if (at < end && (bytes[at] & 1)) return (static_cast<long>(Long()) - 0x80000000L) / 2;
        return (static_cast<long>(Word()) - 0x8000) / 2;
    }
    unsigned CompressedUnsigned()
    {
        if (at < end && (bytes[at] & 1)) return Word() / 2;
        return Byte() / 2;
    }
    int CompressedShort()
    {
        if (at < end && (bytes[at] & 1)) return (static_cast<int>(Word()) - 0x8000) / 2;
        return (static_cast<int>(Byte()) - 0x80) / 2;
    }
};

}  // namespace

std::uint16_t Get16(const Bytes& bytes, std::size_t at)
{
    return static_cast<std::uint16_t>(bytes.at(at) | (bytes.at(at + 1) << 8));
}

std::uint32_t Get32(const Bytes& bytes, std::size_t at)
{
    return Get16(bytes, at) | (static_cast<std::uint32_t>(Get16(bytes, at + 2)) << 16);
}

std::int32_t Hash(const std::string& context)
{
    std::uint32_t hash = 0;
    for (char c : context) {
        int value = 0;
        if (c >= 'A' && c <= 'Z') value = c - 'A' + 17;
        if (c >= 'a' && c <= 'z') value = c - 'a' + 17;
        if (c >= '1' && c <= '9') value = c - '0';
        if (c == '0') value = 10;
        if (c == '.') value = 12;
        if (c == '_') value = 13;
        if (value) hash = hash * 43 + static_cast<std::uint32_t>(value);
    }
    return static_cast<std::int32_t>(hash);
}

std::string Paragraph::Text() const
{
    std::string text;
    for (const Run& run : runs) text += run.text;
    return text;
}

bool ReadFileBytes(const std::string& path, Bytes* bytes)
{
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return false;
    bytes->clear();
    unsigned char chunk[65536];
    std::size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) bytes->insert(bytes->end(), chunk, chunk + got);
    std::fclose(file);
    return true;
}

bool HelpFileReader::Load(const Bytes& file, std::string* problem)
{
    file_ = file;
    if (file_.size() < 16) return Fail(problem, "shorter than the file header");
    magic = Get32(file_, 0);
    directoryStart = Get32(file_, 4);
    firstFreeBlock = Get32(file_, 8);
    entireFileSize = Get32(file_, 12);
    if (magic != 0x00035F3F) return Fail(problem, "file magic is not 0x00035F3F");
    return ReadDirectory(problem) && ReadSystem(problem) && ReadMap(problem) && ReadContext(problem) &&
           ReadFonts(problem) && ReadTopics(problem);
}

bool HelpFileReader::ReadDirectory(std::string* problem)
{
    if (directoryStart + 9 > file_.size()) return Fail(problem, "directory beyond the file");
    std::uint32_t used = Get32(file_, directoryStart + 4);
    if (directoryStart + 9 + used > file_.size()) return Fail(problem, "directory runs past the file");
    Bytes content(file_.begin() + directoryStart + 9, file_.begin() + directoryStart + 9 + used);
    if (!ReadBTreeHeader(content, &directoryHeader, problem)) return false;
    std::size_t at = 38 + static_cast<std::size_t>(directoryHeader.rootPage) * directoryHeader.pageSize + 8;
    for (unsigned i = 0; i < directoryHeader.pageEntries; ++i) {
        InternalFile entry;
        entry.name = CString(content, at, 256);
        at += entry.name.size() + 1;
        if (at + 4 > content.size()) return Fail(problem, "directory entry beyond the page");
        entry.offset = Get32(content, at);
        at += 4;
        if (entry.offset + 9 > file_.size()) return Fail(problem, entry.name + " lies beyond the file");
        entry.reserved = Get32(file_, entry.offset);
        entry.used = Get32(file_, entry.offset + 4);
        if (entry.offset + 9 + entry.used > file_.size()) return Fail(problem, entry.name + " runs past the file");
        entry.content.assign(file_.begin() + entry.offset + 9, file_.begin() + entry.offset + 9 + entry.used);
        directory.push_back(entry);
    }
    return true;
}

const InternalFile* HelpFileReader::Find(const std::string& name) const
{
    for (const InternalFile& entry : directory) {
        int order = std::strcmp(entry.name.c_str(), name.c_str());
        if (order == 0) return &entry;
        if (order > 0) return nullptr;  // the viewer stops at the first greater name
    }
    return nullptr;
}

bool HelpFileReader::ReadSystem(std::string* problem)
{
    const InternalFile* system = Find("|SYSTEM");
    if (!system) return Fail(problem, "no |SYSTEM");
    const Bytes& s = system->content;
    if (s.size() < 12 || Get16(s, 0) != 0x036C) return Fail(problem, "|SYSTEM magic is not 0x036C");
    systemMinor = Get16(s, 2);
    systemMajor = Get16(s, 4);
    systemFlags = Get16(s, 10);
    for (std::size_t at = 12; at + 4 <= s.size();) {
        unsigned type = Get16(s, at);
        std::size_t size = Get16(s, at + 2);
        std::size_t data = at + 4;
        if (data + size > s.size()) return Fail(problem, "|SYSTEM record runs past the file");
        if (type == 1) title = CString(s, data, size);
        if (type == 3 && size == 4) contentsOffset = Get32(s, data);
        if (type == 4) macros.push_back(CString(s, data, size));
        if (type == 6) {
            if (size != 90) return Fail(problem, "|SYSTEM window record is not 90 bytes");
            if (CString(s, data + 12, 9) == "main" && (Get16(s, data) & 0x0004)) windowCaption = CString(s, data + 21, 51);
        }
        at = data + size;
    }
    return true;
}

bool HelpFileReader::ReadMap(std::string* problem)
{
    const InternalFile* file = Find("|CTXOMAP");
    if (!file) return Fail(problem, "no |CTXOMAP");
    const Bytes& m = file->content;
    unsigned count = Get16(m, 0);
    if (2 + count * 8u != m.size()) return Fail(problem, "|CTXOMAP size does not match its entry count");
    for (unsigned i = 0; i < count; ++i) map.emplace_back(static_cast<std::int32_t>(Get32(m, 2 + 8 * i)), Get32(m, 6 + 8 * i));
    return true;
}

bool HelpFileReader::ReadContext(std::string* problem)
{
    const InternalFile* file = Find("|CONTEXT");
    if (!file) return Fail(problem, "no |CONTEXT");
    if (!ReadBTreeHeader(file->content, &contextHeader, problem)) return false;
    std::size_t at = 38 + static_cast<std::size_t>(contextHeader.rootPage) * contextHeader.pageSize + 8;
    for (unsigned i = 0; i < contextHeader.pageEntries; ++i, at += 8) {
        contexts.emplace_back(static_cast<std::int32_t>(Get32(file->content, at)), Get32(file->content, at + 4));
    }
    return true;
}

bool HelpFileReader::ReadFonts(std::string* problem)
{
    const InternalFile* file = Find("|FONT");
    if (!file) return Fail(problem, "no |FONT");
    const Bytes& f = file->content;
    unsigned faces = Get16(f, 0), descriptors = Get16(f, 2), faceOffset = Get16(f, 4), descriptorOffset = Get16(f, 6);
    if (faces == 0) return Fail(problem, "|FONT has no face names (the viewer divides by their number)");
    std::size_t slot = (descriptorOffset - faceOffset) / faces;
    for (unsigned i = 0; i < descriptors; ++i) {
        std::size_t at = descriptorOffset + 11 * i;
        if (at + 11 > f.size()) return Fail(problem, "|FONT descriptor beyond the file");
        Font font;
        font.attributes = f[at];
        font.halfPoints = f[at + 1];
        font.family = f[at + 2];
        unsigned face = Get16(f, at + 3);
        if (face >= faces) return Fail(problem, "|FONT descriptor names a missing face");
        font.face = CString(f, faceOffset + face * slot, slot);
        fonts.push_back(font);
    }
    return true;
}

bool HelpFileReader::ReadTopics(std::string* problem)
{
    const InternalFile* file = Find("|TOPIC");
    if (!file) return Fail(problem, "no |TOPIC");
    const Bytes& t = file->content;
    if (t.empty() || t.size() % BlockSize != 0) return Fail(problem, "|TOPIC is not a whole number of 4 KB blocks");
    topicBlocks = t.size() / BlockSize;
    // Uncompressed blocks, their headers dropped: the viewer's view.
    Bytes data;
    for (std::size_t b = 0; b < topicBlocks; ++b) data.insert(data.end(), t.begin() + b * BlockSize + 12, t.begin() + (b + 1) * BlockSize);

    std::uint32_t reference = 12, previous = None;
    std::size_t currentBlock = static_cast<std::size_t>(-1);
    std::uint32_t offsetInBlock = 0;
    for (std::size_t steps = 0; reference != None; ++steps) {
        if (steps > data.size()) return Fail(problem, "the link chain loops");
        std::size_t block = (reference - 12) >> 14, offset = (reference - 12) & 0x3FFF;
        if (block >= topicBlocks || offset >= BlockData) return Fail(problem, "a link position lies outside |TOPIC");
        std::size_t at = block * BlockData + offset;
        if (at + 21 > data.size()) return Fail(problem, "a link header runs past |TOPIC");
        std::uint32_t size = Get32(data, at), length2 = Get32(data, at + 4), back = Get32(data, at + 8),
                      next = Get32(data, at + 12), length1 = Get32(data, at + 16);
        unsigned type = data[at + 20];
        if (back != previous) return Fail(problem, "PrevBlock does not name the previous link");
        if (size != length1 + length2 || at + size > data.size()) return Fail(problem, "link sizes do not add up");
        if (offset + length1 > BlockData) return Fail(problem, "a link's header and LinkData1 cross a block border");
        if (block != currentBlock) {
            currentBlock = block;
            offsetInBlock = 0;
        }
        Bytes data2(data.begin() + at + length1, data.begin() + at + size);
        if (type == 0x02) {
            if (length1 != 21 + 28) return Fail(problem, "topic header LinkData1 is not 28 bytes");
            Topic topic;
            topic.title = std::string(data2.begin(), data2.end());
            topic.offset = static_cast<std::uint32_t>(block * 0x8000 + offsetInBlock);
            topic.position = reference;
            topic.browseBack = Get32(data, at + 25);
            topic.browseForward = Get32(data, at + 29);
            topic.number = Get32(data, at + 33);
            if (next == None && data2.empty() && topic.number == topics.size()) {
                endMarker = true;
                markerOffset_ = topic.offset;
            } else {
                topics.push_back(topic);
            }
        } else if (type == 0x20) {
            if (topics.empty()) return Fail(problem, "text before the first topic header");
            Cursor c{data, at + 21, at + length1};
            long topicSize = c.CompressedLong();
            unsigned topicLength = c.CompressedUnsigned();
            std::size_t afterLength = c.at;
            if (topicLength != length2) return Fail(problem, "TopicLength is not the LinkData2 length");
            if (static_cast<std::size_t>(topicSize) != at + length1 - afterLength) return Fail(problem, "TopicSize is not the rest of LinkData1");
            if (c.Byte() != 0x00 || c.Byte() != 0x80) return Fail(problem, "paragraph format does not start with 00 80");
            c.Word();  // paragraph id
            Paragraph paragraph;
            paragraph.formatBits = static_cast<std::uint16_t>(c.Word());
            std::uint16_t bits = paragraph.formatBits;
            if (bits & 0x0001) c.CompressedLong();
            for (std::uint16_t bit : {0x0002, 0x0004, 0x0008, 0x0010, 0x0020, 0x0040}) {
                if (bits & bit) c.CompressedShort();
            }
            if (bits & 0x0100) {
                c.Byte();
                c.Word();
            }
            if (bits & 0x0200) {
                int tabs = c.CompressedShort();
                for (int i = 0; i < tabs; ++i) {
                    if (c.CompressedUnsigned() & 0x4000) c.CompressedUnsigned();
                }
            }
            // Texts and commands alternate: a text, then the next command.
            std::size_t text = 0;
            int font = -1;
            bool inJump = false;
            std::int32_t jumpHash = 0;
            unsigned jumpCommand = 0;
            std::vector<Paragraph> found;
            for (;;) {
                std::size_t nul = text;
                while (nul < data2.size() && data2[nul] != 0) ++nul;
                if (nul >= data2.size()) return Fail(problem, "LinkData2 ends without a NUL");
                if (nul > text) paragraph.runs.push_back(Run{std::string(data2.begin() + text, data2.begin() + nul), font, inJump, jumpHash, jumpCommand});
                text = nul + 1;
                unsigned command = c.Byte();
                if (!c.ok) return Fail(problem, "the commands end without 0xFF");
                if (command == 0xFF) break;
                switch (command) {
                case 0x80: font = static_cast<int>(c.Word()); break;
                case 0x81: paragraph.runs.push_back(Run{"\n", font, false, 0, 0}); break;
                case 0x82:
                    found.push_back(paragraph);
                    paragraph.runs.clear();
                    break;
                case 0x83: paragraph.runs.push_back(Run{"\t", font, false, 0, 0}); break;
                case 0x89:
                    if (!inJump) return Fail(problem, "hotspot end without a jump");
                    inJump = false;
                    break;
                case 0xE2:
                case 0xE3:
                case 0xE6:
                case 0xE7:
                    if (inJump) return Fail(problem, "a jump inside a jump");
                    inJump = true;
                    jumpCommand = command;
                    jumpHash = static_cast<std::int32_t>(c.Long());
                    break;
                default: return Fail(problem, "unknown topic command " + std::to_string(command));
                }
                if (!c.ok) return Fail(problem, "a command runs past LinkData1");
            }
            if (inJump) return Fail(problem, "a jump without its hotspot end");
            if (text != data2.size()) return Fail(problem, "LinkData2 holds more texts than commands");
            if (c.at != c.end) return Fail(problem, "LinkData1 holds bytes after the end command");
            if (!paragraph.runs.empty()) found.push_back(paragraph);
            for (const Paragraph& p : found) {
                for (const Run& run : p.runs) {
                    if (run.font < 0) return Fail(problem, "text before any font command");
                    if (static_cast<std::size_t>(run.font) >= fonts.size()) return Fail(problem, "a font command names a missing font");
                }
                topics.back().paragraphs.push_back(p);
            }
            offsetInBlock += topicLength;
        } else {
            return Fail(problem, "unknown link type " + std::to_string(type));
        }
        previous = reference;
        reference = next;
    }
    return true;
}

const Topic* HelpFileReader::TopicAt(std::uint32_t offset) const
{
    const Topic* found = nullptr;
    bool markerFound = false;
    for (const Topic& topic : topics) {
        if (topic.offset <= offset && (!found || found->offset < topic.offset)) found = &topic;
    }
    if (endMarker && markerOffset_ <= offset && (!found || found->offset < markerOffset_)) markerFound = true;
    return markerFound ? nullptr : found;
}

const Topic* HelpFileReader::TopicForMap(std::int32_t number) const
{
    for (const auto& entry : map) {
        if (entry.first == number) return TopicAt(entry.second);
    }
    return nullptr;
}

const Topic* HelpFileReader::TopicForHash(std::int32_t hash) const
{
    for (const auto& entry : contexts) {
        if (entry.first == hash) return TopicAt(entry.second);
        if (entry.first > hash) return nullptr;  // the viewer's leaf search stops here
    }
    return nullptr;
}

}  // namespace hlptest
