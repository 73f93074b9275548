#include "tools/hlpc/help_file.h"

#include <algorithm>
#include <cstring>
#include <tuple>
#include <utility>

namespace hlpc {

namespace {

typedef std::vector<unsigned char> Bytes;

const std::uint32_t None = 0xFFFFFFFFu;

// |TOPIC is cut into 4 KB blocks: a 12-byte header and 4084 bytes of links.
const std::size_t TopicBlockSize = 4096;
const std::size_t TopicBlockHeader = 12;
const std::size_t TopicBlockData = TopicBlockSize - TopicBlockHeader;
const std::size_t LinkHeaderSize = 21;

const std::uint8_t RecordTopicHeader = 0x02;
const std::uint8_t RecordText = 0x20;

// Topic commands inside a text link.
const std::uint8_t CommandFont = 0x80;
const std::uint8_t CommandLineBreak = 0x81;
const std::uint8_t CommandParagraphEnd = 0x82;
const std::uint8_t CommandTab = 0x83;
const std::uint8_t CommandHotspotEnd = 0x89;
const std::uint8_t CommandJump = 0xE3;  // jump to a context hash, with the link colour
const std::uint8_t CommandEnd = 0xFF;

// Paragraph format bits and the values that follow them.
const std::uint16_t SpaceAboveBit = 0x0002;
const std::uint16_t LeftIndentBit = 0x0010;
const std::uint16_t FirstLineIndentBit = 0x0040;
const std::uint16_t TabStopsBit = 0x0200;

void Put8(Bytes* out, unsigned value)
{
    out->push_back(static_cast<unsigned char>(value & 0xFF));
}

void Put16(Bytes* out, unsigned value)
{
    Put8(out, value);
    Put8(out, value >> 8);
}

void Put32(Bytes* out, std::uint32_t value)
{
    Put16(out, value & 0xFFFF);
    Put16(out, value >> 16);
}

void PutText(Bytes* out, const std::string& text, std::size_t field)
{
    for (std::size_t i = 0; i < field; ++i) Put8(out, i < text.size() ? static_cast<unsigned char>(text[i]) : 0);
}

void Patch32(Bytes* out, std::size_t at, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i) (*out)[at + i] = static_cast<unsigned char>(value >> (8 * i));
}

// Compressed unsigned: one byte 2n below 128, else two bytes 2n + 1.
void PutCompressedUnsigned(Bytes* out, unsigned n)
{
    if (n < 128) {
        Put8(out, 2 * n);
    } else {
        Put16(out, 2 * n + 1);
    }
}

// Compressed signed short: one byte 0x80 + 2n for -64..63, else two bytes
// 0x8000 + 2n + 1 (used only for positive n).
void PutCompressedShort(Bytes* out, int n)
{
    if (n >= -64 && n < 64) {
        Put8(out, static_cast<unsigned>(0x80 + 2 * n));
    } else {
        Put16(out, static_cast<unsigned>(0x8000 + 2 * n + 1));
    }
}

// Compressed signed long: two bytes 2(n + 2^14) in -2^14..2^14-1, else four
// bytes 2(n + 2^30) + 1.
void PutCompressedLong(Bytes* out, long n)
{
    if (n >= -16384 && n < 16384) {
        Put16(out, static_cast<unsigned>(2 * (n + 16384)));
    } else {
        Put32(out, static_cast<std::uint32_t>(2 * (n + 1073741824L) + 1));
    }
}

// One paragraph's text link: the commands (LinkData1's tail) and the
// NUL-separated texts (LinkData2). The viewer shows a text, carries out
// the next command, and so on; the last command ends the link.
class ParagraphEncoder {
public:
    void Text(const std::string& text) { pending_ += text; }

    void Font(FontIndex font)
    {
        if (font == font_) return;
        font_ = font;
        Command(CommandFont);
        Put16(&commands_, font);
    }

    void Command(std::uint8_t command)
    {
        texts_.insert(texts_.end(), pending_.begin(), pending_.end());
        texts_.push_back(0);
        pending_.clear();
        commands_.push_back(command);
    }

    void Jump(std::int32_t hash)
    {
        Command(CommandJump);
        Put32(&commands_, static_cast<std::uint32_t>(hash));
    }

