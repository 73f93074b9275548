// A small JSON writer for hvdtool's --json reports: objects and arrays
// indented by two spaces, strings escaped to plain ASCII.
#pragma once

#include <string>

// A JSON string literal of text. Settings texts are the program's ANSI
// texts (Windows-1252); file names are taken as UTF-8 when they are valid
// UTF-8 and as Windows-1252 otherwise. Everything outside printable ASCII
// becomes a \u escape, so the output is valid whatever the bytes.
std::string JsonAnsiString(const std::string& text);
std::string JsonFileNameString(const std::string& text);

// The Unicode code points of a file name, read as JsonFileNameString
// reads it (for other formats that need them, such as SVG).
std::u32string FileNameCodePoints(const std::string& text);

class JsonWriter {
public:
    void BeginObject();
    void EndObject();
    void BeginArray();
    void EndArray();
    // The key of the next value inside an object.
    void Key(const char* key);
    // A value already written as JSON: a number, a literal, a string literal.
    void Raw(const std::string& json);
    void String(const std::string& asciiText);  // plain ASCII text, escaped
    void Integer(long long value);
    void Boolean(bool value);
    // The document with a final line break.
    std::string Text() const { return out_ + "\n"; }

private:
    void BeforeValue();
    void NewLine();
    void Close(char bracket);

    std::string out_;
    int depth_ = 0;
    bool first_ = true;      // no value yet at this depth
    bool afterKey_ = false;  // the value follows its key on the same line
};
