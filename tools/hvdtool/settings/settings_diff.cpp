#include "tools/hvdtool/settings/settings_diff.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "model/number_text.h"
#include "tools/hvdtool/output/json_writer.h"
#include "tools/hvdtool/output/number_format.h"
#include "tools/hvdtool/settings/settings_fields.h"
#include "tools/hvdtool/settings/settings_source.h"
#include "tools/hvdtool/tool_files.h"

namespace {

std::string Trimmed(const char* text)
{
    std::string out = text;
    std::size_t first = out.find_first_not_of(' ');
    return first == std::string::npos ? out : out.substr(first);
}

std::string RealJson(float value)
{
    return std::isfinite(value) ? FloatText(value) : JsonAnsiString(Trimmed(ShareToText(value)));
}

std::string HexBytes(const unsigned char* bytes, std::size_t count)
{
    std::string out;
    for (std::size_t i = 0; i < count; ++i) {
        char hex[4];
        std::snprintf(hex, sizeof hex, i == 0 ? "%02X" : " %02X", bytes[i]);
        out += hex;
    }
    return out;
}

std::string TextOf(const StoredText& text)
{
    return std::string(reinterpret_cast<const char*>(text.bytes), text.length);
}

std::string ReadableText(const std::string& text)
{
    return text.empty() ? "(empty)" : QuotedSettingsText(text);
}

SettingsChange ParameterChange(const SettingsField& f, const unsigned char* a, const unsigned char* b)
{
    SettingsChange change{f.name, "", "", "", ""};
    if (f.kind == FieldKind::Count) {
        std::int64_t before = ReadCountField(a, f.offset), after = ReadCountField(b, f.offset);
        change.before = CountToGroupedText(false, before);
        change.after = CountToGroupedText(false, after);
        if (change.before == change.after) {  // 19 digits are shown with 18 significant ones
            change.before += " (" + ExactCountText(before) + ")";
            change.after += " (" + ExactCountText(after) + ")";
        }
        change.beforeJson = std::to_string(static_cast<long long>(before));
        change.afterJson = std::to_string(static_cast<long long>(after));
        return change;
    }
    float before = ReadRealField(a, f.offset), after = ReadRealField(b, f.offset);
    change.before = Trimmed(ShareToText(before));
    change.after = Trimmed(ShareToText(after));
    if (change.before == change.after) {
        change.before += " (" + (std::isfinite(before) ? FloatText(before) : ExactRealText(before)) + ")";
        change.after += " (" + (std::isfinite(after) ? FloatText(after) : ExactRealText(after)) + ")";
    }
    change.beforeJson = RealJson(before);
    change.afterJson = RealJson(after);
    return change;
}

}  // namespace

std::vector<SettingsChange> SettingsChanges(const SettingsFileView& a, const SettingsFileView& b)
{
    std::vector<SettingsChange> changes;
    for (const SettingsField& f : SettingsFields) {
        std::size_t size = f.kind == FieldKind::Count ? 8 : 4;
        if (std::memcmp(a.storedBlock + f.offset, b.storedBlock + f.offset, size) != 0) {
            changes.push_back(ParameterChange(f, a.storedBlock, b.storedBlock));
        }
    }
    if (std::memcmp(a.storedBlock + ReservedOffset, b.storedBlock + ReservedOffset, ReservedSize) != 0) {
        changes.push_back({"Reserved", HexBytes(a.storedBlock + ReservedOffset, ReservedSize),
                           HexBytes(b.storedBlock + ReservedOffset, ReservedSize), "", ""});
        changes.back().beforeJson = JsonAnsiString(changes.back().before);
        changes.back().afterJson = JsonAnsiString(changes.back().after);
    }
    unsigned pageA = a.storedBlock[CurrentPageOffset], pageB = b.storedBlock[CurrentPageOffset];
    if (pageA != pageB) {
        changes.push_back({"CurrentPage", std::to_string(pageA), std::to_string(pageB), std::to_string(pageA), std::to_string(pageB)});
    }
    for (std::size_t i = 0; i < SettingsTextCount; ++i) {
        std::string before = TextOf(a.texts[i]), after = TextOf(b.texts[i]);
        if (before == after) continue;
        changes.push_back({TextFieldNames[i], ReadableText(before), ReadableText(after), JsonAnsiString(before), JsonAnsiString(after)});
    }
    return changes;
}

void CompareResults(const SettingsFileView& a, const SettingsFileView& b, ResultComparison out[ResultLineCount])
{
    LoadIntoRecord(a);
    ResultValues first = CurrentResults();
    LoadIntoRecord(b);
    ResultValues second = CurrentResults();
    for (int i = 0; i < ResultLineCount; ++i) {
        ResultComparison& c = out[i];
        c.a = first.line[i];
        c.b = second.line[i];
        long double x, y;
        c.ratioDefined = ResultNumber(c.a, &x) && ResultNumber(c.b, &y) && x != 0;
        c.ratio = c.ratioDefined ? y / x : 0.0L;
    }
}

std::string RatioText(const ResultComparison& comparison)
{
    return comparison.ratioDefined ? SignificantText(comparison.ratio, 3, true) : "n/a";
}
