// hvdtool solve FILE [--result galaxy|universe|inhabited] [--target N] [--json]:
// what each parameter on its own would have to be for the result to
// reach the target, by default the value at which we would be alone.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <vector>

#include "model/estimation.h"
#include "model/extended_math.h"
#include "model/settings_record.h"
#include "tools/hvdtool/output/json_writer.h"
#include "tools/hvdtool/output/number_format.h"
#include "tools/hvdtool/range/range_run.h"
#include "tools/hvdtool/settings/settings_fields.h"
#include "tools/hvdtool/settings/settings_source.h"
#include "tools/hvdtool/solve/break_even.h"
#include "tools/hvdtool/tool_commands.h"
#include "tools/hvdtool/tool_files.h"

namespace {

const char* ResultDescription(SolvedResult result)
{
    switch (result) {
    case SolvedResult::Galaxy: return "the civilizations in our galaxy (the product before rounding and the \"at least 1\" rule)";
    case SolvedResult::Universe:
        return "the civilizations in the universe (the product before rounding, from our galaxy's count without the \"at least 1\" rule)";
    case SolvedResult::Inhabited: return "the inhabited planets in our galaxy (the product before rounding)";
    }
    return "";
}

const char* ResultKey(SolvedResult result)
{
    switch (result) {
    case SolvedResult::Galaxy: return "galaxyCivilizations";
    case SolvedResult::Universe: return "universeCivilizations";
    case SolvedResult::Inhabited: return "inhabitedPlanets";
    }
    return "";
}

// A parameter value as the text form writes it back exactly: counts grouped,
// floats in their shortest exact text.
std::string ValueText(const BreakEven& e, long double value)
{
    if (SettingsFields[e.parameter].kind == FieldKind::Count) return ExactCountText(static_cast<long long>(value));
    return FloatText(static_cast<float>(value));
}

std::string ValueJson(const BreakEven& e, long double value)
{
    if (SettingsFields[e.parameter].kind == FieldKind::Count) return std::to_string(static_cast<long long>(value));
    return FloatText(static_cast<float>(value));
}

// A product with enough digits to tell it from the target: 0.99999964
// rather than 1.
std::string ProductDigits(long double product, long double target, int digits, bool grouped)
{
    std::string text = SignificantText(product, digits, grouped);
    while (product != target && digits < 18 && text == SignificantText(target, digits, grouped)) {
        text = SignificantText(product, ++digits, grouped);
    }
    return text;
}

std::string ProductWording(long double product, long double target)
{
    return ProductDigits(product, target, 8, true);
}

std::string ProductJson(long double product, long double target)
{
    if (!std::isfinite(product)) return JsonAnsiString(SignificantText(product, 3, false));
    return ProductDigits(product, target, 10, false);
}

// The factor between the file's value and a break-even value, as the
// tornado charts take it: n/a for 0, or for values on either side of 0.
bool Factor(const BreakEven& e, const Crossing& c, long double* factor, long double* key)
{
    return ProductFactor(e.fileValue, c.value, factor, key);
}

// Parameters with a crossing first, by the smallest change that reaches the
// target; ties and those without a crossing in file order.
std::vector<BreakEven> Sorted(std::vector<BreakEven> entries)
{
    auto key = [](const BreakEven& e) {
        long double best = std::numeric_limits<long double>::infinity(), factor, k;
        for (const Crossing& c : e.crossings) {
            Factor(e, c, &factor, &k);
            best = std::min(best, k);
        }
        return best;
    };
    std::stable_sort(entries.begin(), entries.end(), [&key](const BreakEven& a, const BreakEven& b) {
        if (a.crossings.empty() != b.crossings.empty()) return b.crossings.empty();
        return key(a) < key(b);
    });
    return entries;
}

std::string Padded(const std::string& text, std::size_t width)
{
    return text.size() >= width ? text + " " : text + std::string(width - text.size(), ' ');
}

std::string RightAligned(const std::string& text, std::size_t width)
{
    return text.size() >= width ? text : std::string(width - text.size(), ' ') + text;
}

// Lines of at most 80 characters, broken at spaces.
std::string WordWrapped(const std::string& text)
{
    std::string out, line;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t space = text.find(' ', start);
        std::string word = text.substr(start, space == std::string::npos ? std::string::npos : space - start);
        if (!line.empty() && line.size() + 1 + word.size() > 80) {
            out += line + "\n";
            line = word;
        } else {
            line += (line.empty() ? "" : " ") + word;
        }
        start = space == std::string::npos ? text.size() : space + 1;
    }
    return out + line + "\n";
}

