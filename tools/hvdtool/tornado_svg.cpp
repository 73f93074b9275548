#include "tools/hvdtool/tornado_svg.h"

#include <cmath>
#include <cstdio>

#include "model/extended_math.h"
#include "model/number_text.h"
#include "tools/hvdtool/json_writer.h"
#include "tools/hvdtool/number_format.h"
#include "tools/hvdtool/range_report.h"

namespace {

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

std::string Escaped(const std::u32string& points)
{
    std::string out;
    for (char32_t c : points) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default:
            if (c < 0x20) {
                out += '?';  // not allowed in XML 1.0
            } else if (c < 0x7F) {
                out += static_cast<char>(c);
            } else {
                char reference[16];
                std::snprintf(reference, sizeof reference, "&#x%X;", static_cast<unsigned>(c));
                out += reference;
            }
        }
    }
    return out;
}

std::string Xml(const std::string& ascii)
{
    std::u32string points;
    for (unsigned char c : ascii) points.push_back(c);
    return Escaped(points);
}

// Coordinates with one decimal, the same on every build.
std::string Coordinate(long double value)
{
    std::string text = RealToText(value, 1, 1);
    std::size_t first = text.find_first_not_of(' ');
    return first == std::string::npos ? text : text.substr(first);
}

std::string Number(int value)
{
    return std::to_string(value);
}

// Where a count stands on the axis: its power of ten; false for zero and
// negative counts, which stand at the left end. "more than 10^e" stands
// at e.
bool AxisPower(const ResultValue& value, long double* power)
{
    if (value.exponent != 0) {
        *power = value.exponent;
        return value.count != INT64_MIN;
    }
    if (value.count <= 0) return false;
    *power = LnExtended(static_cast<long double>(value.count)) / LnExtended(10.0L);
    return true;
}

struct Axis {
    long double lowest, highest;  // powers of ten at the two ends

    long double X(long double power) const { return AxisLeft + (power - lowest) / (highest - lowest) * (AxisRight - AxisLeft); }
    long double X(const ResultValue& value) const
    {
        long double power;
        return AxisPower(value, &power) ? X(power) : AxisLeft;
    }
};

const ResultValue* CountPair(const SensitivityEntry& e, bool galaxy)
{
    return galaxy ? e.galaxy : e.inhabited;
}

