#include "tools/hvdtool/range/range_report.h"

#include <cmath>

#include "model/extended_math.h"
#include "model/number_text.h"
#include "tools/hvdtool/output/json_writer.h"
#include "tools/hvdtool/output/number_format.h"
#include "tools/hvdtool/range/sobol_report.h"
#include "tools/hvdtool/settings/settings_source.h"

namespace {

const char MedianMethod[] =
    "the others at the median of their drawing distribution (geometric mean where log-uniform, midpoint where uniform)";

const char* SpreadName(Spread spread)
{
    switch (spread) {
    case Spread::Fixed: return "fixed";
    case Spread::Uniform: return "uniform";
    case Spread::LogUniform: return "log-uniform";
    case Spread::Normal: return "normal";
    case Spread::Log10Normal: return "log10normal";
    case Spread::Beta: return "beta";
    case Spread::Values: return "values";
    }
    return "";
}

bool FromTwoFiles(const SettingsSampler& sampler)
{
    return sampler.Model().description.empty();
}

std::string SpreadValueJson(const ParameterSpread& p, long double value)
{
    if (p.field->kind == FieldKind::Count) return std::to_string(static_cast<long long>(value));
    return FloatText(static_cast<float>(value));  // low, high and median hold floats exactly
}

// The mean in the results screen's wording: distances as whole light-years,
// counts to three significant digits.
std::string MeanText(const ResultSpread& r, bool distance)
{
    if (!r.meanDefined) return "n/a";
    if (distance) return std::string(DistanceText(RealToFloat(r.mean))) + " ly";
    return SignificantText(r.mean, 3, true);
}

std::string MeanJson(const ResultSpread& r)
{
    if (!r.meanDefined) return "\"n/a\"";
    if (!std::isfinite(r.mean)) return JsonAnsiString(SignificantText(r.mean, 3, false));
    return SignificantText(r.mean, 10, false);
}

std::string FactorText(const ResultValue* pair)
{
    long double factor, key;
    return ChangeFactor(pair[0], pair[1], &factor, &key) ? SignificantText(factor, 3, true, true) : "n/a";
}

std::string FactorJson(const ResultValue* pair)
{
    long double factor, key;
    return ChangeFactor(pair[0], pair[1], &factor, &key) ? SignificantText(factor, 10, false) : "\"n/a\"";
}

std::string ProductFactorText(const long double* pair)
{
    long double factor, key;
    return ProductFactor(pair[0], pair[1], &factor, &key) ? SignificantText(factor, 3, true, true) : "n/a";
}

std::string ProductJson(long double product)
{
    return std::isfinite(product) ? SignificantText(product, 10, false) : JsonAnsiString(SignificantText(product, 3, false));
}

bool Unchanged(const ResultValue* pair)
{
    return pair[0].count == pair[1].count && pair[0].exponent == pair[1].exponent;
}

std::string RefusalNote(const SensitivityEntry& e)
{
    if (e.refused[0] && e.refused[1]) return "  (refused at both)";
    if (e.refused[0]) return "  (refused at low)";
    if (e.refused[1]) return "  (refused at high)";
    return "";
}

std::string Padded(const std::string& text, std::size_t width)
{
    return text.size() >= width ? text : text + std::string(width - text.size(), ' ');
}

std::string RightAligned(const std::string& text, std::size_t width)
{
    return text.size() >= width ? text : std::string(width - text.size(), ' ') + text;
}

// Text broken after commas into lines of at most 80 characters.
std::string Wrapped(const std::string& text, const std::string& indent)
{
    const std::size_t width = 80;
    std::string out, line;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t comma = text.find(", ", start);
        std::string piece = text.substr(start, comma == std::string::npos ? std::string::npos : comma + 1 - start);
        if (!line.empty() && line.size() + 1 + piece.size() > width) {
            out += line + "\n";
            line = indent + piece;
        } else {
            line += (line.empty() ? "" : " ") + piece;
        }
        start = comma == std::string::npos ? text.size() : comma + 2;
    }
    return out + line + "\n";
}

