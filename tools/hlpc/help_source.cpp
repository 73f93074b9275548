#include "tools/hlpc/help_source.h"

#include <cstdio>
#include <map>

#include "tools/hlpc/help_file.h"

namespace hlpc {

namespace {

// Windows-1252 0x80..0x9F; 0 where the code page has no character.
const std::uint16_t Windows1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

bool CodePointToWindows1252(std::uint32_t codePoint, char* byte)
{
    if (codePoint < 0x80 || (codePoint >= 0xA0 && codePoint <= 0xFF)) {
        *byte = static_cast<char>(codePoint);
        return true;
    }
    for (int i = 0; i < 32; ++i) {
        if (Windows1252High[i] != 0 && Windows1252High[i] == codePoint) {
            *byte = static_cast<char>(0x80 + i);
            return true;
        }
    }
    return false;
}

std::string CodePointName(std::uint32_t codePoint)
{
    char name[16];
    std::snprintf(name, sizeof name, "U+%04X", static_cast<unsigned>(codePoint));
    return name;
}

bool IsContextCharacter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' || c == '_';
}

bool IsBlank(const std::string& line)
{
    for (char c : line) {
        if (c != ' ') return false;
    }
    return true;
}

std::string Trim(const std::string& text)
{
    std::size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos) return "";
    std::size_t last = text.find_last_not_of(' ');
    return text.substr(first, last - first + 1);
}

// Splits off the first word (up to a space); the rest keeps its inner spaces.
std::string NextWord(std::string* rest)
{
    std::string text = Trim(*rest);
    std::size_t space = text.find(' ');
    std::string word = text.substr(0, space);
    *rest = space == std::string::npos ? "" : Trim(text.substr(space));
    return word;
}

// One source line of a paragraph, already trimmed.
struct Piece {
    std::string text;
    int line;
};

// Turns a paragraph's lines into styled spans: **bold**, //italic//,
// [[context]] and [[context|text]], backslash escapes, and a backslash at
// the end of a line for a line break.
class InlineParser {
public:
    InlineParser(const std::vector<Piece>& pieces, Paragraph* paragraph, SourceError* error)
        : pieces_(pieces), paragraph_(paragraph), error_(error)
    {
    }

    bool Run()
    {
        for (std::size_t p = 0; p < pieces_.size(); ++p) {
            line_ = pieces_[p].line;
            if (p > 0 && !lineBroken_) Add(' ');
            lineBroken_ = false;
            if (!RunPiece(pieces_[p].text)) return false;
        }
        if (inLink_) return Fail(linkLine_, "'[[' is not closed by ']]' in this paragraph");
        if (bold_) return Fail(boldLine_, "'**' is not closed in this paragraph");
        if (italic_) return Fail(italicLine_, "'//' is not closed in this paragraph");
        Flush();
        return true;
    }

private:
    bool RunPiece(const std::string& text)
    {
        for (std::size_t i = 0; i < text.size(); ++i) {
            char c = text[i];
            char next = i + 1 < text.size() ? text[i + 1] : '\0';
            if (c == '\\') {
                if (i + 1 == text.size()) {
                    if (inLink_) return Fail(line_, "a line break cannot stand inside a link");
                    Flush();
                    AddSpan("\n");
                    lineBroken_ = true;
                } else {
                    Add(text[++i]);
                }
            } else if (inLink_ && c == '|' && !linkHasText_) {
                linkHasText_ = true;
            } else if (inLink_ && c == ']' && next == ']') {
                if (!CloseLink()) return false;
                ++i;
            } else if (inLink_ && c == '[' && next == '[') {
                return Fail(line_, "a link cannot hold another '[['");
            } else if (inLink_) {
                Add(c);
            } else if (c == '[' && next == '[') {
                Flush();
                inLink_ = true;
                linkHasText_ = false;
                linkLine_ = line_;
                target_.clear();
                ++i;
            } else if (c == ']' && next == ']') {
                return Fail(line_, "']]' without '[['");
            } else if (c == '*' && next == '*') {
                Flush();
                bold_ = !bold_;
                boldLine_ = line_;
                ++i;
            } else if (c == '/' && next == '/') {
                Flush();
                italic_ = !italic_;
                italicLine_ = line_;
                ++i;
            } else {
                Add(c);
            }
        }
        return true;
    }

    // In a link, characters before '|' make the target, after it the text.
    void Add(char c)
    {
        if (inLink_ && !linkHasText_) {
            target_ += c;
        } else {
            if (current_.empty()) currentLine_ = line_;
            current_ += c;
        }
    }

