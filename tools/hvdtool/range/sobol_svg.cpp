#include "tools/hvdtool/range/sobol_svg.h"

#include <algorithm>
#include <cmath>

#include "tools/hvdtool/output/number_format.h"
#include "tools/hvdtool/output/svg_parts.h"
#include "tools/hvdtool/range/sobol_report.h"
#include "tools/hvdtool/settings/settings_source.h"

namespace {

// The range charts' columns, so the bars line up with the tornado charts.
const int NameRight = 210;
const int AxisLeft = 220;
const int AxisRight = 790;
const int NotesLeft = 805;
const int RowHeight = 24;
const char TotalColour[] = "#b7c9e6";
const char FirstColour[] = "#3f6fb5";
const char WhiskerColour[] = "#222";

// The axis from 0 to 1 between the axis's pixels; estimates a little
// beyond (around a true 0 or 1) are drawn at its ends; the bar's title
// and notes give them.
long double X(long double share)
{
    if (!std::isfinite(share)) share = 0;
    share = std::max(0.0L, std::min(1.0L, share));
    return AxisLeft + share * (AxisRight - AxisLeft);
}

std::string Rect(const char* kind, long double x1, long double x2, long double y, long double height, const char* colour)
{
    if (x2 < x1) std::swap(x1, x2);
    return std::string("<rect class=\"") + kind + "\" x=\"" + Coordinate(x1) + "\" y=\"" + Coordinate(y) + "\" width=\"" +
           Coordinate(x2 - x1) + "\" height=\"" + Coordinate(height) + "\" fill=\"" + colour + "\"/>\n";
}

// An interval's whisker at height y: a line with a short tick at each end.
std::string Whisker(const char* kind, const long double* interval, long double y)
{
    const long double x1 = X(interval[0]), x2 = X(interval[1]);
    const std::string style = std::string("stroke=\"") + WhiskerColour + "\"";
    return std::string("<g class=\"") + kind + "\">\n" + Line(x1, y, x2, y, style.c_str()) + Line(x1, y - 3, x1, y + 3, style.c_str()) +
           Line(x2, y - 3, x2, y + 3, style.c_str()) + "</g>\n";
}

}  // namespace

int SobolChart(std::string* svg, const SobolReport& sobol, const SettingsSampler& sampler, int top)
{
    const int rowsTop = top + 58;
    const int axisY = rowsTop + static_cast<int>(sobol.indices.size()) * RowHeight + 4;
    *svg += "<g class=\"sobol-chart\">\n";
    *svg += Text(20, top + 12, "start", "How much of the spread of log10 of the civilizations in our galaxy each parameter carries: Sobol indices",
                 " font-size=\"15\" font-weight=\"bold\"");
    *svg += Text(20, top + 32, "start",
                 "Bar: total index (alone and with the others); dark: first order (alone); whiskers: 95 % intervals. " +
                     ExactCountText(static_cast<long long>(sobol.baseSamples)) + " draws each for A and B; sum of the first-order indices " +
                     SobolIndexText(sobol.firstSum),
                 " fill=\"#444\"");
    *svg += Text(NotesLeft, top + 50, "start", "first order, total", " fill=\"#444\"");
    for (int tenth = 0; tenth <= 10; ++tenth) {
        const long double at = X(tenth / 10.0L);
        *svg += Line(at, rowsTop - 4, at, axisY, tenth == 0 ? "stroke=\"#999\"" : "stroke=\"#eee\"");
        *svg += Text(at, axisY + 16, "middle", tenth == 10 ? "1" : "0." + std::to_string(tenth));
    }
    *svg += Line(AxisLeft, axisY, AxisRight, axisY, "stroke=\"#999\"");

    const long double zero = X(0);
    for (std::size_t i = 0; i < sobol.indices.size(); ++i) {
        const SobolIndex& s = sobol.indices[i];
        const ParameterSpread& p = sampler.Parameter(sobol.parameters[i]);
        const long double y = rowsTop + static_cast<long double>(i) * RowHeight;
        const std::string first = SobolIndexText(s.first) + " (" + SobolIndexText(s.firstInterval[0]) + " to " +
                                  SobolIndexText(s.firstInterval[1]) + ")";
        const std::string total = SobolIndexText(s.total) + " (" + SobolIndexText(s.totalInterval[0]) + " to " +
                                  SobolIndexText(s.totalInterval[1]) + ")";
        *svg += "<g class=\"index\" data-parameter=\"" + Xml(p.field->name) + "\">\n";
        *svg += "<title>" + Xml(p.field->name) + ": first order " + first + ", total " + total + "</title>\n";
        *svg += Rect("total", zero, X(s.total), y, 16, TotalColour);
        *svg += Rect("first", zero, X(s.first), y + 4, 8, FirstColour);
        *svg += Whisker("total-interval", s.totalInterval, y + 2);
        *svg += Whisker("first-interval", s.firstInterval, y + 14);
        *svg += Text(NameRight, y + 13, "end", Xml(p.field->name));
        *svg += Text(NotesLeft, y + 13, "start", SobolIndexText(s.first) + ", " + SobolIndexText(s.total), " fill=\"#444\"");
        *svg += "</g>\n";
    }
    *svg += "</g>\n";
    return axisY + 30 - top;
}