Axis ChooseAxis(const RangeReport& report, bool galaxy)
{
    long double lowest = 0, highest = 0, power;
    bool any = false;
    auto take = [&](const ResultValue& v) {
        if (!AxisPower(v, &power)) return;
        if (!any || power < lowest) lowest = power;
        if (!any || power > highest) highest = power;
        any = true;
    };
    take(report.atMedians.line[galaxy ? 2 : 0]);
    for (const SensitivityEntry& e : report.sensitivity) {
        take(CountPair(e, galaxy)[0]);
        take(CountPair(e, galaxy)[1]);
    }
    Axis axis{std::floor(lowest), std::ceil(highest)};
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

std::string Line(long double x1, int y1, long double x2, int y2, const char* style)
{
    return "<line x1=\"" + Coordinate(x1) + "\" y1=\"" + Number(y1) + "\" x2=\"" + Coordinate(x2) + "\" y2=\"" + Number(y2) + "\" " +
           style + "/>\n";
}

std::string Text(long double x, int y, const char* anchor, const std::string& xmlText, const char* extra = "")
{
    return "<text x=\"" + Coordinate(x) + "\" y=\"" + Number(y) + "\" text-anchor=\"" + anchor + "\"" + extra + ">" + xmlText +
           "</text>\n";
}

// One chart from top; returns the height it takes.
int Chart(std::string* svg, const RangeReport& report, const SettingsSampler& sampler, bool galaxy, int top)
{
    const ResultValue& base = report.atMedians.line[galaxy ? 2 : 0];
    const std::vector<std::size_t>& ranking = galaxy ? report.galaxyRanking : report.inhabitedRanking;
    Axis axis = ChooseAxis(report, galaxy);
    int rowsTop = top + 30;
    int axisY = rowsTop + static_cast<int>(ranking.size()) * RowHeight + 4;

    *svg += std::string("<g class=\"chart\" data-count=\"") + (galaxy ? "galaxy-civilizations" : "inhabited-planets") + "\">\n";
    *svg += Text(20, top + 12, "start",
                 std::string(galaxy ? "Civilizations in our galaxy" : "Inhabited planets in our galaxy") + ": " + Xml(ResultWording(base)) +
                     " at the medians",
                 " font-size=\"15\" font-weight=\"bold\"");
    *svg += Text(NotesLeft, top + 12, "start", std::string("at low") + Arrow + "at high (factor)", " fill=\"#444\"");

    // A grid line and a label at each shown power of ten.
    long double span = axis.highest - axis.lowest;
    int step = span > 24 ? 4 : span > 12 ? 2 : 1;
    for (long double power = axis.lowest; power <= axis.highest; power += step) {
        long double x = axis.X(power);
        *svg += Line(x, rowsTop - 4, x, axisY, "stroke=\"#ddd\"");
        *svg += "<text x=\"" + Coordinate(x) + "\" y=\"" + Number(axisY + 18) + "\" text-anchor=\"middle\">10<tspan dy=\"-6\" font-size=\"10\">" +
                std::to_string(static_cast<long long>(power)) + "</tspan></text>\n";
    }
    *svg += Line(AxisLeft, axisY, AxisRight, axisY, "stroke=\"#444\"");

    long double baseX = axis.X(base);
    int row = 0;
    for (std::size_t index : ranking) {
        const SensitivityEntry& e = report.sensitivity[index];
        const ParameterSpread& p = sampler.Parameter(e.parameter);
        const ResultValue* pair = CountPair(e, galaxy);
        int y = rowsTop + row++ * RowHeight;
        long double factor, key;
        std::string factorText = ChangeFactor(pair[0], pair[1], &factor, &key) ? SignificantText(factor, 3, true, true) : "n/a";
        std::string summary = Xml(ResultWording(pair[0])) + Arrow + Xml(ResultWording(pair[1])) + " (" + Times + Xml(factorText) + ")";
        *svg += "<g class=\"bar\" data-parameter=\"" + Xml(p.field->name) + "\">\n";
        *svg += "<title>" + Xml(p.field->name) + " " + Xml(SpreadValueText(p, p.low)) + Arrow + Xml(SpreadValueText(p, p.high)) + ": " +
                summary + "</title>\n";
        *svg += Rect(baseX, axis.X(pair[0]), y, LowColour);
        *svg += Rect(baseX, axis.X(pair[1]), y, HighColour);
        *svg += Text(NameRight, y + 13, "end", Xml(p.field->name));
        *svg += Text(NotesLeft, y + 13, "start", summary, " fill=\"#444\"");
        *svg += "</g>\n";
    }
    *svg += Line(baseX, rowsTop - 6, baseX, axisY, "stroke=\"#222\" stroke-dasharray=\"4 3\"");
    *svg += "</g>\n";
    return axisY + 30 - top;
}

}  // namespace

std::string TornadoSvg(const RangeReport& report, const SettingsSampler& sampler, const std::string& fileA,
                       const std::string& fileB)
{
    std::string charts;
    int top = 88;
    top += Chart(&charts, report, sampler, false, top) + 16;
    top += Chart(&charts, report, sampler, true, top);
    int legendY = top + 14;
    int height = legendY + 36;

    std::string svg = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    svg += "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + Number(Width) + "\" height=\"" + Number(height) + "\" viewBox=\"0 0 " +
           Number(Width) + " " + Number(height) + "\" font-family=\"Arial, Helvetica, sans-serif\" font-size=\"13\">\n";
    svg += "<title>Sensitivity of the estimate to each parameter</title>\n";
    svg += "<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n";
    svg += Text(20, 26, "start", "Each parameter from its low to its high value, the others at their medians",
                " font-size=\"17\" font-weight=\"bold\"");
    svg += Text(20, 48, "start", "Settings drawn between " + Escaped(FileNameCodePoints(fileA)) + " and " + Escaped(FileNameCodePoints(fileB)),
                " fill=\"#444\"");
    svg += Text(20, 66, "start",
                "Medians of the drawing distributions: the geometric mean where log-uniform, the midpoint where uniform",
                " fill=\"#444\"");
    svg += charts;
    svg += "<rect x=\"" + Number(AxisLeft) + "\" y=\"" + Number(legendY - 11) + "\" width=\"14\" height=\"12\" fill=\"" + LowColour + "\"/>\n";
    svg += Text(AxisLeft + 20, legendY, "start", "parameter at its low value");
    svg += "<rect x=\"" + Number(AxisLeft + 230) + "\" y=\"" + Number(legendY - 11) + "\" width=\"14\" height=\"12\" fill=\"" + HighColour +
           "\"/>\n";
    svg += Text(AxisLeft + 250, legendY, "start", "parameter at its high value");
    svg += Text(AxisLeft, legendY + 22, "start", "Logarithmic axes; a count of 0 stands at the left end.", " fill=\"#444\"");
    svg += "</svg>\n";
    return svg;
}
