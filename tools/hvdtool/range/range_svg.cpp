#include "tools/hvdtool/range/range_svg.h"

#include <cmath>

#include "tools/hvdtool/output/json_writer.h"
#include "tools/hvdtool/output/number_format.h"
#include "tools/hvdtool/output/svg_parts.h"
#include "tools/hvdtool/range/distribution_svg.h"
#include "tools/hvdtool/range/range_report.h"
#include "tools/hvdtool/range/sobol_svg.h"
#include "tools/hvdtool/settings/settings_source.h"

namespace {

// A parameter not drawn between two ends is named with its distribution:
// the chart's low and high are then its 5 % and 95 % points.
std::string DistributionNote(const ParameterSpread& p, bool full)
{
    const Distribution& d = p.distribution;
    if (p.betweenEnds || p.spread == Spread::Fixed) return "";
    if (full) return " (drawn from " + Xml(d.Text(p.field->kind == FieldKind::Count)) + "; low and high are its 5 % and 95 % points)";
    std::string text = d.Text(false);
    return " (" + Xml(text.substr(0, text.find('('))) + (d.atLeastOne ? " of " + Xml(text.substr(11, text.find('(', 11) - 11)) : "") + ")";
}

const int Width = 1100;
const int NameRight = 210;  // parameter names end here
const int AxisLeft = 220;   // the axis runs from here...
const int AxisRight = 790;  // ...to here
const int NotesLeft = 805;  // counts at low and high, and the factor
const int RowHeight = 24;
const int BarHeight = 16;
const char LowColour[] = "#3f6fb5";
const char HighColour[] = "#d9822b";
const char Arrow[] = " &#x2192; ";  // right arrow
const char Times[] = "&#xD7;";      // multiplication sign

// Where a count stands on the axis: its power of ten; false for zero and
// negative counts, which stand at the left end. "more than 10^e" stands
// at e.
bool CountPower(const ResultValue& value, long double* power)
{
    if (value.exponent != 0) {
        *power = value.exponent;
        return value.count != INT64_MIN;
    }
    return PowerOfTen(static_cast<long double>(value.count), power);
}

// The bars of one chart: the inhabited planets' counts, or the galaxy's
// products before rounding, which rounding and "at least 1" do not flatten.
struct BarValues {
    const RangeReport& report;
    bool galaxy;