void AppendRanking(std::string* out, const RangeReport& report, const SettingsSampler& sampler, bool galaxy)
{
    *out += galaxy ? "\nCivilizations in our galaxy, by the product before rounding and the \"at least 1\"\nrule, largest change first:\n"
                   : "\nInhabited planets in our galaxy, largest change first:\n";
    std::string unchanged;
    for (std::size_t index : galaxy ? report.galaxyRanking : report.inhabitedRanking) {
        const SensitivityEntry& e = report.sensitivity[index];
        const ResultValue* pair = galaxy ? e.galaxy : e.inhabited;
        const char* name = sampler.Parameter(e.parameter).field->name;
        if (galaxy ? e.galaxyProduct[0] == e.galaxyProduct[1] : Unchanged(pair)) {
            unchanged += (unchanged.empty() ? "" : ", ") + std::string(name);
            continue;
        }
        std::string factor = galaxy ? ProductFactorText(e.galaxyProduct) : FactorText(pair);
        *out += "  " + Padded(name, 24) + RightAligned("x " + factor, 14) + "   " + ResultWording(pair[0]) + " -> " + ResultWording(pair[1]);
        if (galaxy) *out += "  (" + ProductText(e.galaxyProduct[0]) + " -> " + ProductText(e.galaxyProduct[1]) + ")";
        *out += RefusalNote(e) + "\n";
    }
    if (!unchanged.empty()) *out += Wrapped("  unchanged: " + unchanged, "    ");
}

const std::uint64_t PointPercents[3] = {5, 50, 95};

// An interval that reaches the first or the last draw holds less than 95 %.
std::string TooFewNote(const RangeReport& report, int point)
{
    return FullPointInterval(report, PointPercents[point]) ? "" : " (too few draws for 95 %)";
}

std::string IntervalWording(const ResultValue* interval, const RangeReport& report, int point)
{
    return ResultWording(interval[0]) + " to " + ResultWording(interval[1]) + TooFewNote(report, point);
}

std::string ProductIntervalText(const long double* interval, const RangeReport& report, int point)
{
    return ProductText(interval[0]) + " to " + ProductText(interval[1]) + TooFewNote(report, point);
}

std::string ShareIntervalText(const long double* interval)
{
    return PercentText(interval[0]) + " to " + PercentText(interval[1]) + " %";
}

std::string ShareJson(long double share)
{
    return SignificantText(share, 10, false);
}

std::string EndShareText(const EndShares& e, int end, std::uint64_t samples)
{
    return e.Known(end) ? PercentText(e.Share(end, samples)) + " %" : "n/a";
}

void AppendEndShares(std::string* out, const RangeReport& report, const SettingsSampler& sampler)
{
    *out += "\nWhich parameter decides whether we are alone: the share of draws with fewer than\n"
            "one civilization in our galaxy with each parameter held at its low and at its\n"
            "high value, the others drawn as above (the same draws at both ends), largest\n"
            "gap first. Over all draws: " + PercentText(report.galaxyBelowOne) + " %.\n";
    if (report.endSamples < report.samples) {
        *out += "(Of the first " + ExactCountText(static_cast<long long>(report.endSamples)) +
                " draws, which give these shares to a fraction of a percent: each\ntakes two model runs per parameter.)\n";
    }
    if (report.Weighted()) *out += "(Weighted by the observation, as everything above; the refused draws are counted.)\n";
    *out += "  " + Padded("", 24) + "  at low   at high   refused and drawn again (low / high)\n";
    bool hopeless = false, weightless = false;
    for (std::size_t index : report.endShareRanking) {
        const EndShares& e = report.endShares[index];
        const char* name = sampler.Parameter(e.parameter).field->name;
        std::string refused[2];
        for (int end = 0; end < 2; ++end) {
            refused[end] = e.ends[end].hopeless ? "n/a" : ExactCountText(static_cast<long long>(e.ends[end].refused));
            hopeless = hopeless || e.ends[end].hopeless;
            weightless = weightless || (!e.ends[end].hopeless && !e.Known(end));
        }
        *out += "  " + Padded(name, 24) + RightAligned(EndShareText(e, 0, report.endSamples), 8) +
                RightAligned(EndShareText(e, 1, report.endSamples), 10) + "   " + refused[0] + " / " + refused[1] + "\n";
    }
    if (hopeless) *out += "(n/a: the settings wizard would refuse nearly every draw with the parameter there.)\n";
    if (weightless) *out += "(n/a with refused draws counted: the observation is impossible in every draw there.)\n";
}

