#include "tools/hvdtool/settings/settings_source.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "model/extended_math.h"
#include "model/number_text.h"
#include "tools/hvdtool/settings/settings_fields.h"

namespace {

const char* const Spaces = " \t";

std::string Trim(const std::string& text)
{
    std::size_t first = text.find_first_not_of(Spaces);
    if (first == std::string::npos) return "";
    std::size_t last = text.find_last_not_of(Spaces);
    return text.substr(first, last - first + 1);
}

// A number's text without a trailing "# comment".
std::string WithoutComment(const std::string& value)
{
    return Trim(value.substr(0, value.find('#')));
}

std::string LineError(std::size_t line, const std::string& problem)
{
    return "line " + std::to_string(line) + ": " + problem;
}

bool ParseExactCount(const std::string& text, long long* value)
{
    std::size_t i = 0;
    bool negative = !text.empty() && text[0] == '-';
    if (negative) ++i;
    unsigned long long magnitude = 0;
    const unsigned long long limit = negative ? 9223372036854775808ull : 9223372036854775807ull;
    bool anyDigit = false;
    for (; i < text.size(); ++i) {
        char c = text[i];
        if (c == ',') continue;
        if (c < '0' || c > '9') return false;
        unsigned digit = static_cast<unsigned>(c - '0');
        if (magnitude > (limit - digit) / 10) return false;
        magnitude = magnitude * 10 + digit;
        anyDigit = true;
    }
    if (!anyDigit) return false;
    *value = negative ? static_cast<long long>(0 - magnitude) : static_cast<long long>(magnitude);
    return true;
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool ParseExactReal(const std::string& text, float* value, std::string* problem)
{
    if (text.compare(0, 7, "bits:0x") == 0) {
        if (text.size() != 15) {
            *problem = "bits:0x needs eight hex digits";
            return false;
        }
        std::uint32_t bits = 0;
        for (std::size_t i = 7; i < 15; ++i) {
            int digit = HexDigit(text[i]);
            if (digit < 0) {
                *problem = "bits:0x needs eight hex digits";
                return false;
            }
            bits = bits << 4 | static_cast<std::uint32_t>(digit);
        }
        std::memcpy(value, &bits, sizeof bits);
        return true;
    }
    int error = 0;
    long double real = TextToReal(text.c_str(), &error);
    if (error != 0) {
        *problem = "not a number: '" + text + "'";
        return false;
    }
    float stored = RealToFloat(real);
    if (std::isinf(stored) || std::isnan(stored)) {
        *problem = "beyond the 32-bit float range: '" + text + "' (write bits:0x... for such a value)";
        return false;
    }
    *value = stored;
    return true;
}

bool ParseQuoted(const std::string& value, std::string* text, std::string* problem)
{
    std::size_t i = 1;
    text->clear();
    while (i < value.size() && value[i] != '"') {
        char c = value[i++];
        if (c != '\\') {
            *text += c;
            continue;
        }
        if (i >= value.size()) break;
        char escape = value[i++];
        switch (escape) {
        case '\\': *text += '\\'; break;
        case '"': *text += '"'; break;
        case 'r': *text += '\r'; break;
        case 'n': *text += '\n'; break;
        case 't': *text += '\t'; break;
        case 'x': {
            int high = i < value.size() ? HexDigit(value[i]) : -1;
            int low = i + 1 < value.size() ? HexDigit(value[i + 1]) : -1;
            if (high < 0 || low < 0) {
                *problem = "\\x needs two hex digits";
                return false;
            }
            *text += static_cast<char>(high * 16 + low);
            i += 2;
            break;
        }
        default: *problem = std::string("unknown escape \\") + escape; return false;
        }
    }
    if (i >= value.size()) {
        *problem = "quoted text without its closing \"";
        return false;
    }
    std::string rest = Trim(value.substr(i + 1));
    if (!rest.empty() && rest[0] != '#') {
        *problem = "unexpected text after the closing \"";
        return false;
    }
    return true;
}

int FindField(const std::string& name)
{
    for (std::size_t i = 0; i < SettingsFieldCount; ++i) {
        if (name == SettingsFields[i].name) return static_cast<int>(i);
    }
    return -1;
}

int FindText(const std::string& name)
{
    for (std::size_t i = 0; i < SettingsTextCount; ++i) {
        if (name == TextFieldNames[i]) return static_cast<int>(i);
    }
    return -1;
}

bool IsPlainLine(const std::string& text)
{
    if (text.empty() || text.front() == ' ' || text.front() == '\t' || text.back() == ' ' || text.back() == '\t') {
        return false;
    }
    if (text.front() == '"' || text.compare(0, 2, "<<") == 0) return false;
    for (unsigned char c : text) {
        if (c < 0x20 || c == 0x7F) return false;
    }
    return true;
}

// Lines joined by CR LF and nothing else that needs escaping.
bool SplitCrLfLines(const std::string& text, std::vector<std::string>* lines)
{
    if (text.find("\r\n") == std::string::npos) return false;
    lines->clear();
    std::string current;
    for (std::size_t i = 0; i < text.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            lines->push_back(current);
            current.clear();
            ++i;
        } else if ((c < 0x20 && c != '\t') || c == 0x7F) {
            return false;
        } else {
            current += static_cast<char>(c);
        }
    }
    lines->push_back(current);
    return true;
}

std::string QuotedText(const std::string& text)
{
    std::string out = "\"";
    for (unsigned char c : text) {
        switch (c) {
        case '\\': out += "\\\\"; break;
        case '"': out += "\\\""; break;
        case '\r': out += "\\r"; break;
        case '\n': out += "\\n"; break;
        case '\t': out += "\\t"; break;
        default:
            if (c < 0x20 || c == 0x7F) {
                char hex[8];
                std::snprintf(hex, sizeof hex, "\\x%02X", c);
                out += hex;
            } else {
                out += static_cast<char>(c);
            }
        }
    }
    return out + "\"";
}

std::string TextAssignment(const char* name, const std::string& text)
{
    std::string line = std::string(name) + " =";
    if (text.empty()) return line + "\n";
    if (IsPlainLine(text)) return line + " " + text + "\n";
    std::vector<std::string> lines;
    if (SplitCrLfLines(text, &lines)) {
        std::string marker = "END";
        for (int n = 1;; ++n) {
            bool clash = false;
            for (const std::string& l : lines) clash = clash || l == marker;
            if (!clash) break;
            marker = "END" + std::to_string(n);
        }
        line += " <<" + marker + "\n";
        for (const std::string& l : lines) line += l + "\n";
        return line + marker + "\n";
    }
    return line + " " + QuotedText(text) + "\n";
}

bool ReadsBackExactly(const std::string& text, float value)
{
    int error = 0;
    long double real = TextToReal(text.c_str(), &error);
    if (error != 0) return false;
    float back = RealToFloat(real);
    return std::memcmp(&back, &value, sizeof value) == 0;
}

}  // namespace