    // LinkData1 and LinkData2 of the finished text link.
    std::pair<Bytes, Bytes> Finish(std::uint16_t formatBits, const Bytes& formatValues)
    {
        Command(CommandParagraphEnd);
        Command(CommandEnd);
        Bytes rest = {0x00, 0x80, 0x00, 0x00};  // paragraph id 0
        Put16(&rest, formatBits);
        rest.insert(rest.end(), formatValues.begin(), formatValues.end());
        rest.insert(rest.end(), commands_.begin(), commands_.end());
        Bytes data1;
        PutCompressedLong(&data1, static_cast<long>(rest.size()));
        PutCompressedUnsigned(&data1, static_cast<unsigned>(texts_.size()));  // TopicLength
        data1.insert(data1.end(), rest.begin(), rest.end());
        return std::make_pair(data1, texts_);
    }

private:
    Bytes commands_;
    Bytes texts_;
    std::string pending_;
    int font_ = -1;
};

FontIndex SpanFont(const Span& span)
{
    if (span.bold && span.italic) return FontBoldItalic;
    if (span.bold) return FontBold;
    if (span.italic) return FontItalic;
    return FontBody;
}

// Spacing and indents in the viewer's units (half points).
const int TitleSpaceAbove = 4;
const int HeadingSpaceAbove = 14;
const int BodySpaceAbove = 10;
const int BulletSpaceAbove = 4;
const int BulletIndent = 36;

std::pair<Bytes, Bytes> EncodeTitle(const std::string& title)
{
    ParagraphEncoder encoder;
    encoder.Font(FontTitle);
    encoder.Text(title);
    Bytes values;
    PutCompressedShort(&values, TitleSpaceAbove);
    return encoder.Finish(SpaceAboveBit, values);
}

std::pair<Bytes, Bytes> EncodeParagraph(const Paragraph& paragraph)
{
    ParagraphEncoder encoder;
    Bytes values;
    std::uint16_t bits = SpaceAboveBit;
    switch (paragraph.kind) {
    case ParagraphKind::Heading:
        PutCompressedShort(&values, HeadingSpaceAbove);
        encoder.Font(FontHeading);
        for (const Span& span : paragraph.spans) encoder.Text(span.text);
        return encoder.Finish(bits, values);
    case ParagraphKind::Bullet:
        // A hanging indent: the bullet, a tab to the indent, the text.
        bits |= LeftIndentBit | FirstLineIndentBit | TabStopsBit;
        PutCompressedShort(&values, BulletSpaceAbove);
        PutCompressedShort(&values, BulletIndent);
        PutCompressedShort(&values, -BulletIndent / 2);
        PutCompressedShort(&values, 1);
        PutCompressedUnsigned(&values, BulletIndent);
        encoder.Font(FontBody);
        encoder.Text(std::string(1, BulletCharacter));
        encoder.Command(CommandTab);
        break;
    case ParagraphKind::Body:
        PutCompressedShort(&values, BodySpaceAbove);
        break;
    }
    for (const Span& span : paragraph.spans) {
        encoder.Font(SpanFont(span));
        if (span.text == "\n") {
            encoder.Command(CommandLineBreak);
        } else if (!span.link.empty()) {
            encoder.Jump(ContextHash(span.link));
            encoder.Text(span.text);
            encoder.Command(CommandHotspotEnd);
        } else {
            encoder.Text(span.text);
        }
    }
    return encoder.Finish(bits, values);
}

// A link of |TOPIC with its place once laid out.
struct TopicLink {
    std::uint8_t type = RecordText;
    Bytes data1;
    Bytes data2;
    int topic = -1;            // index of its topic; the end marker has none
    std::size_t block = 0;
    std::size_t offset = 0;    // in the block's data
    std::uint32_t position = 0;  // TOPICPOS
    std::uint32_t topicOffset = 0;  // TOPICOFFSET, for topic headers