void WriteInterval(JsonWriter* json, const char* key, const std::string& from, const std::string& to)
{
    json->Key(key);
    json->BeginArray();
    json->Raw(from);
    json->Raw(to);
    json->EndArray();
}

void WriteResultValue(JsonWriter* json, const char* key, const ResultValue& value)
{
    json->Key(key);
    json->Raw(ResultJson(value));
}

void WriteDistribution(JsonWriter* json, const Histogram& h)
{
    json->BeginObject();
    json->Key("binsPerDecade");
    json->Integer(h.binsPerDecade);
    json->Key("bins");
    json->BeginArray();
    for (std::size_t i = 0; i < h.counts.size(); ++i) {
        int bin = h.firstBin + static_cast<int>(i);
        json->BeginObject();
        json->Key("log10From");
        json->Raw(SignificantText(static_cast<long double>(bin) / h.binsPerDecade, 6, false));
        json->Key("log10To");
        json->Raw(SignificantText(static_cast<long double>(bin + 1) / h.binsPerDecade, 6, false));
        json->Key("count");
        json->Integer(static_cast<long long>(h.counts[i]));
        if (h.Weighted()) {
            json->Key("weight");
            json->Raw(ShareJson(h.weightShares[i]));
        }
        json->EndObject();
    }
    json->EndArray();
    json->Key("zero");
    json->Integer(static_cast<long long>(h.zero));
    json->Key("negative");
    json->Integer(static_cast<long long>(h.negative));
    json->Key("infinite");
    json->Integer(static_cast<long long>(h.infinite));
    json->Key("undefined");
    json->Integer(static_cast<long long>(h.undefined));
    json->Key("belowOne");
    long double below[2];
    if (h.Weighted()) {
        json->Raw(ShareJson(h.belowOneWeight));
        WeightedWilsonInterval(h.belowOneWeight, h.effective, &below[0], &below[1]);
    } else {
        json->Raw(SignificantText(static_cast<long double>(h.belowOne) / static_cast<long double>(h.samples), 10, false));
        WilsonInterval(h.belowOne, h.samples, &below[0], &below[1]);
    }
    WriteInterval(json, "belowOneInterval", ShareJson(below[0]), ShareJson(below[1]));
    const char* names[3] = {"p5", "median", "p95"};
    for (int i = 0; i < 3; ++i) {
        json->Key(names[i]);
        json->Raw(ProductJson(h.points[i]));
    }
    json->Key("intervals");
    json->BeginObject();
    for (int i = 0; i < 3; ++i) WriteInterval(json, names[i], ProductJson(h.intervals[i][0]), ProductJson(h.intervals[i][1]));
    json->EndObject();
    json->EndObject();
}

void WriteSensitivity(JsonWriter* json, const RangeReport& report, const SettingsSampler& sampler, bool galaxy)
{
    json->BeginArray();
    for (std::size_t index : galaxy ? report.galaxyRanking : report.inhabitedRanking) {
        const SensitivityEntry& e = report.sensitivity[index];
        const ParameterSpread& p = sampler.Parameter(e.parameter);
        const ResultValue* pair = galaxy ? e.galaxy : e.inhabited;
        json->BeginObject();
        json->Key("parameter");
        json->String(p.field->name);
        json->Key("low");
        json->Raw(SpreadValueJson(p, p.low));
        json->Key("high");
        json->Raw(SpreadValueJson(p, p.high));
        WriteResultValue(json, "atLow", pair[0]);
        WriteResultValue(json, "atHigh", pair[1]);
        json->Key("factor");
        json->Raw(FactorJson(pair));
        if (galaxy) {
            long double factor, key;
            json->Key("productAtLow");
            json->Raw(ProductJson(e.galaxyProduct[0]));
            json->Key("productAtHigh");
            json->Raw(ProductJson(e.galaxyProduct[1]));
            json->Key("productFactor");
            json->Raw(ProductFactor(e.galaxyProduct[0], e.galaxyProduct[1], &factor, &key) ? SignificantText(factor, 10, false) : "\"n/a\"");
        }
        json->Key("refusedLow");
        json->Boolean(e.refused[0]);
        json->Key("refusedHigh");
        json->Boolean(e.refused[1]);
        json->EndObject();
    }
    json->EndArray();
}

}  // namespace

