// hvdtool show --json.
#include <cmath>
#include <cstring>
#include <vector>

#include "model/number_text.h"
#include "model/settings_record.h"
#include "tools/hvdtool/output/json_writer.h"
#include "tools/hvdtool/output/number_format.h"
#include "tools/hvdtool/settings/result_values.h"
#include "tools/hvdtool/settings/settings_fields.h"
#include "tools/hvdtool/tool_commands.h"
#include "tools/hvdtool/tool_files.h"

namespace {

std::string ParameterJson(const SettingsField& f, const unsigned char* block)
{
    if (f.kind == FieldKind::Count) return std::to_string(static_cast<long long>(ReadCountField(block, f.offset)));
    float value = ReadRealField(block, f.offset);
    if (std::isfinite(value)) return FloatText(value);
    std::string shown = ShareToText(value);
    return JsonAnsiString(shown.substr(shown.find_first_not_of(' ')));
}

}  // namespace

int ShowJsonCommand(const std::string& path)
{
    std::vector<unsigned char> bytes;
    SettingsFileView view;
    int status;
    if (!ReadSettingsFile(path, &bytes, &view, &status)) return status;
    LoadIntoRecord(view);

    JsonWriter json;
    json.BeginObject();
    json.Key("file");
    json.Raw(JsonFileNameString(path));
    json.Key("parameters");
    json.BeginObject();
    for (const SettingsField& f : SettingsFields) {
        json.Key(f.name);
        json.Raw(ParameterJson(f, view.storedBlock));
    }
    json.EndObject();
    json.Key("currentPage");
    json.Integer(Settings.CurrentPage);
    // The texts as the program holds them: up to a NUL, empty when absent.
    const char* texts[3] = {Settings.AuthorName, Settings.AuthorAbout, Settings.SettingsComments};
    json.Key("texts");
    json.BeginObject();
    for (int i = 0; i < 3; ++i) {
        json.Key(TextFieldNames[i]);
        json.Raw(JsonAnsiString(texts[i] ? texts[i] : ""));
    }
    json.EndObject();

    ResultValues results = CurrentResults();
    json.Key("results");
    json.BeginArray();
    for (int line = 1; line <= ResultLineCount; ++line) {
        json.BeginObject();
        json.Key("label");
        json.String(ResultLabel(line));
        json.Key("value");
        json.Raw(ResultJson(results.line[line - 1]));
        json.Key("unit");
        json.String(ResultUnit(line));
        json.Key("text");
        json.String(ResultWording(results.line[line - 1]));
        json.EndObject();
    }
    json.EndArray();
    json.Key("settingsLine");
    json.Raw(JsonAnsiString(ComposeSettingsLine(Settings.AuthorName, FileDateText(path).c_str())));
    json.EndObject();
    std::string text = json.Text();
    std::fwrite(text.data(), 1, text.size(), stdout);
    return 0;
}