std::vector<std::string> SourceLines(const std::string& source)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start <= source.size()) {
        std::size_t end = source.find('\n', start);
        if (end == std::string::npos) end = source.size();
        std::string line = source.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

std::string TrimmedText(const std::string& text)
{
    return Trim(text);
}

std::string QuotedSettingsText(const std::string& text)
{
    return QuotedText(text);
}

std::string ExactCountText(long long value)
{
    unsigned long long magnitude = value < 0 ? 0 - static_cast<unsigned long long>(value) : static_cast<unsigned long long>(value);
    std::string digits = std::to_string(magnitude);
    std::string out = value < 0 ? "-" : "";
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
        out += digits[i];
    }
    return out;
}

std::string ExactRealText(float value)
{
    std::string share = Trim(ShareToText(value));
    if (ReadsBackExactly(share, value)) return share;
    std::string nineDigits = Trim(RealToText(value, 17, -1));
    if (ReadsBackExactly(nineDigits, value)) return nineDigits;
    std::uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    char text[24];
    std::snprintf(text, sizeof text, "bits:0x%08X", static_cast<unsigned>(bits));
    return text;
}

bool ParseSettingsSource(const std::string& source, SettingsSource* out, std::string* error)
{
    std::memset(out->storedBlock, 0, sizeof out->storedBlock);
    out->storedBlock[CurrentPageOffset] = 1;
    for (std::string& text : out->texts) text.clear();
    bool seen[SettingsFieldCount] = {};
    bool textSeen[SettingsTextCount] = {};
    bool pageSeen = false, reservedSeen = false;

    std::vector<std::string> lines = SourceLines(source);
    for (std::size_t index = 0; index < lines.size(); ++index) {
        std::size_t lineNumber = index + 1;
        std::string line = Trim(lines[index]);
        if (line.empty() || line[0] == '#') continue;
        std::size_t equals = line.find('=');
        if (equals == std::string::npos) {
            *error = LineError(lineNumber, "expected 'Field = value'");
            return false;
        }
        std::string name = Trim(line.substr(0, equals));
        std::string value = Trim(line.substr(equals + 1));
        std::string problem;

        int field = FindField(name);
        if (field >= 0) {
            const SettingsField& f = SettingsFields[field];
            if (seen[field]) {
                *error = LineError(lineNumber, name + " given twice");
                return false;
            }
            seen[field] = true;
            std::string number = WithoutComment(value);
            if (f.kind == FieldKind::Count) {
                long long count;
                if (!ParseExactCount(number, &count)) {
                    *error = LineError(lineNumber, name + ": not a whole number in the 64-bit range: '" + number + "'");
                    return false;
                }
                WriteCountField(out->storedBlock, f.offset, count);
            } else {
                float real;
                if (!ParseExactReal(number, &real, &problem)) {
                    *error = LineError(lineNumber, name + ": " + problem);
                    return false;
                }
                WriteRealField(out->storedBlock, f.offset, real);
            }
            continue;
        }
        if (name == "CurrentPage") {
            long long page;
            std::string number = WithoutComment(value);
            if (pageSeen || !ParseExactCount(number, &page) || page < 0 || page > 255) {
                *error = LineError(lineNumber, pageSeen ? "CurrentPage given twice" : "CurrentPage: a number from 0 to 255 expected");
                return false;
            }
            pageSeen = true;
            out->storedBlock[CurrentPageOffset] = static_cast<unsigned char>(page);
            continue;
        }
        if (name == "Reserved") {
            std::string hex = WithoutComment(value);
            std::size_t count = 0;
            for (std::size_t i = 0; i < hex.size();) {
                if (hex[i] == ' ' || hex[i] == '\t') {
                    ++i;
                    continue;
                }
                int high = HexDigit(hex[i]);
                int low = i + 1 < hex.size() ? HexDigit(hex[i + 1]) : -1;
                if (high < 0 || low < 0 || count >= ReservedSize) {
                    count = ReservedSize + 1;
                    break;
                }
                out->storedBlock[ReservedOffset + count++] = static_cast<unsigned char>(high * 16 + low);
                i += 2;
            }
            if (reservedSeen || count != ReservedSize) {
                *error = LineError(lineNumber, reservedSeen ? "Reserved given twice" : "Reserved: 80 bytes in hex expected");
                return false;
            }
            reservedSeen = true;
            continue;
        }
        int text = FindText(name);
        if (text < 0) {
            *error = LineError(lineNumber, "unknown field '" + name + "'");
            return false;
        }
        if (textSeen[text]) {
            *error = LineError(lineNumber, name + " given twice");
            return false;
        }
        textSeen[text] = true;
        std::string& target = out->texts[text];
        if (!value.empty() && value[0] == '"') {
            if (!ParseQuoted(value, &target, &problem)) {
                *error = LineError(lineNumber, name + ": " + problem);
                return false;
            }
        } else if (value.compare(0, 2, "<<") == 0) {
            std::string marker = Trim(value.substr(2));
            if (marker.empty()) {
                *error = LineError(lineNumber, name + ": '<<' needs an end marker, as in <<END");
                return false;
            }
            std::size_t end = index + 1;
            while (end < lines.size() && lines[end] != marker) ++end;
            if (end >= lines.size()) {
                *error = LineError(lineNumber, name + ": no line '" + marker + "' ends this text");
                return false;
            }
            for (std::size_t i = index + 1; i < end; ++i) {
                if (i > index + 1) target += "\r\n";
                target += lines[i];
            }
            index = end;
        } else {
            target = value;
        }
        if (target.size() > MaxSettingsTextLength) {
            *error = LineError(lineNumber, name + ": longer than 65,535 bytes");
            return false;
        }
    }
    for (std::size_t i = 0; i < SettingsFieldCount; ++i) {
        if (!seen[i]) {
            *error = std::string("missing field ") + SettingsFields[i].name;
            return false;
        }
    }
    return true;
}