    std::size_t FixedSize() const { return LinkHeaderSize + data1.size(); }
    std::size_t Size() const { return FixedSize() + data2.size(); }
};

std::vector<TopicLink> EncodeLinks(const HelpDocument& document)
{
    std::vector<TopicLink> links;
    for (std::size_t t = 0; t < document.topics.size(); ++t) {
        const Topic& topic = document.topics[t];
        TopicLink header;
        header.type = RecordTopicHeader;
        header.data1.assign(28, 0);  // filled in once positions are known
        header.data2.assign(topic.title.begin(), topic.title.end());
        header.topic = static_cast<int>(t);
        links.push_back(header);

        // The viewer does not show the header's title: it is the first text.
        TopicLink title;
        title.topic = static_cast<int>(t);
        std::tie(title.data1, title.data2) = EncodeTitle(topic.title);
        links.push_back(title);
        for (const Paragraph& paragraph : topic.paragraphs) {
            TopicLink text;
            text.topic = static_cast<int>(t);
            std::tie(text.data1, text.data2) = EncodeParagraph(paragraph);
            links.push_back(text);
        }
    }
    TopicLink end;
    end.type = RecordTopicHeader;
    end.data1.assign(28, 0);
    links.push_back(end);
    return links;
}

// Places the links in blocks: a link's header and LinkData1 stay in one
// block, its LinkData2 may run on into the next ones. Returns the number
// of blocks.
std::size_t LayOutLinks(std::vector<TopicLink>* links)
{
    std::size_t block = 0;
    std::size_t used = 0;
    for (TopicLink& link : *links) {
        if (used + link.FixedSize() > TopicBlockData) {
            ++block;
            used = 0;
        }
        link.block = block;
        link.offset = used;
        link.position = static_cast<std::uint32_t>(block * 0x4000 + TopicBlockHeader + used);
        std::size_t remaining = link.Size();
        while (used + remaining > TopicBlockData) {
            remaining -= TopicBlockData - used;
            ++block;
            used = 0;
        }
        used += remaining;
    }
    // TOPICOFFSET: the block times 0x8000 plus the text lengths of the
    // text links that began earlier in the same block.
    std::size_t currentBlock = 0;
    std::size_t offsetSum = 0;
    for (TopicLink& link : *links) {
        if (link.block != currentBlock) {
            currentBlock = link.block;
            offsetSum = 0;
        }
        link.topicOffset = static_cast<std::uint32_t>(link.block * 0x8000 + offsetSum);
        if (link.type == RecordText) offsetSum += link.data2.size();
    }
    return block + 1;
}

void FillTopicHeaders(const HelpDocument& document, std::vector<TopicLink>* links)
{
    std::vector<std::size_t> headers;
    for (std::size_t i = 0; i < links->size(); ++i) {
        if ((*links)[i].type == RecordTopicHeader) headers.push_back(i);
    }
    const std::size_t topicCount = document.topics.size();
    for (std::size_t h = 0; h < headers.size(); ++h) {
        TopicLink& header = (*links)[headers[h]];
        Bytes data;
        if (h == topicCount) {  // the end marker
            Put32(&data, 0);
            Put32(&data, None);
            Put32(&data, None);
            Put32(&data, static_cast<std::uint32_t>(topicCount));
            Put32(&data, None);
            Put32(&data, None);
            Put32(&data, None);
        } else {
            std::size_t size = 0;
            for (std::size_t i = headers[h]; i < headers[h + 1]; ++i) size += (*links)[i].Size();
            Put32(&data, static_cast<std::uint32_t>(size));
            Put32(&data, h > 0 ? (*links)[headers[h - 1]].topicOffset : None);
            Put32(&data, h + 1 < topicCount ? (*links)[headers[h + 1]].topicOffset : None);
            Put32(&data, static_cast<std::uint32_t>(h));
            Put32(&data, None);                                   // no non-scrolling region
            Put32(&data, (*links)[headers[h] + 1].position);      // the title paragraph
            Put32(&data, (*links)[headers[h + 1]].position);      // the next topic header
        }
        header.data1 = data;
    }
}

Bytes SerializeTopic(const std::vector<TopicLink>& links, std::size_t blockCount)
{
    Bytes stream(blockCount * TopicBlockData, 0);
    for (std::size_t i = 0; i < links.size(); ++i) {
        const TopicLink& link = links[i];
        Bytes bytes;
        Put32(&bytes, static_cast<std::uint32_t>(link.Size()));
        Put32(&bytes, static_cast<std::uint32_t>(link.data2.size()));
        Put32(&bytes, i > 0 ? links[i - 1].position : None);
        Put32(&bytes, i + 1 < links.size() ? links[i + 1].position : None);
        Put32(&bytes, static_cast<std::uint32_t>(link.FixedSize()));
        Put8(&bytes, link.type);
        bytes.insert(bytes.end(), link.data1.begin(), link.data1.end());
        bytes.insert(bytes.end(), link.data2.begin(), link.data2.end());
        std::copy(bytes.begin(), bytes.end(), stream.begin() + static_cast<std::ptrdiff_t>(link.block * TopicBlockData + link.offset));
    }
    Bytes topic;
    for (std::size_t block = 0; block < blockCount; ++block) {
        // Block header: the last link and topic header begun before this
        // block, and the first link begun in it.
        std::uint32_t lastLink = None;
        std::uint32_t lastHeader = 0;
        std::uint32_t firstLink = None;
        for (const TopicLink& link : links) {
            if (link.block < block) {
                lastLink = link.position;
                if (link.type == RecordTopicHeader) lastHeader = link.position;
            } else if (link.block == block && firstLink == None) {
                firstLink = link.position;
            }
        }
        Put32(&topic, lastLink);
        Put32(&topic, firstLink);
        Put32(&topic, lastHeader);
        topic.insert(topic.end(), stream.begin() + static_cast<std::ptrdiff_t>(block * TopicBlockData),
                     stream.begin() + static_cast<std::ptrdiff_t>((block + 1) * TopicBlockData));
    }
    return topic;
}

// A B+ tree of one leaf page: 38-byte header, then the page.
Bytes SinglePageTree(std::uint16_t flags, std::uint16_t pageSize, const char* structure, const Bytes& entries,
                     std::size_t count)
{
    Bytes tree;
    Put16(&tree, 0x293B);
    Put16(&tree, flags);
    Put16(&tree, pageSize);
    PutText(&tree, structure, 16);
    Put16(&tree, 0);       // must be zero
    Put16(&tree, 0);       // page splits
    Put16(&tree, 0);       // root page
    Put16(&tree, 0xFFFF);  // must be -1
    Put16(&tree, 1);       // total pages
    Put16(&tree, 1);       // levels
    Put32(&tree, static_cast<std::uint32_t>(count));
    Put16(&tree, static_cast<unsigned>(pageSize - 8 - entries.size()));
    Put16(&tree, static_cast<unsigned>(count));
    Put16(&tree, 0xFFFF);  // previous page
    Put16(&tree, 0xFFFF);  // next page
    tree.insert(tree.end(), entries.begin(), entries.end());
    tree.resize(38 + pageSize, 0);
    return tree;
}

Bytes ContextFile(const HelpDocument& document, const std::vector<std::uint32_t>& topicOffsets)
{
    std::vector<std::pair<std::int32_t, std::uint32_t>> entries;
    for (std::size_t t = 0; t < document.topics.size(); ++t) {
        entries.emplace_back(ContextHash(document.topics[t].context), topicOffsets[t]);
    }
    std::sort(entries.begin(), entries.end());  // signed hash order, as the viewer compares
    Bytes page;
    for (const auto& entry : entries) {
        Put32(&page, static_cast<std::uint32_t>(entry.first));
        Put32(&page, entry.second);
    }
    return SinglePageTree(0x0002, 0x0800, "L4", page, entries.size());
}

Bytes MapFile(const HelpDocument& document, const std::vector<std::uint32_t>& topicOffsets)
{
    std::vector<std::pair<std::int32_t, std::uint32_t>> entries;
    for (std::size_t t = 0; t < document.topics.size(); ++t) {
        if (document.topics[t].hasMapNumber) entries.emplace_back(document.topics[t].mapNumber, topicOffsets[t]);
    }
    std::sort(entries.begin(), entries.end());
    Bytes map;
    Put16(&map, static_cast<unsigned>(entries.size()));
    for (const auto& entry : entries) {
        Put32(&map, static_cast<std::uint32_t>(entry.first));
        Put32(&map, entry.second);
    }
    return map;
}

Bytes FontFile()
{
    struct Descriptor {
        std::uint8_t attributes;  // bit 0 bold, bit 1 italic
        std::uint8_t halfPoints;
        std::uint8_t red, green, blue;
    };
    const Descriptor descriptors[FontCount] = {
        {0, 20, 0, 0, 0},    // body
        {1, 20, 0, 0, 0},    // bold
        {2, 20, 0, 0, 0},    // italic
        {3, 20, 0, 0, 0},    // bold italic
        {1, 28, 0, 0, 128},  // topic title, navy
        {1, 24, 0, 0, 128},  // heading, navy
    };
    Bytes font;
    Put16(&font, 1);              // face names
    Put16(&font, FontCount);      // descriptors
    Put16(&font, 8);              // face names' offset
    Put16(&font, 8 + 32);         // descriptors' offset
    PutText(&font, "Arial", 32);
    for (const Descriptor& d : descriptors) {
        Put8(&font, d.attributes);
        Put8(&font, d.halfPoints);
        Put8(&font, 3);  // swiss
        Put16(&font, 0);  // face name 0
        Put8(&font, d.red);
        Put8(&font, d.green);
        Put8(&font, d.blue);
        Put8(&font, 0);
        Put8(&font, 0);
        Put8(&font, 0);
    }
    return font;
}

void PutSystemRecord(Bytes* system, unsigned type, const Bytes& data)
{
    Put16(system, type);
    Put16(system, static_cast<unsigned>(data.size()));
    system->insert(system->end(), data.begin(), data.end());
}

Bytes SystemFile(const HelpDocument& document, std::uint32_t contentsOffset)
{
    Bytes system;
    Put16(&system, 0x036C);
    Put16(&system, 33);  // WinHelp 4.0
    Put16(&system, 1);
    Put32(&system, 0);   // generation date: none, so that builds are reproducible
    Put16(&system, 0);   // no compression, 4 KB topic blocks

    Bytes title(document.title.begin(), document.title.end());
    title.push_back(0);
    PutSystemRecord(&system, 1, title);
    Bytes contents;
    Put32(&contents, contentsOffset);
    PutSystemRecord(&system, 3, contents);
    if (document.browseButtons) {
        const char macro[] = "BrowseButtons()";
        PutSystemRecord(&system, 4, Bytes(macro, macro + sizeof macro));
    }
    // The "main" window, for its caption.
    Bytes window;
    Put16(&window, 0x0007);  // type, name and caption are given
    PutText(&window, "main", 10);
    PutText(&window, "main", 9);
    PutText(&window, document.title, 51);
    window.resize(90, 0);    // position, size, show state and colours: defaults
    PutSystemRecord(&system, 6, window);
    return system;
}

}  // namespace

