// hvdtool diff A.hvd B.hvd [--json].
#include <cstdio>
#include <vector>

#include "tools/hvdtool/output/json_writer.h"
#include "tools/hvdtool/output/number_format.h"
#include "tools/hvdtool/settings/settings_diff.h"
#include "tools/hvdtool/tool_commands.h"
#include "tools/hvdtool/tool_files.h"

namespace {

std::string DiffText(const std::string& pathA, const std::string& pathB, const std::vector<SettingsChange>& changes,
                     const ResultComparison results[ResultLineCount])
{
    std::string out = "A: " + pathA + "\nB: " + pathB + "\n\n";
    if (changes.empty()) out += "No parameter or text differs.\n";
    for (const SettingsChange& c : changes) {
        std::string name = c.field + std::string(c.field.size() < 24 ? 24 - c.field.size() : 1, ' ');
        out += name + c.before + "  ->  " + c.after + "\n";
    }
    char line[512];
    std::snprintf(line, sizeof line, "\n%-68s %22s %22s %14s\n", "Results", "A", "B", "B / A");
    out += line;
    for (int i = 0; i < ResultLineCount; ++i) {
        const ResultComparison& r = results[i];
        std::snprintf(line, sizeof line, "%-68s %22s %22s %14s\n", ResultLabel(i + 1), ResultWording(r.a).c_str(),
                      ResultWording(r.b).c_str(), RatioText(r).c_str());
        out += line;
    }
    return out;
}

std::string DiffJson(const std::string& pathA, const std::string& pathB, const std::vector<SettingsChange>& changes,
                     const ResultComparison results[ResultLineCount])
{
    JsonWriter json;
    json.BeginObject();
    json.Key("a");
    json.Raw(JsonFileNameString(pathA));
    json.Key("b");
    json.Raw(JsonFileNameString(pathB));
    json.Key("changes");
    json.BeginArray();
    for (const SettingsChange& c : changes) {
        json.BeginObject();
        json.Key("field");
        json.String(c.field);
        json.Key("old");
        json.Raw(c.beforeJson);
        json.Key("new");
        json.Raw(c.afterJson);
        json.Key("oldText");
        json.Raw(JsonAnsiString(c.before));
        json.Key("newText");
        json.Raw(JsonAnsiString(c.after));
        json.EndObject();
    }
    json.EndArray();
    json.Key("results");
    json.BeginArray();
    for (int i = 0; i < ResultLineCount; ++i) {
        const ResultComparison& r = results[i];
        json.BeginObject();
        json.Key("label");
        json.String(ResultLabel(i + 1));
        json.Key("unit");
        json.String(ResultUnit(i + 1));
        json.Key("a");
        json.Raw(ResultJson(r.a));
        json.Key("b");
        json.Raw(ResultJson(r.b));
        json.Key("aText");
        json.String(ResultWording(r.a));
        json.Key("bText");
        json.String(ResultWording(r.b));
        json.Key("ratio");
        json.Raw(r.ratioDefined ? SignificantText(r.ratio, 10, false) : "\"n/a\"");
        json.EndObject();
    }
    json.EndArray();
    json.EndObject();
    return json.Text();
}

}  // namespace

int DiffCommand(const std::string& pathA, const std::string& pathB, bool json)
{
    std::vector<unsigned char> bytesA, bytesB;
    SettingsFileView a, b;
    int status;
    if (!ReadSettingsFile(pathA, &bytesA, &a, &status) || !ReadSettingsFile(pathB, &bytesB, &b, &status)) return status;
    std::vector<SettingsChange> changes = SettingsChanges(a, b);
    ResultComparison results[ResultLineCount];
    CompareResults(a, b, results);
    std::string text = json ? DiffJson(pathA, pathB, changes, results) : DiffText(pathA, pathB, changes, results);
    std::fwrite(text.data(), 1, text.size(), stdout);
    return changes.empty() ? 0 : 1;
}