    bool Base(long double* power) const
    {
        return galaxy ? PowerOfTen(report.galaxyProductAtMedians, power) : CountPower(report.atMedians.line[0], power);
    }
    bool End(const SensitivityEntry& e, int end, long double* power) const
    {
        return galaxy ? PowerOfTen(e.galaxyProduct[end], power) : CountPower(e.inhabited[end], power);
    }
};

LogAxis ChooseAxis(const BarValues& values)
{
    long double lowest = 0, highest = 0, power;
    bool any = false;
    auto take = [&](bool onAxis) {
        if (!onAxis) return;
        if (!any || power < lowest) lowest = power;
        if (!any || power > highest) highest = power;
        any = true;
    };
    take(values.Base(&power));
    for (const SensitivityEntry& e : values.report.sensitivity) {
        take(values.End(e, 0, &power));
        take(values.End(e, 1, &power));
    }
    LogAxis axis{std::floor(lowest), std::ceil(highest), AxisLeft, AxisRight};
    if (axis.highest <= axis.lowest) axis.highest = axis.lowest + 1;
    return axis;
}

std::string Rect(long double x1, long double x2, int y, const char* colour)
{
    if (x2 < x1) std::swap(x1, x2);
    if (x2 - x1 < 1) x2 = x1 + 1;  // an unchanged count still shows as a line
    return "<rect x=\"" + Coordinate(x1) + "\" y=\"" + Number(y) + "\" width=\"" + Coordinate(x2 - x1) + "\" height=\"" +
           Number(BarHeight) + "\" fill=\"" + colour + "\"/>\n";
}

std::string FactorText(const SensitivityEntry& e, bool galaxy)
{
    long double factor, key;
    bool defined = galaxy ? ProductFactor(e.galaxyProduct[0], e.galaxyProduct[1], &factor, &key)
                          : ChangeFactor(e.inhabited[0], e.inhabited[1], &factor, &key);
    return defined ? SignificantText(factor, 3, true, true) : "n/a";
}

// One tornado chart from top; returns the height it takes.
int TornadoChart(std::string* svg, const RangeReport& report, const SettingsSampler& sampler, bool galaxy, int top)
{
    const BarValues values{report, galaxy};
    const ResultValue& base = report.atMedians.line[galaxy ? 2 : 0];
    const std::vector<std::size_t>& ranking = galaxy ? report.galaxyRanking : report.inhabitedRanking;
    LogAxis axis = ChooseAxis(values);
    int rowsTop = top + 42;
    int axisY = rowsTop + static_cast<int>(ranking.size()) * RowHeight + 4;

    *svg += std::string("<g class=\"chart\" data-count=\"") + (galaxy ? "galaxy-civilizations" : "inhabited-planets") + "\">\n";
    std::string title = galaxy ? "Civilizations in our galaxy, ranked by the product before rounding: " + Xml(ResultWording(base)) +
                                     " at the medians (" + Xml(ProductText(report.galaxyProductAtMedians)) + " before rounding)"
                               : "Inhabited planets in our galaxy, ranked by their count: " + Xml(ResultWording(base)) + " at the medians";
    *svg += Text(20, top + 12, "start", title, " font-size=\"15\" font-weight=\"bold\"");
    *svg += Text(NotesLeft, top + 32, "start",
                 std::string(galaxy ? "counts at low" : "at low") + Arrow + "at high (" + (galaxy ? "factor of the product" : "factor") + ")",
                 " fill=\"#444\"");
    *svg += DecadeAxis(axis, rowsTop - 4, axisY);

    long double basePower;
    long double baseX = values.Base(&basePower) ? axis.X(basePower) : AxisLeft;
    int row = 0;
    for (std::size_t index : ranking) {
        const SensitivityEntry& e = report.sensitivity[index];
        const ParameterSpread& p = sampler.Parameter(e.parameter);
        const ResultValue* pair = galaxy ? e.galaxy : e.inhabited;
        int y = rowsTop + row++ * RowHeight;
        std::string summary = Xml(ResultWording(pair[0])) + Arrow + Xml(ResultWording(pair[1])) + " (" + Times + Xml(FactorText(e, galaxy)) + ")";
        std::string products = galaxy ? "; before rounding " + Xml(ProductText(e.galaxyProduct[0])) + Arrow + Xml(ProductText(e.galaxyProduct[1])) : "";
        *svg += "<g class=\"bar\" data-parameter=\"" + Xml(p.field->name) + "\">\n";
        *svg += "<title>" + Xml(p.field->name) + " " + Xml(SpreadValueText(p, p.low)) + Arrow + Xml(SpreadValueText(p, p.high)) + ": " +
                summary + products + DistributionNote(p, true) + "</title>\n";
        for (int end = 0; end < 2; ++end) {
            long double power;
            *svg += Rect(baseX, values.End(e, end, &power) ? axis.X(power) : AxisLeft, y, end == 0 ? LowColour : HighColour);
        }
        *svg += Text(NameRight, y + 13, "end", Xml(p.field->name) + DistributionNote(p, false));
        *svg += Text(NotesLeft, y + 13, "start", summary, " fill=\"#444\"");
        *svg += "</g>\n";
    }
    *svg += Line(baseX, rowsTop - 6, baseX, axisY, "stroke=\"#222\" stroke-dasharray=\"4 3\"");
    *svg += "</g>\n";
    return axisY + 30 - top;
}

std::string SharePercent(const EndShares& e, int end, std::uint64_t samples)
{
    return e.Known(end) ? PercentText(e.Share(end, samples)) + " %" : "n/a";
}

// The tornado of the share below one: each parameter held at its low and
// at its high value, on a linear axis of 0 to 100 %, from the share over
// all draws; returns the height it takes.
int EndSharesChart(std::string* svg, const RangeReport& report, const SettingsSampler& sampler, int top)
{
    auto x = [](long double share) { return AxisLeft + share * (AxisRight - AxisLeft); };
    const int rowsTop = top + 58;
    const int axisY = rowsTop + static_cast<int>(report.endShareRanking.size()) * RowHeight + 4;
    *svg += "<g class=\"chart\" data-count=\"below-one-at-ends\">\n";
    *svg += Text(20, top + 12, "start", "Which parameter decides whether we are alone: the share of draws with fewer than one civilization in our galaxy",
                 " font-size=\"15\" font-weight=\"bold\"");
    *svg += Text(20, top + 32, "start",
                 "Each parameter held at its low and at its high value, the others drawn as in the run, with the same numbers at both "
                 "ends" + (report.endSamples < report.samples ? " (the first " + ExactCountText(static_cast<long long>(report.endSamples)) + " draws)" : std::string()) +
                     "; dashed: " + PercentText(report.galaxyBelowOne) + " % over all draws",
                 " fill=\"#444\"");
    *svg += Text(NotesLeft, top + 50, "start", "at low, at high", " fill=\"#444\"");
    for (int tenth = 0; tenth <= 10; ++tenth) {
        long double at = x(tenth / 10.0L);
        *svg += Line(at, rowsTop - 4, at, axisY, tenth == 0 ? "stroke=\"#999\"" : "stroke=\"#eee\"");
        *svg += Text(at, axisY + 16, "middle", std::to_string(tenth * 10) + " %");
    }
    *svg += Line(AxisLeft, axisY, AxisRight, axisY, "stroke=\"#999\"");

    const long double baseX = x(report.galaxyBelowOne);
    int row = 0;
    for (std::size_t index : report.endShareRanking) {
        const EndShares& e = report.endShares[index];
        const ParameterSpread& p = sampler.Parameter(e.parameter);
        int y = rowsTop + row++ * RowHeight;
        const std::uint64_t n = report.endSamples;
        std::string shares = SharePercent(e, 0, n) + ", " + SharePercent(e, 1, n);
        *svg += "<g class=\"bar\" data-parameter=\"" + Xml(p.field->name) + "\">\n";
        *svg += "<title>" + Xml(p.field->name) + " at " + Xml(SpreadValueText(p, p.low)) + ": " + SharePercent(e, 0, n) +
                " below one; at " + Xml(SpreadValueText(p, p.high)) + ": " + SharePercent(e, 1, n) + DistributionNote(p, true) +
                "</title>\n";
        for (int end = 0; end < 2; ++end) {
            if (e.Known(end)) *svg += Rect(baseX, x(e.Share(end, n)), y, end == 0 ? LowColour : HighColour);
        }
        *svg += Text(NameRight, y + 13, "end", Xml(p.field->name) + DistributionNote(p, false));
        *svg += Text(NotesLeft, y + 13, "start", shares, " fill=\"#444\"");
        *svg += "</g>\n";
    }
    *svg += Line(baseX, rowsTop - 6, baseX, axisY, "stroke=\"#222\" stroke-dasharray=\"4 3\"");
    *svg += "</g>\n";
    return axisY + 30 - top;
}

}  // namespace