std::int32_t ContextHash(const std::string& context)
{
    std::uint32_t hash = 0;
    for (char c : context) {
        unsigned value = 0;
        if (c >= 'A' && c <= 'Z') value = static_cast<unsigned>(c - 'A' + 17);
        if (c >= 'a' && c <= 'z') value = static_cast<unsigned>(c - 'a' + 17);
        if (c >= '1' && c <= '9') value = static_cast<unsigned>(c - '0');
        if (c == '0') value = 10;
        if (c == '.') value = 12;
        if (c == '_') value = 13;
        if (value != 0) hash = hash * 43u + value;
    }
    return static_cast<std::int32_t>(hash);
}

std::vector<unsigned char> WriteHelpFile(const HelpDocument& document)
{
    std::vector<TopicLink> links = EncodeLinks(document);
    std::size_t blockCount = LayOutLinks(&links);
    FillTopicHeaders(document, &links);
    std::vector<std::uint32_t> topicOffsets;
    for (const TopicLink& link : links) {
        if (link.type == RecordTopicHeader && link.topic >= 0) topicOffsets.push_back(link.topicOffset);
    }

    // Internal files in the order they are stored; the directory lists
    // them sorted by name, as the viewer's search needs.
    std::vector<std::pair<std::string, Bytes>> files;
    files.emplace_back("|SYSTEM", SystemFile(document, topicOffsets.front()));
    files.emplace_back("|FONT", FontFile());
    files.emplace_back("|TOPIC", SerializeTopic(links, blockCount));
    files.emplace_back("|CONTEXT", ContextFile(document, topicOffsets));
    files.emplace_back("|CTXOMAP", MapFile(document, topicOffsets));

    Bytes out(16, 0);
    std::vector<std::pair<std::string, std::uint32_t>> directory;
    auto putInternalFile = [&out](const Bytes& content) {
        Put32(&out, static_cast<std::uint32_t>(content.size() + 9));  // reserved space
        Put32(&out, static_cast<std::uint32_t>(content.size()));      // used space
        Put8(&out, 4);                                                // file flags
        out.insert(out.end(), content.begin(), content.end());
    };
    for (const auto& file : files) {
        directory.emplace_back(file.first, static_cast<std::uint32_t>(out.size()));
        putInternalFile(file.second);
    }
    std::sort(directory.begin(), directory.end(),
              [](const std::pair<std::string, std::uint32_t>& a, const std::pair<std::string, std::uint32_t>& b) {
                  return std::strcmp(a.first.c_str(), b.first.c_str()) < 0;
              });
    Bytes entries;
    for (const auto& entry : directory) {
        entries.insert(entries.end(), entry.first.begin(), entry.first.end());
        entries.push_back(0);
        Put32(&entries, entry.second);
    }
    std::uint32_t directoryStart = static_cast<std::uint32_t>(out.size());
    putInternalFile(SinglePageTree(0x0402, 0x0400, "z4", entries, directory.size()));

    Patch32(&out, 0, 0x00035F3F);
    Patch32(&out, 4, directoryStart);
    Patch32(&out, 8, None);  // no free blocks
    Patch32(&out, 12, static_cast<std::uint32_t>(out.size()));
    return out;
}

}  // namespace hlpc