std::string SpreadValueText(const ParameterSpread& p, long double value)
{
    if (p.field->kind == FieldKind::Count) return CountToGroupedText(false, static_cast<std::int64_t>(value));
    std::string text = ShareToText(static_cast<float>(value));
    std::size_t first = text.find_first_not_of(' ');
    return first == std::string::npos ? text : text.substr(first);
}

std::string ProductText(long double product)
{
    return SignificantText(product, 3, true);
}

std::string RangeReportText(const RangeReport& report, const SettingsSampler& sampler, const std::string& fileA,
                            const std::string& fileB)
{
    std::string out = "Monte-Carlo run of the estimate: " + ExactCountText(static_cast<long long>(report.samples)) +
                      " draws, seed " + std::to_string(report.seed) + ".\n";
    const RangeModel& model = sampler.Model();
    if (FromTwoFiles(sampler)) {
        out += "A: " + fileA + "\nB: " + fileB + "\n";
    } else {
        out += "Model: " + model.description + "\nBase: " + (model.baseName.empty() ? "the program's default settings" : model.baseName) + "\n";
    }
    out += "Settings the wizard would refuse, drawn again: " + ExactCountText(static_cast<long long>(report.refused)) + ".\n";
    if (report.Weighted()) {
        out += "\nUpdated on our seeing no one (--observe " + std::string(ObservationName(report.observation)) + "):\n  " +
               ObservationWords(report.observation) +
               ".\nEach draw weighs the chance of that given its civilizations in our galaxy N\n"
               "(the product before rounding and the \"at least 1\" rule) and their span L in\nyears, at most 1:\n  " +
               ObservationFormula(report.observation) + "\n";
        out += "Effective number of draws, (sum w)^2 / sum w^2: " + SignificantText(report.effectiveSamples, 4, true) + " of " +
               ExactCountText(static_cast<long long>(report.samples)) + ".\n"
               "Every figure over the draws below is weighted (points, means, shares, the\n"
               "distributions and the shares at the ends); their intervals take the effective\n"
               "number as the number of draws.\n";
    }

    out += FromTwoFiles(sampler) ? "\nParameters drawn, each on its own between the two files' values:\n"
                                 : "\nParameters drawn (where not uniform or log-uniform, the 5 % and 95 % points):\n";
    std::string fixed;
    for (std::size_t i = 0; i < SettingsFieldCount; ++i) {
        const ParameterSpread& p = sampler.Parameter(i);
        if (p.spread == Spread::Fixed) {
            fixed += (fixed.empty() ? "" : ", ") + std::string(p.field->name);
            continue;
        }
        const bool count = p.field->kind == FieldKind::Count;
        out += "  " + Padded(p.field->name, 24) + Padded(SpreadValueText(p, p.low) + " to " + SpreadValueText(p, p.high), 38) +
               (p.betweenEnds ? SpreadName(p.spread) : p.distribution.Text(count)) + "\n";
    }
    if (!fixed.empty()) out += Wrapped("  fixed: " + fixed, "    ");
    for (const Correlation& c : model.correlations) {
        out += std::string("  rank correlation of ") + SettingsFields[c.first].name + " and " + SettingsFields[c.second].name + ": " +
               SignificantText(c.rank, 6, false) + "\n";
    }

    out += "\n";
    for (int line = 1; line <= ResultLineCount; ++line) {
        const ResultSpread& r = report.results[line - 1];
        out += std::string(ResultLabel(line)) + "\n";
        out += "  5 %: " + ResultWording(r.low) + "   median: " + ResultWording(r.median) + "   95 %: " + ResultWording(r.high) +
               "   mean: " + MeanText(r, r.low.distance) + "\n";
        out += "  95 % intervals: 5 %: " + IntervalWording(r.intervals[0], report, 0) + "   median: " +
               IntervalWording(r.intervals[1], report, 1) + "   95 %: " + IntervalWording(r.intervals[2], report, 2) + "\n";
    }
    out += "\nCivilizations in our galaxy: fewer than one (the product before rounding below 1)\n"
           "in " + PercentText(report.galaxyBelowOne) + " % of the draws (95 % interval " + ShareIntervalText(report.galaxyBelowOneInterval) +
           "); a count of exactly\n1 (after rounding and the \"at least 1\" rule) in " + PercentText(report.galaxyExactlyOne) + " %.\n";
    out += "No other civilization now, the Poisson reading (the mean of e^-N over the draws):\n" + PercentText(report.galaxyNoOther) +
           " % (95 % interval " + ShareIntervalText(report.galaxyNoOtherInterval) + ").\n";
    const Histogram& g = report.galaxyDistribution;
    out += "That product: 5 %: " + ProductText(g.points[0]) + "   median: " + ProductText(g.points[1]) + "   95 %: " +
           ProductText(g.points[2]) + "\n";
    out += "  95 % intervals: 5 %: " + ProductIntervalText(g.intervals[0], report, 0) + "   median: " +
           ProductIntervalText(g.intervals[1], report, 1) + "   95 %: " + ProductIntervalText(g.intervals[2], report, 2) + "\n";
    out += "(95 % intervals: the values an endless run could have, given these " + ExactCountText(static_cast<long long>(report.samples)) +
           "\ndraws with seed " + std::to_string(report.seed) + "; two runs whose intervals overlap may differ by chance.)\n";
    if (!FullPointInterval(report, 5) || !FullPointInterval(report, 50) || !FullPointInterval(report, 95)) {
        out += "(Too few draws for 95 %: there the interval reaches the first or the last draw\nand holds the point less often; more draws (--samples) give it.)\n";
    }

    if (report.sensitivity.empty()) return out + "\nSensitivity: no parameter differs between the two files.\n";
    out += "\nSensitivity: each parameter from its low to its high value, the others at the\n"
           "median of their drawing distribution (the geometric mean where log-uniform, the\n"
           "midpoint where uniform).\n";
    if (report.Weighted()) out += "(The model at set values, not a figure over the draws: the update leaves it as it is.)\n";
    out += "At those medians: inhabited planets " + ResultWording(report.atMedians.line[0]) + ", civilizations in our galaxy " +
           ResultWording(report.atMedians.line[2]) + " (" + ProductText(report.galaxyProductAtMedians) + " before rounding).\n";
    AppendRanking(&out, report, sampler, false);
    AppendRanking(&out, report, sampler, true);
    for (const SensitivityEntry& e : report.sensitivity) {
        if (e.refused[0] || e.refused[1]) {
            out += "\n(refused at ...: the settings wizard would refuse that setting.)\n";
            break;
        }
    }
    if (!report.endShares.empty()) AppendEndShares(&out, report, sampler);
    if (report.sobol.computed) {
        AppendSobolText(&out, report.sobol, sampler, report.seed);
        if (report.Weighted()) out += "(The indices are of the draws as drawn: the update on our seeing no one does not\nweigh them.)\n";
    }
    return out;
}

