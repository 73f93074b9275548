// The help source: hlpc's readable input, parsed into topics, paragraphs
// and styled spans. tools/hlpc/README.md describes the format for writers.
//
// Texts in the parsed document are Windows-1252 bytes (the help file's code
// page); the source itself is UTF-8 (or plain ASCII).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace hlpc {

// A piece of paragraph text in one style. A span with a link target is the
// text of a jump to the topic with that context string.
struct Span {
    std::string text;
    bool bold = false;
    bool italic = false;
    std::string link;  // context string of the target topic; empty: no jump
    int line = 0;      // source line where the span starts
};

enum class ParagraphKind {
    Body,     // ordinary text
    Heading,  // a subheading inside a topic
    Bullet,   // one item of a bulleted list
};

// A line break inside a paragraph is a span whose text is "\n" (alone).
struct Paragraph {
    ParagraphKind kind = ParagraphKind::Body;
    std::vector<Span> spans;
    int line = 0;  // first source line
};

struct Topic {
    bool hasMapNumber = false;
    std::int32_t mapNumber = 0;  // the number WinHelp's HELP_CONTEXT asks for
    std::string context;         // context string, the target of links
    std::string title;
    std::vector<Paragraph> paragraphs;
    int line = 0;  // the @topic line
};

struct HelpDocument {
    std::string title;            // file title and the help window's caption
    bool browseButtons = false;   // "<<" and ">>" through the topics in order
    std::vector<Topic> topics;    // in source order: the browse sequence
};

// A problem in the source, for "FILE:LINE: problem".
struct SourceError {
    int line = 0;
    std::string problem;
};

// Limits that keep the written file within what one B-tree page and the
// viewer's offsets can address.
const std::size_t MaxTopics = 255;
const std::size_t MaxTitleLength = 50;          // the window caption holds 50
const std::size_t MaxTopicTitleLength = 255;
const std::size_t MaxContextLength = 255;
const std::size_t MaxParagraphBytes = 16000;    // text and separators
const std::size_t MaxParagraphSpans = 400;      // keeps a link's commands in one block
const std::int64_t MaxMapNumber = 2147483647;

// Parses a whole source text. On failure returns false with the first
// problem found; the document is then incomplete.
bool ParseHelpSource(const std::string& source, HelpDocument* document, SourceError* error);

// Decodes UTF-8 into Windows-1252. Returns false for malformed UTF-8 or a
// character the code page lacks, naming it in *problem.
bool Utf8ToWindows1252(const std::string& utf8, std::string* out, std::string* problem);

}  // namespace hlpc