    bool CloseLink()
    {
        std::string target = Trim(target_);
        if (target.empty()) return Fail(linkLine_, "a link needs a context string: [[context]] or [[context|text]]");
        for (char c : target) {
            if (!IsContextCharacter(c)) {
                return Fail(linkLine_, "link target '" + target + "' is not a context string (letters, digits, '.' and '_')");
            }
        }
        if (linkHasText_ && Trim(current_).empty()) return Fail(linkLine_, "the link to '" + target + "' has an empty text");
        Span span;
        span.text = current_;  // empty: the target topic's title, filled in later
        span.bold = bold_;
        span.italic = italic_;
        span.link = target;
        span.line = linkLine_;
        paragraph_->spans.push_back(span);
        current_.clear();
        inLink_ = false;
        return true;
    }

    void AddSpan(const std::string& text)
    {
        Span span;
        span.text = text;
        span.bold = bold_;
        span.italic = italic_;
        span.line = line_;
        paragraph_->spans.push_back(span);
    }

    void Flush()
    {
        if (current_.empty()) return;
        Span span;
        span.text = current_;
        span.bold = bold_;
        span.italic = italic_;
        span.line = currentLine_;
        paragraph_->spans.push_back(span);
        current_.clear();
    }

    bool Fail(int line, const std::string& problem)
    {
        error_->line = line;
        error_->problem = problem;
        return false;
    }

    const std::vector<Piece>& pieces_;
    Paragraph* paragraph_;
    SourceError* error_;
    std::string current_;
    int currentLine_ = 0;
    std::string target_;
    int line_ = 0;
    bool lineBroken_ = false;
    bool bold_ = false;
    bool italic_ = false;
    bool inLink_ = false;
    bool linkHasText_ = false;
    int boldLine_ = 0;
    int italicLine_ = 0;
    int linkLine_ = 0;
};

class SourceParser {
public:
    SourceParser(HelpDocument* document, SourceError* error) : document_(document), error_(error) {}

    bool Run(const std::string& source)
    {
        std::size_t start = 0;
        if (source.compare(0, 3, "\xEF\xBB\xBF") == 0) start = 3;  // a byte-order mark
        int line = 0;
        while (start < source.size()) {
            std::size_t end = source.find('\n', start);
            if (end == std::string::npos) end = source.size();
            std::string raw = source.substr(start, end - start);
            if (!raw.empty() && raw.back() == '\r') raw.pop_back();
            start = end + 1;
            ++line;
            std::string text;
            if (!DecodeLine(raw, line, &text)) return false;
            if (!Line(text, line)) return false;
        }
        lastLine_ = line;
        if (!EndParagraph()) return false;
        if (document_->topics.empty()) return Fail(lastLine_ > 0 ? lastLine_ : 1, "no @topic in the file");
        return CheckTopics() && ResolveLinks();
    }

private:
    bool DecodeLine(const std::string& raw, int line, std::string* text)
    {
        std::string problem;
        if (!Utf8ToWindows1252(raw, text, &problem)) return Fail(line, problem);
        for (char& c : *text) {
            unsigned char byte = static_cast<unsigned char>(c);
            if (c == '\t') {
                c = ' ';
            } else if (byte < 0x20 || byte == 0x7F) {
                return Fail(line, "control character " + CodePointName(byte) + " in the text");
            }
        }
        // Trailing spaces are never meaningful (a final backslash is kept).
        std::size_t last = text->find_last_not_of(' ');
        text->erase(last == std::string::npos ? 0 : last + 1);
        return true;
    }

    bool Line(const std::string& text, int line)
    {
        if (!text.empty() && text[0] == '#') return true;  // a comment
        if (!text.empty() && text[0] == '@') return EndParagraph() && Directive(text, line);
        if (IsBlank(text)) return EndParagraph();
        if (document_->topics.empty()) return Fail(line, "text before the first @topic");
        if (text.compare(0, 2, "= ") == 0 || text == "=") {
            if (!EndParagraph()) return false;
            std::string heading = Trim(text.substr(1));
            if (heading.empty()) return Fail(line, "a heading ('= ') needs a text");
            Paragraph paragraph;
            paragraph.kind = ParagraphKind::Heading;
            paragraph.line = line;
            Span span;
            span.text = heading;
            span.line = line;
            paragraph.spans.push_back(span);
            document_->topics.back().paragraphs.push_back(paragraph);
            return true;
        }
        if (text.compare(0, 2, "* ") == 0) {
            if (!EndParagraph()) return false;
            std::string item = Trim(text.substr(2));
            kind_ = ParagraphKind::Bullet;
            pieces_.push_back(Piece{item, line});
            return true;
        }
        if (pieces_.empty()) kind_ = ParagraphKind::Body;
        pieces_.push_back(Piece{Trim(text), line});
        return true;
    }

