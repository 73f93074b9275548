#include "tools/hvdtool/output/json_writer.h"

#include <cstdint>
#include <cstdio>

namespace {

// Windows-1252 bytes 0x80 to 0x9F; the undefined ones map to themselves.
const std::uint16_t Windows1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

void AppendEscape(std::string* out, std::uint32_t unit)
{
    char text[16];
    std::snprintf(text, sizeof text, "\\u%04x", static_cast<unsigned>(unit & 0xFFFF));
    *out += text;
}

void AppendCodePoint(std::string* out, std::uint32_t c)
{
    switch (c) {
    case '"': *out += "\\\""; return;
    case '\\': *out += "\\\\"; return;
    case '\n': *out += "\\n"; return;
    case '\r': *out += "\\r"; return;
    case '\t': *out += "\\t"; return;
    default: break;
    }
    if (c >= 0x20 && c < 0x7F) {
        *out += static_cast<char>(c);
    } else if (c < 0x10000) {
        AppendEscape(out, c);
    } else {
        c -= 0x10000;
        AppendEscape(out, 0xD800 + (c >> 10));
        AppendEscape(out, 0xDC00 + (c & 0x3FF));
    }
}

std::uint32_t Windows1252(unsigned char byte)
{
    return byte >= 0x80 && byte < 0xA0 ? Windows1252High[byte - 0x80] : byte;
}

// The code points of valid UTF-8 (no overlong forms or surrogates); false
// for anything else.
bool DecodeUtf8(const std::string& text, std::u32string* points)
{
    points->clear();
    for (std::size_t i = 0; i < text.size();) {
        unsigned char lead = static_cast<unsigned char>(text[i]);
        int extra = lead < 0x80 ? 0 : (lead >> 5) == 0x6 ? 1 : (lead >> 4) == 0xE ? 2 : (lead >> 3) == 0x1E ? 3 : -1;
        if (extra < 0) return false;
        std::uint32_t c = extra == 0 ? lead : lead & (0x3F >> extra);
        for (int k = 1; k <= extra; ++k) {
            if (i + static_cast<std::size_t>(k) >= text.size()) return false;
            unsigned char next = static_cast<unsigned char>(text[i + static_cast<std::size_t>(k)]);
            if ((next & 0xC0) != 0x80) return false;
            c = c << 6 | (next & 0x3F);
        }
        const std::uint32_t smallest[4] = {0, 0x80, 0x800, 0x10000};
        if (c < smallest[extra] || c > 0x10FFFF || (c >= 0xD800 && c < 0xE000)) return false;
        points->push_back(c);
        i += static_cast<std::size_t>(extra) + 1;
    }
    return true;
}

}  // namespace

std::string JsonAnsiString(const std::string& text)
{
    std::string out = "\"";
    for (unsigned char byte : text) AppendCodePoint(&out, Windows1252(byte));
    return out + "\"";
}

std::u32string FileNameCodePoints(const std::string& text)
{
    std::u32string points;
    if (DecodeUtf8(text, &points)) return points;
    points.clear();
    for (unsigned char byte : text) points.push_back(Windows1252(byte));
    return points;
}

std::string JsonFileNameString(const std::string& text)
{
    std::u32string points = FileNameCodePoints(text);
    std::string out = "\"";
    for (char32_t c : points) AppendCodePoint(&out, static_cast<std::uint32_t>(c));
    return out + "\"";
}

void JsonWriter::NewLine()
{
    out_ += '\n';
    out_.append(static_cast<std::size_t>(depth_) * 2, ' ');
}

void JsonWriter::BeforeValue()
{
    if (afterKey_) {
        afterKey_ = false;
        return;
    }
    if (depth_ > 0) {
        if (!first_) out_ += ',';
        NewLine();
    }
    first_ = false;
}

void JsonWriter::BeginObject()
{
    BeforeValue();
    out_ += '{';
    ++depth_;
    first_ = true;
}

void JsonWriter::Close(char bracket)
{
    --depth_;
    if (!first_) NewLine();
    out_ += bracket;
    first_ = false;
}

void JsonWriter::EndObject()
{
    Close('}');
}

void JsonWriter::BeginArray()
{
    BeforeValue();
    out_ += '[';
    ++depth_;
    first_ = true;
}

void JsonWriter::EndArray()
{
    Close(']');
}

void JsonWriter::Key(const char* key)
{
    BeforeValue();
    out_ += JsonAnsiString(key) + ": ";
    afterKey_ = true;
}

void JsonWriter::Raw(const std::string& json)
{
    BeforeValue();
    out_ += json;
}

void JsonWriter::String(const std::string& asciiText)
{
    Raw(JsonAnsiString(asciiText));
}

void JsonWriter::Integer(long long value)
{
    Raw(std::to_string(value));
}

void JsonWriter::Boolean(bool value)
{
    Raw(value ? "true" : "false");
}