std::string RangeSvg(const RangeReport& report, const SettingsSampler& sampler, const std::string& fileA, const std::string& fileB)
{
    // What the reader wants first: how wide the answer is and how likely
    // fewer than one civilization; then what drives it.
    std::string charts;
    int top = 112;
    const bool weighted = report.Weighted();
    top += DistributionChart(&charts, report.galaxyDistribution, weighted ? &report.galaxyPrior : nullptr, true, top) + 20;
    top += TornadoChart(&charts, report, sampler, true, top) + 28;
    if (!report.endShares.empty()) top += EndSharesChart(&charts, report, sampler, top) + 28;
    if (report.sobol.computed && !report.sobol.indices.empty()) top += SobolChart(&charts, report.sobol, sampler, top) + 28;
    top += DistributionChart(&charts, report.inhabitedDistribution, weighted ? &report.inhabitedPrior : nullptr, false, top) + 20;
    top += TornadoChart(&charts, report, sampler, false, top);
    int height = top + 14;

    std::string svg = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    svg += "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + Number(Width) + "\" height=\"" + Number(height) + "\" viewBox=\"0 0 " +
           Number(Width) + " " + Number(height) + "\" font-family=\"Arial, Helvetica, sans-serif\" font-size=\"13\">\n";
    svg += "<title>The spread of the estimate and the parameters that drive it</title>\n";
    svg += "<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n";
    svg += Text(20, 26, "start", "The spread of the estimate over " + ExactCountText(static_cast<long long>(report.samples)) +
                                     " draws, and each parameter's effect",
                " font-size=\"17\" font-weight=\"bold\"");
    const RangeModel& model = sampler.Model();
    const std::string drawn =
        model.description.empty()
            ? "Settings drawn between " + Escaped(FileNameCodePoints(fileA)) + " and " + Escaped(FileNameCodePoints(fileB))
            : "Settings drawn as the range description " + Escaped(FileNameCodePoints(model.description)) + " says, from " +
                  (model.baseName.empty() ? std::string("the program's default settings") : Escaped(FileNameCodePoints(model.baseName)));
    svg += Text(20, 48, "start",
                drawn + (report.Weighted() ? std::string("; updated on our seeing no one (") + ObservationName(report.observation) +
                                                 "), every figure over the draws weighted"
                                           : std::string()),
                " fill=\"#444\"");
    svg += Text(20, 66, "start",
                "Tornado charts: each parameter from its low to its high value, the others at the medians of their drawing distributions "
                "(geometric mean where log-uniform, midpoint where uniform)",
                " fill=\"#444\"");
    const int legendY = 88;
    svg += "<rect class=\"legend\" x=\"20\" y=\"" + Number(legendY - 11) + "\" width=\"14\" height=\"12\" fill=\"" + LowColour + "\"/>\n";
    svg += Text(40, legendY, "start", "parameter at its low value");
    svg += "<rect class=\"legend\" x=\"230\" y=\"" + Number(legendY - 11) + "\" width=\"14\" height=\"12\" fill=\"" + HighColour + "\"/>\n";
    svg += Text(250, legendY, "start", "parameter at its high value; dashed: all at their medians. Logarithmic axes; 0 stands at the left end.");
    svg += charts;
    svg += "</svg>\n";
    return svg;
}