std::string RangeReportJson(const RangeReport& report, const SettingsSampler& sampler, const std::string& fileA,
                            const std::string& fileB)
{
    JsonWriter json;
    json.BeginObject();
    const RangeModel& model = sampler.Model();
    if (FromTwoFiles(sampler)) {
        json.Key("a");
        json.Raw(JsonFileNameString(fileA));
        json.Key("b");
        json.Raw(JsonFileNameString(fileB));
    } else {
        json.Key("model");
        json.Raw(JsonFileNameString(model.description));
        json.Key("base");
        if (model.baseName.empty()) {
            json.Raw("null");
        } else {
            json.Raw(JsonFileNameString(model.baseName));
        }
    }
    json.Key("samples");
    json.Integer(static_cast<long long>(report.samples));
    json.Key("seed");
    json.Raw(std::to_string(report.seed));
    json.Key("refused");
    json.Integer(static_cast<long long>(report.refused));
    if (report.Weighted()) {
        json.Key("observation");
        json.BeginObject();
        json.Key("kind");
        json.String(ObservationName(report.observation));
        json.Key("seen");
        json.String(ObservationWords(report.observation));
        json.Key("likelihood");
        json.String(ObservationFormula(report.observation));
        json.Key("effectiveSamples");
        json.Raw(SignificantText(report.effectiveSamples, 10, false));
        json.EndObject();
    }
    json.Key("tooFewDraws");
    json.BeginArray();
    const char* pointKeys[3] = {"p5", "median", "p95"};
    for (int i = 0; i < 3; ++i) {
        if (!FullPointInterval(report, PointPercents[i])) json.String(pointKeys[i]);
    }
    json.EndArray();
    json.Key("intervals");
    json.String("95 % intervals of the points and shares from these samples and this seed: the points' from the order statistics' "
                "ranks n q -/+ 1.96 sqrt(n q (1 - q)), the shares' by Wilson's score method; at the points in tooFewDraws a rank "
                "fell outside the draws, so that interval reaches the first or the last draw and holds less than 95 %");

    json.Key("parameters");
    json.BeginArray();
    for (std::size_t i = 0; i < SettingsFieldCount; ++i) {
        const ParameterSpread& p = sampler.Parameter(i);
        json.BeginObject();
        json.Key("name");
        json.String(p.field->name);
        json.Key("distribution");
        json.String(SpreadName(p.spread));
        json.Key("low");
        json.Raw(SpreadValueJson(p, p.low));
        json.Key("high");
        json.Raw(SpreadValueJson(p, p.high));
        json.Key("median");
        json.Raw(SpreadValueJson(p, p.median));
        if (p.spread != Spread::Fixed && !p.betweenEnds) {
            // low and high are the 5 % and 95 % points here.
            const Distribution& d = p.distribution;
            json.Key("model");
            json.String(d.Text(p.field->kind == FieldKind::Count));
            json.Key("arguments");
            json.BeginArray();
            if (d.spread == Spread::Values) {
                for (long double v : d.values) json.Raw(SignificantText(v, 18, false));
            } else {
                json.Raw(SignificantText(d.a, 18, false));
                json.Raw(SignificantText(d.b, 18, false));
            }
            json.EndArray();
            json.Key("atLeastOne");
            json.Raw(d.atLeastOne ? "true" : "false");
        }
        json.EndObject();
    }
    json.EndArray();
    if (!model.correlations.empty()) {
        json.Key("correlations");
        json.BeginArray();
        for (const Correlation& c : model.correlations) {
            json.BeginObject();
            json.Key("a");
            json.String(SettingsFields[c.first].name);
            json.Key("b");
            json.String(SettingsFields[c.second].name);
            json.Key("rank");
            json.Raw(SignificantText(c.rank, 18, false));
            json.EndObject();
        }
        json.EndArray();
    }

    json.Key("results");
    json.BeginArray();
    for (int line = 1; line <= ResultLineCount; ++line) {
        const ResultSpread& r = report.results[line - 1];
        json.BeginObject();
        json.Key("label");
        json.String(ResultLabel(line));
        json.Key("unit");
        json.String(ResultUnit(line));
        WriteResultValue(&json, "p5", r.low);
        WriteResultValue(&json, "median", r.median);
        WriteResultValue(&json, "p95", r.high);
        json.Key("mean");
        json.Raw(MeanJson(r));
        json.Key("intervals");
        json.BeginObject();
        const char* points[3] = {"p5", "median", "p95"};
        for (int i = 0; i < 3; ++i) WriteInterval(&json, points[i], ResultJson(r.intervals[i][0]), ResultJson(r.intervals[i][1]));
        json.EndObject();
        json.Key("text");
        json.BeginObject();
        json.Key("p5");
        json.String(ResultWording(r.low));
        json.Key("median");
        json.String(ResultWording(r.median));
        json.Key("p95");
        json.String(ResultWording(r.high));
        json.Key("mean");
        json.String(MeanText(r, r.low.distance));
        json.EndObject();
        json.EndObject();
    }
    json.EndArray();

    json.Key("distributions");
    json.BeginObject();
    json.Key("method");
    json.String("the products before rounding (for civilizations also before the \"at least 1\" rule), "
                "counted in bins of a logarithmic axis: bin k holds the draws from 10^(k/binsPerDecade) up to the next bin");
    json.Key("inhabitedPlanets");
    WriteDistribution(&json, report.inhabitedDistribution);
    json.Key("galaxyCivilizations");
    WriteDistribution(&json, report.galaxyDistribution);
    if (report.Weighted()) {
        // The draws as drawn, before the update.
        json.Key("inhabitedPlanetsPrior");
        WriteDistribution(&json, report.inhabitedPrior);
        json.Key("galaxyCivilizationsPrior");
        WriteDistribution(&json, report.galaxyPrior);
    }
    json.EndObject();

    json.Key("galaxyBelowOne");
    json.Raw(SignificantText(report.galaxyBelowOne, 10, false));
    WriteInterval(&json, "galaxyBelowOneInterval", ShareJson(report.galaxyBelowOneInterval[0]), ShareJson(report.galaxyBelowOneInterval[1]));
    json.Key("galaxyExactlyOne");
    json.Raw(SignificantText(report.galaxyExactlyOne, 10, false));
    json.Key("galaxyNoOther");
    json.Raw(ShareJson(report.galaxyNoOther));
    WriteInterval(&json, "galaxyNoOtherInterval", ShareJson(report.galaxyNoOtherInterval[0]), ShareJson(report.galaxyNoOtherInterval[1]));

    json.Key("sensitivity");
    json.BeginObject();
    json.Key("method");
    json.String(std::string("one parameter at a time from its low to its high value, ") + MedianMethod);
    WriteResultValue(&json, "inhabitedPlanetsAtMedians", report.atMedians.line[0]);
    WriteResultValue(&json, "galaxyCivilizationsAtMedians", report.atMedians.line[2]);
    json.Key("galaxyProductAtMedians");
    json.Raw(ProductJson(report.galaxyProductAtMedians));
    json.Key("inhabitedPlanets");
    WriteSensitivity(&json, report, sampler, false);
    json.Key("galaxyCivilizations");
    WriteSensitivity(&json, report, sampler, true);
    json.EndObject();
    if (!report.endShares.empty()) {
        json.Key("belowOneAtEnds");
        json.BeginObject();
        json.Key("method");
        json.String("the share of draws with the galaxy's product below 1, with one parameter held at its low or its high value "
                    "and the others drawn with the same numbers at both ends; draws the wizard would refuse there are drawn again");
        if (report.endSamples < report.samples) {
            json.Key("samples");
            json.Integer(static_cast<long long>(report.endSamples));
        }
        json.Key("parameters");
        json.BeginArray();
        for (std::size_t index : report.endShareRanking) {
            const EndShares& e = report.endShares[index];
            const ParameterSpread& p = sampler.Parameter(e.parameter);
            json.BeginObject();
            json.Key("parameter");
            json.String(p.field->name);
            json.Key("low");
            json.Raw(SpreadValueJson(p, p.low));
            json.Key("high");
            json.Raw(SpreadValueJson(p, p.high));
            const char* keys[2][2] = {{"belowOneAtLow", "refusedAtLow"}, {"belowOneAtHigh", "refusedAtHigh"}};
            for (int end = 0; end < 2; ++end) {
                json.Key(keys[end][0]);
                json.Raw(e.Known(end) ? ShareJson(e.Share(end, report.endSamples)) : "\"n/a\"");
                json.Key(keys[end][1]);
                if (e.ends[end].hopeless) {
                    json.Raw("\"n/a\"");
                } else {
                    json.Integer(static_cast<long long>(e.ends[end].refused));
                }
            }
            json.EndObject();
        }
        json.EndArray();
        json.EndObject();
    }
    if (report.sobol.computed) WriteSobolJson(&json, report.sobol, sampler);
    json.EndObject();
    return json.Text();
}