    bool EndParagraph()
    {
        if (pieces_.empty()) return true;
        Paragraph paragraph;
        paragraph.kind = kind_;
        paragraph.line = pieces_.front().line;
        std::vector<Piece> pieces;
        pieces.swap(pieces_);
        InlineParser parser(pieces, &paragraph, error_);
        if (!parser.Run()) return false;
        std::size_t bytes = 0;
        for (const Span& span : paragraph.spans) bytes += span.text.size() + 1;
        if (bytes > MaxParagraphBytes) {
            return Fail(paragraph.line, "paragraph too long (" + std::to_string(bytes) + " bytes, at most " +
                                            std::to_string(MaxParagraphBytes) + ")");
        }
        if (paragraph.spans.size() > MaxParagraphSpans) {
            return Fail(paragraph.line, "paragraph has too many links, line breaks and style changes (at most " +
                                            std::to_string(MaxParagraphSpans) + ")");
        }
        if (paragraph.spans.empty()) {
            if (paragraph.kind == ParagraphKind::Bullet) return Fail(paragraph.line, "a list item ('* ') needs a text");
            return true;  // only markup, such as "****"
        }
        document_->topics.back().paragraphs.push_back(paragraph);
        return true;
    }

    bool Directive(const std::string& text, int line)
    {
        std::string rest = text.substr(1);
        std::string name = NextWord(&rest);
        if (name == "title") return TitleDirective(rest, line);
        if (name == "browse-buttons") {
            if (!rest.empty()) return Fail(line, "@browse-buttons takes nothing after it");
            document_->browseButtons = true;
            return true;
        }
        if (name == "topic") return TopicDirective(rest, line);
        return Fail(line, "unknown directive '@" + name + "' (known: @title, @browse-buttons, @topic)");
    }

    bool TitleDirective(const std::string& rest, int line)
    {
        if (titleLine_ != 0) return Fail(line, "a second @title (the first is on line " + std::to_string(titleLine_) + ")");
        if (!document_->topics.empty()) return Fail(line, "@title must come before the first @topic");
        if (rest.empty()) return Fail(line, "@title needs a text");
        if (rest.size() > MaxTitleLength) {
            return Fail(line, "@title is " + std::to_string(rest.size()) + " characters long, at most " +
                                  std::to_string(MaxTitleLength));
        }
        document_->title = rest;
        titleLine_ = line;
        return true;
    }

    bool TopicDirective(std::string rest, int line)
    {
        if (titleLine_ == 0) return Fail(line, "@title must come before the first @topic");
        if (document_->topics.size() == MaxTopics) {
            return Fail(line, "too many topics (at most " + std::to_string(MaxTopics) + ")");
        }
        const char usage[] = "expected '@topic MAP-NUMBER CONTEXT TITLE' (MAP-NUMBER may be '-')";
        std::string map = NextWord(&rest);
        std::string context = NextWord(&rest);
        if (map.empty() || context.empty() || rest.empty()) return Fail(line, usage);

        Topic topic;
        topic.line = line;
        if (map != "-") {
            std::int64_t value = 0;
            for (char c : map) {
                if (c < '0' || c > '9') return Fail(line, "map number '" + map + "' is not a whole number from 0 to 2147483647 or '-'");
                value = value * 10 + (c - '0');
                if (value > MaxMapNumber) return Fail(line, "map number " + map + " is larger than 2147483647");
            }
            topic.hasMapNumber = true;
            topic.mapNumber = static_cast<std::int32_t>(value);
        }
        if (context.size() > MaxContextLength) {
            return Fail(line, "context string is longer than " + std::to_string(MaxContextLength) + " characters");
        }
        for (char c : context) {
            if (!IsContextCharacter(c)) {
                return Fail(line, "context string '" + context + "' may hold only letters, digits, '.' and '_'");
            }
        }
        if (rest.size() > MaxTopicTitleLength) {
            return Fail(line, "topic title is longer than " + std::to_string(MaxTopicTitleLength) + " characters");
        }
        topic.context = context;
        topic.title = rest;
        document_->topics.push_back(topic);
        return true;
    }