std::string WriteSettingsSource(const unsigned char* storedBlock, const StoredText texts[SettingsTextCount])
{
    std::string out = "# Halvorendyne settings\n";
    for (const SettingsField& f : SettingsFields) {
        out += std::string(f.name) + " = ";
        if (f.kind == FieldKind::Count) {
            out += ExactCountText(ReadCountField(storedBlock, f.offset));
        } else {
            out += ExactRealText(ReadRealField(storedBlock, f.offset));
        }
        out += "\n";
    }
    out += "CurrentPage = " + std::to_string(storedBlock[CurrentPageOffset]) + "\n";
    bool reservedUsed = false;
    for (std::size_t i = 0; i < ReservedSize; ++i) reservedUsed = reservedUsed || storedBlock[ReservedOffset + i] != 0;
    if (reservedUsed) {
        out += "Reserved =";
        for (std::size_t i = 0; i < ReservedSize; ++i) {
            char hex[4];
            std::snprintf(hex, sizeof hex, " %02X", storedBlock[ReservedOffset + i]);
            out += hex;
        }
        out += "\n";
    }
    for (std::size_t i = 0; i < SettingsTextCount; ++i) {
        std::string text(reinterpret_cast<const char*>(texts[i].bytes), texts[i].length);
        out += TextAssignment(TextFieldNames[i], text);
    }
    return out;
}