std::string SolveText(const std::string& path, SolvedResult result, long double target, long double atFile,
                      const std::vector<BreakEven>& entries)
{
    const std::string t = SignificantText(target, 18, true);
    std::string out = WordWrapped("Break-even values of " + path + ": where " + ResultDescription(result) + " reach " + t +
                                  ", each parameter on its own with the others at the file's values, over the values the "
                                  "settings wizard accepts. At the file's values: " + ProductWording(atFile, target) + ".");
    out += WordWrapped("Each line: the factor between the file's value and the first value at which the product reaches " + t +
                       " (smallest first), the two values, the product there, and the value beside it with its product below " +
                       t + ".");
    out += "\n";
    for (const BreakEven& e : entries) {
        const char* name = SettingsFields[e.parameter].name;
        if (e.crossings.empty()) {
            out += "  " + Padded(name, 24) + std::string(12, ' ') + "   " + ValueText(e, e.fileValue) +
                   ": no value in the accepted range, " + ValueText(e, e.from) + " to " + ValueText(e, e.to) + " (stays " +
                   (e.reachedAtFrom ? "at or above " : "below ") + t + ")\n";
            continue;
        }
        bool first = true;
        for (const Crossing& c : e.crossings) {
            long double factor, key;
            std::string x = Factor(e, c, &factor, &key) ? SignificantText(factor, 3, true, true) : "n/a";
            out += "  " + Padded(first ? name : "", 24) + RightAligned("x " + x, 12) + "   " + ValueText(e, e.fileValue) + " -> " +
                   ValueText(e, c.value) + " (" + ProductWording(c.product, target) + "; " + ValueText(e, c.neighbour) + " gives " +
                   ProductWording(c.neighbourProduct, target) + ")\n";
            first = false;
        }
    }
    return out;
}

std::string SolveJson(const std::string& path, SolvedResult result, long double target, long double atFile,
                      const std::vector<BreakEven>& entries)
{
    JsonWriter json;
    json.BeginObject();
    json.Key("file");
    json.Raw(JsonFileNameString(path));
    json.Key("result");
    json.String(ResultKey(result));
    json.Key("target");
    json.Raw(SignificantText(target, 18, false));
    json.Key("method");
    json.String(std::string("each parameter on its own, the others at the file's values, over the values the settings wizard accepts: "
                            "the first value at which ") + ResultDescription(result) +
                " reaches the target, and the value beside it whose product stays below it");
    json.Key("productAtFile");
    json.Raw(ProductJson(atFile, target));
    json.Key("parameters");
    json.BeginArray();
    for (const BreakEven& e : entries) {
        json.BeginObject();
        json.Key("parameter");
        json.String(SettingsFields[e.parameter].name);
        json.Key("value");
        json.Raw(ValueJson(e, e.fileValue));
        json.Key("acceptedFrom");
        json.Raw(ValueJson(e, e.from));
        json.Key("acceptedTo");
        json.Raw(ValueJson(e, e.to));
        json.Key("crossings");
        json.BeginArray();
        for (const Crossing& c : e.crossings) {
            long double factor, key;
            json.BeginObject();
            json.Key("breakEven");
            json.Raw(ValueJson(e, c.value));
            json.Key("product");
            json.Raw(ProductJson(c.product, target));
            json.Key("neighbour");
            json.Raw(ValueJson(e, c.neighbour));
            json.Key("neighbourProduct");
            json.Raw(ProductJson(c.neighbourProduct, target));
            json.Key("direction");
            json.String(c.value > c.neighbour ? "rising" : "falling");
            json.Key("factor");
            json.Raw(Factor(e, c, &factor, &key) ? SignificantText(factor, 10, false) : "\"n/a\"");
            json.EndObject();
        }
        json.EndArray();
        if (e.crossings.empty()) {
            json.Key("productStays");
            json.String(e.reachedAtFrom ? "at or above" : "below");
        }
        json.EndObject();
    }
    json.EndArray();
    json.EndObject();
    return json.Text();
}

}  // namespace

int SolveCommand(const CommandLine& line)
{
    const std::string& path = line.files[0];
    std::vector<unsigned char> bytes;
    SettingsFileView view;
    int status;
    if (!ReadSettingsFile(path, &bytes, &view, &status) || !WizardAccepts(path, view, &status)) return status;

    SettingsRecord record;
    std::memset(&record, 0, sizeof record);
    std::memcpy(&record, view.storedBlock, StoredBlockSize);
    record.MaxYears = FixedMaxYears;
    const long double atFile = SolvedProduct(ComputeResultsFor(&record), line.result);
    std::vector<BreakEven> entries = Sorted(FindBreakEvens(view.storedBlock, line.result, line.target));
    std::string text = line.json ? SolveJson(path, line.result, line.target, atFile, entries)
                                 : SolveText(path, line.result, line.target, atFile, entries);
    std::fwrite(text.data(), 1, text.size(), stdout);
    return 0;
}
