#include "tools/hvdtool/range/sobol_report.h"

#include <cmath>

#include "model/number_text.h"
#include "tools/hvdtool/output/number_format.h"
#include "tools/hvdtool/settings/settings_source.h"

namespace {

std::string Count(std::uint64_t n)
{
    return ExactCountText(static_cast<long long>(n));
}

std::string Padded(const std::string& text, std::size_t width)
{
    return text.size() >= width ? text : text + std::string(width - text.size(), ' ');
}

// Text broken at spaces into lines of at most 80 characters.
std::string Paragraph(const std::string& text)
{
    std::string out, line;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t space = text.find(' ', start);
        if (space == std::string::npos) space = text.size();
        const std::string word = text.substr(start, space - start);
        if (!line.empty() && line.size() + 1 + word.size() > 80) {
            out += line + "\n";
            line.clear();
        }
        line += (line.empty() ? "" : " ") + word;
        start = space + 1;
    }
    return out + line + "\n";
}

std::string WithInterval(long double value, const long double* interval)
{
    return SobolIndexText(value) + " (" + SobolIndexText(interval[0]) + " to " + SobolIndexText(interval[1]) + ")";
}

std::string IndexJson(long double index)
{
    return std::isfinite(index) ? SignificantText(index, 10, false) : "\"n/a\"";
}

void WriteIndexInterval(JsonWriter* json, const char* key, const long double* interval)
{
    json->Key(key);
    json->BeginArray();
    json->Raw(IndexJson(interval[0]));
    json->Raw(IndexJson(interval[1]));
    json->EndArray();
}

const char Output[] =
    "log10 of the civilizations in our galaxy before rounding and the \"at least 1\" rule, a product of 0 or below counted as 10^-30";

}  // namespace

std::string SobolIndexText(long double index)
{
    if (!std::isfinite(index)) return "n/a";
    if (std::fabs(index) < 0.0005L) index = 0;  // no "-0.000"
    std::string text = RealToText(index, 1, 3);
    return text.substr(text.find_first_not_of(' '));
}

void AppendSobolText(std::string* out, const SobolReport& sobol, const SettingsSampler& sampler, std::uint64_t seed)
{
    const std::size_t k = sobol.indices.size();
    const std::uint64_t n = sobol.baseSamples;
    *out += "\n" + Paragraph("Sobol indices of log10 N, N the civilizations in our galaxy before rounding and the \"at least 1\" rule: "
                             "the share of its variance that each parameter carries alone (first order) and together with the others "
                             "(total), largest total first.");
    if (k == 0) {
        *out += "No parameter is drawn.\n";
        return;
    }
    *out += Paragraph(Count(n) + " draws each for A and B" +
                      (sobol.capped ? " (at most " + Count(SobolMaxBaseSamples) + ", whatever --samples says)" : "") + " and, for each of the " +
                      std::to_string(k) + " parameters, " + Count(n) + " rows of A with that parameter from B: " + Count(n * (k + 2)) +
                      " runs of the estimate, seed " + std::to_string(seed) + ". Settings for A and B the wizard would refuse, drawn "
                      "again: " + Count(sobol.refused) + ". N of 0 or below, counted as 10^-30: " + Count(sobol.floored) + " of the " +
                      Count(2 * n) + " draws of A and B. Rows of A with one parameter from B that the wizard would refuse, computed "
                      "all the same: " + Count(sobol.refusedMixed) + ".");
    *out += "  " + Padded("", 24) + Padded("first order (95 % interval)", 30) + "total (95 % interval)\n";
    for (std::size_t i = 0; i < k; ++i) {
        const SobolIndex& s = sobol.indices[i];
        *out += "  " + Padded(sampler.Parameter(sobol.parameters[i]).field->name, 24) + Padded(WithInterval(s.first, s.firstInterval), 30) +
                WithInterval(s.total, s.totalInterval) + "\n";
    }
    if (!(sobol.variance > 0)) {
        *out += "log10 N is the same in every draw: it has no variance to share out.\n";
        return;
    }
    *out += Paragraph("Sum of the first-order indices: " + SobolIndexText(sobol.firstSum) +
                      " (near 1: each parameter moves log10 N on its own, the effects add up; well below 1: parameters act "
                      "together).");
    *out += Paragraph("(First order: Saltelli et al. 2010; total: Jansen. The 95 % intervals from " + std::to_string(sobol.resamples) +
                      " bootstrap resamples of the rows, each with its A, B and A_B^i rows. A row of A with one parameter from B "
                      "that the wizard would refuse is computed all the same: the estimators need each parameter drawn on its own, "
                      "which drawing it again would undo.)");
}

void WriteSobolJson(JsonWriter* json, const SobolReport& sobol, const SettingsSampler& sampler)
{
    json->Key("sobol");
    json->BeginObject();
    json->Key("output");
    json->String(Output);
    json->Key("method");
    json->String("first-order indices by Saltelli et al. 2010, total indices by Jansen, from A, B and A_B^i (A with parameter i from "
                 "B); 95 % percentile intervals from bootstrap resamples of the rows; rows of A_B^i the wizard would refuse are "
                 "computed all the same");
    json->Key("baseSamples");
    json->Integer(static_cast<long long>(sobol.baseSamples));
    json->Key("modelRuns");
    json->Integer(static_cast<long long>(sobol.baseSamples * (sobol.indices.size() + 2)));
    json->Key("resamples");
    json->Integer(sobol.resamples);
    json->Key("refused");
    json->Integer(static_cast<long long>(sobol.refused));
    json->Key("floored");
    json->Integer(static_cast<long long>(sobol.floored));
    json->Key("refusedMixed");
    json->Integer(static_cast<long long>(sobol.refusedMixed));
    json->Key("variance");
    json->Raw(SignificantText(sobol.variance, 10, false));
    json->Key("firstSum");
    json->Raw(IndexJson(sobol.firstSum));
    json->Key("indices");
    json->BeginArray();
    for (std::size_t i = 0; i < sobol.indices.size(); ++i) {
        const SobolIndex& s = sobol.indices[i];
        json->BeginObject();
        json->Key("name");
        json->String(sampler.Parameter(sobol.parameters[i]).field->name);
        json->Key("first");
        json->Raw(IndexJson(s.first));
        WriteIndexInterval(json, "firstInterval", s.firstInterval);
        json->Key("total");
        json->Raw(IndexJson(s.total));
        WriteIndexInterval(json, "totalInterval", s.totalInterval);
        json->EndObject();
    }
    json->EndArray();
    json->EndObject();
}