    // Map numbers and context strings must each lead to one topic.
    bool CheckTopics()
    {
        std::map<std::int32_t, int> mapLines;
        std::map<std::int32_t, const Topic*> hashes;
        for (const Topic& topic : document_->topics) {
            if (topic.hasMapNumber) {
                auto found = mapLines.find(topic.mapNumber);
                if (found != mapLines.end()) {
                    return Fail(topic.line, "map number " + std::to_string(topic.mapNumber) +
                                                " is already used by the topic on line " + std::to_string(found->second));
                }
                mapLines[topic.mapNumber] = topic.line;
            }
            std::int32_t hash = ContextHash(topic.context);
            if (hash == 0) {
                return Fail(topic.line, "context string '" + topic.context + "' hashes to 0, which means the contents topic");
            }
            auto found = hashes.find(hash);
            if (found != hashes.end()) {
                const Topic& other = *found->second;
                if (HashKey(other.context) == HashKey(topic.context)) {
                    return Fail(topic.line, "context string '" + topic.context + "' is already used on line " +
                                                std::to_string(other.line) + " (case does not count)");
                }
                return Fail(topic.line, "context string '" + topic.context + "' has the same hash as '" + other.context +
                                            "' on line " + std::to_string(other.line));
            }
            hashes[hash] = &topic;
        }
        return true;
    }

    bool ResolveLinks()
    {
        std::map<std::int32_t, const Topic*> byHash;
        for (const Topic& topic : document_->topics) byHash[ContextHash(topic.context)] = &topic;
        for (Topic& topic : document_->topics) {
            for (Paragraph& paragraph : topic.paragraphs) {
                for (Span& span : paragraph.spans) {
                    if (span.link.empty()) continue;
                    auto found = byHash.find(ContextHash(span.link));
                    if (found == byHash.end() || HashKey(found->second->context) != HashKey(span.link)) {
                        return Fail(span.line, "link to unknown context string '" + span.link + "'");
                    }
                    if (span.text.empty()) span.text = found->second->title;
                }
            }
        }
        return true;
    }

    // The characters the hash sees, in one case.
    static std::string HashKey(const std::string& context)
    {
        std::string key;
        for (char c : context) key += (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
        return key;
    }

    bool Fail(int line, const std::string& problem)
    {
        error_->line = line;
        error_->problem = problem;
        return false;
    }

    HelpDocument* document_;
    SourceError* error_;
    std::vector<Piece> pieces_;
    ParagraphKind kind_ = ParagraphKind::Body;
    int titleLine_ = 0;
    int lastLine_ = 0;
};

}  // namespace

bool Utf8ToWindows1252(const std::string& utf8, std::string* out, std::string* problem)
{
    out->clear();
    for (std::size_t i = 0; i < utf8.size();) {
        unsigned char lead = static_cast<unsigned char>(utf8[i]);
        int extra = lead < 0x80 ? 0 : (lead & 0xE0) == 0xC0 ? 1 : (lead & 0xF0) == 0xE0 ? 2 : (lead & 0xF8) == 0xF0 ? 3 : -1;
        if (extra < 0 || i + extra >= utf8.size()) {
            *problem = "malformed UTF-8 (byte " + std::to_string(i + 1) + " of the line)";
            return false;
        }
        std::uint32_t codePoint = extra == 0 ? lead : lead & (0x3F >> extra);
        for (int k = 1; k <= extra; ++k) {
            unsigned char next = static_cast<unsigned char>(utf8[i + k]);
            if ((next & 0xC0) != 0x80) {
                *problem = "malformed UTF-8 (byte " + std::to_string(i + 1) + " of the line)";
                return false;
            }
            codePoint = (codePoint << 6) | (next & 0x3F);
        }
        const std::uint32_t smallest[4] = {0, 0x80, 0x800, 0x10000};
        if (codePoint < smallest[extra] || codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF)) {
            *problem = "malformed UTF-8 (byte " + std::to_string(i + 1) + " of the line)";
            return false;
        }
        char byte;
        if (!CodePointToWindows1252(codePoint, &byte)) {
            *problem = "character " + CodePointName(codePoint) + " is not in the help file's code page (Windows-1252)";
            return false;
        }
        out->push_back(byte);
        i += extra + 1;
    }
    return true;
}

bool ParseHelpSource(const std::string& source, HelpDocument* document, SourceError* error)
{
    *document = HelpDocument();
    SourceParser parser(document, error);
    return parser.Run(source);
}

}  // namespace hlpc
