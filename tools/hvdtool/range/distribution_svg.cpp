#include "tools/hvdtool/range/distribution_svg.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "model/estimation.h"
#include "tools/hvdtool/output/number_format.h"
#include "tools/hvdtool/output/svg_parts.h"
#include "tools/hvdtool/range/range_report.h"
#include "tools/hvdtool/settings/settings_source.h"

namespace {

const int PlotLeft = 80;
const int PlotRight = 1020;  // room for the last label's second half
const int PlotHeight = 170;
const char BelowOneColour[] = "#c0504d";
const char AboveOneColour[] = "#3f6fb5";
const char BelowOneShade[] = "#f8e1e1";
const char PriorColour[] = "#c8c8c8";
const char Halo[] = " stroke=\"white\" stroke-width=\"4\" paint-order=\"stroke\"";

int FloorDivision(int a, int b)
{
    return a / b - (a % b != 0 && (a < 0) != (b < 0));
}

// From the lowest bin's decade to the highest's, 1 always on the axis, two
// decades at least.
LogAxis AxisOf(const Histogram& h)
{
    int lowest = -1, highest = 1;
    if (!h.counts.empty()) {
        int end = h.firstBin + static_cast<int>(h.counts.size());
        lowest = std::min(0, FloorDivision(h.firstBin, h.binsPerDecade));
        highest = std::max(0, -FloorDivision(-end, h.binsPerDecade));
    }
    if (highest - lowest < 2) highest = lowest + 2;
    return LogAxis{static_cast<long double>(lowest), static_cast<long double>(highest), PlotLeft, PlotRight};
}

std::string Count(std::uint64_t n)
{
    return ExactCountText(static_cast<long long>(n));
}

// "Not on the logarithmic axis: 1,204 draws of 0 and 3 negative ones." or
// "No draw was 0 or negative."
std::string OffAxisWords(const Histogram& h)
{
    std::string parts[4];
    int n = 0;
    if (h.zero) parts[n++] = Count(h.zero) + (h.zero == 1 ? " draw" : " draws") + " of 0";
    if (h.negative) parts[n++] = Count(h.negative) + (h.negative == 1 ? " negative draw" : " negative draws");
    if (h.infinite) parts[n++] = Count(h.infinite) + " infinite";
    if (h.undefined) parts[n++] = Count(h.undefined) + " undefined";
    if (n == 0) return "No draw was 0 or negative.";
    std::string words = "Not on the logarithmic axis: ";
    for (int i = 0; i < n; ++i) words += (i == 0 ? "" : i == n - 1 ? " and " : ", ") + parts[i];
    return words + ".";
}

// The smallest of 1, 2 and 5 times a power of ten (in percent) that needs
// at most five steps up to the tallest bar.
long double PercentStep(long double tallest)
{
    for (int exponent = -6;; ++exponent) {
        for (int m : {1, 2, 5}) {
            long double step = m * IntegerPower(10.0L, exponent);
            if (tallest <= 5 * step || exponent >= 2) return step;
        }
    }
}

std::string Bar(long double x1, long double x2, long double bottom, long double top)
{
    return "M" + Coordinate(x1) + " " + Coordinate(bottom) + "V" + Coordinate(top) + "H" + Coordinate(x2) + "V" + Coordinate(bottom) + "Z";
}

// A bin's share of the draws, in percent: of their weight where weighted.
long double BinPercent(const Histogram& h, std::size_t i)
{
    if (h.Weighted()) return h.weightShares[i] * 100;
    return static_cast<long double>(h.counts[i]) / static_cast<long double>(h.samples) * 100;
}

bool FullPoint(const Histogram& h, std::uint64_t percent)
{
    long double from, to;
    return h.Weighted() ? WeightedIntervalShares(h.effective, percent, &from, &to) : FullInterval(h.samples, percent);
}

}  // namespace

int DistributionChart(std::string* svg, const Histogram& h, const Histogram* prior, bool galaxy, int top)
{
    const LogAxis axis = AxisOf(h);
    const int plotTop = top + 52, plotBottom = plotTop + PlotHeight;
    const long double samples = static_cast<long double>(h.samples);

    *svg += std::string("<g class=\"distribution\" data-count=\"") + (galaxy ? "galaxy-civilizations" : "inhabited-planets") + "\">\n";
    *svg += Text(20, top + 12, "start",
                 galaxy ? "Civilizations in our galaxy: the product before rounding and the &quot;at least 1&quot; rule, over the draws"
                        : "Inhabited planets in our galaxy: the product before rounding, over the draws",
                 " font-size=\"15\" font-weight=\"bold\"");
    const long double belowShare = h.Weighted() ? h.belowOneWeight : static_cast<long double>(h.belowOne) / samples;
    std::string share = PercentText(belowShare);
    const std::string shareWords =
        h.Weighted() && prior ? "Fewer than one: " + share + " % of the weight after the update, " +
                                    PercentText(static_cast<long double>(prior->belowOne) / samples) + " % of the " + Count(h.samples) +
                                    " draws before it (shaded). "
                              : "Fewer than one in " + share + " % of the " + Count(h.samples) + " draws (shaded). ";
    *svg += Text(20, top + 32, "start", shareWords + Xml(OffAxisWords(h)), " fill=\"#444\"");

    // The share of the draws in each bin, on gridlines of 1, 2 or 5 units.
    long double tallest = 0;
    for (std::size_t i = 0; i < h.counts.size(); ++i) tallest = std::max(tallest, BinPercent(h, i));
    if (prior) {
        for (std::size_t i = 0; i < prior->counts.size(); ++i) tallest = std::max(tallest, BinPercent(*prior, i));
    }
    long double step = PercentStep(tallest);
    long double ceiling = std::ceil(tallest / step) * step;
    if (ceiling < step) ceiling = step;
    auto y = [&](long double percent) { return plotBottom - percent / ceiling * PlotHeight; };

    long double oneX = axis.X(0);
    *svg += "<rect class=\"below-one\" x=\"" + Coordinate(PlotLeft) + "\" y=\"" + Number(plotTop) + "\" width=\"" +
            Coordinate(oneX - PlotLeft) + "\" height=\"" + Number(PlotHeight) + "\" fill=\"" + BelowOneShade + "\"/>\n";
    for (int i = 1; step * i <= ceiling * (1 + 1e-9L); ++i) {
        *svg += Line(PlotLeft, y(step * i), PlotRight, y(step * i), "stroke=\"#eee\"");
        *svg += Text(PlotLeft - 6, y(step * i) + 4, "end", SignificantText(step * i, 3, false) + " %");
    }
    *svg += DecadeAxis(axis, plotTop, plotBottom);

    // The draws before the update, then over them the weighted ones.
    if (prior && !prior->counts.empty()) {
        std::string bars;
        for (std::size_t i = 0; i < prior->counts.size(); ++i) {
            if (prior->counts[i] == 0) continue;
            int bin = prior->firstBin + static_cast<int>(i);
            bars += Bar(axis.X(static_cast<long double>(bin) / prior->binsPerDecade), axis.X(static_cast<long double>(bin + 1) / prior->binsPerDecade),
                        plotBottom, y(BinPercent(*prior, i)));
        }
        *svg += "<path class=\"prior-bins\" fill=\"" + std::string(PriorColour) + "\" fill-opacity=\"0.6\" d=\"" + bars + "\"/>\n";
    }
    std::string below, above;
    for (std::size_t i = 0; i < h.counts.size(); ++i) {
        if (h.counts[i] == 0) continue;
        int bin = h.firstBin + static_cast<int>(i);
        long double x1 = axis.X(static_cast<long double>(bin) / h.binsPerDecade);
        long double x2 = axis.X(static_cast<long double>(bin + 1) / h.binsPerDecade);
        (bin < 0 ? below : above) += Bar(x1, x2, plotBottom, y(BinPercent(h, i)));
    }
    if (!below.empty()) *svg += "<path class=\"bins\" fill=\"" + std::string(BelowOneColour) + "\" d=\"" + below + "\"/>\n";
    if (!above.empty()) *svg += "<path class=\"bins\" fill=\"" + std::string(AboveOneColour) + "\" d=\"" + above + "\"/>\n";

    // The share below one, written in the shaded part where it fits: at
    // its left, over the thin tail; else just right of 1.
    // Below it, the share's 95 % interval: how much of it is chance.
    std::string shareText = "fewer than one: " + share + " %";
    long double from, to;
    if (h.Weighted()) {
        WeightedWilsonInterval(h.belowOneWeight, h.effective, &from, &to);
    } else {
        WilsonInterval(h.belowOne, h.samples, &from, &to);
    }
    bool inside = oneX - PlotLeft >= 190;
    long double labelX = inside ? PlotLeft + 8 : oneX + 8;
    *svg += Text(labelX, plotTop + 62, "start", shareText,
                 (std::string(" font-size=\"15\" font-weight=\"bold\" fill=\"#a03030\"") + Halo).c_str());
    *svg += Text(labelX, plotTop + 80, "start", "95 % interval " + PercentText(from) + " to " + PercentText(to) + " %",
                 (std::string(" fill=\"#a03030\"") + Halo).c_str());

    // The three points: a dashed line each, or words at the left end.
    const char* names[3] = {"5 %: ", "median: ", "95 %: "};
    for (int i = 0; i < 3; ++i) {
        long double power;
        std::string label = names[i] + Xml(ProductText(h.points[i]));
        int labelY = plotTop + 14 + 16 * i;
        if (!PowerOfTen(h.points[i], &power)) {
            *svg += Text(PlotLeft + 4, labelY, "start", label + " (not on the axis)", Halo);
            continue;
        }
        long double x = axis.X(power);
        *svg += Line(x, plotTop, x, plotBottom, "stroke=\"#222\" stroke-dasharray=\"4 3\"");
        bool right = x + 4 + 7 * static_cast<long double>(label.size()) <= PlotRight;
        *svg += Text(right ? x + 4 : x - 4, labelY, right ? "start" : "end", label, Halo);
    }
    *svg += Text(PlotLeft, plotBottom + 38, "start",
                 std::string("Bins of a ") + (h.binsPerDecade == 10 ? "tenth" : "quarter") + " of a decade; each bar's height is the share " +
                     (prior ? "of the weight after the update that fell in it, grey behind it the draws' before. "
                            : "of the draws that fell in it. ") +
                     "Dashed: the 5 %, 50 % and 95 % points.",
                 " fill=\"#444\"");
    // The points' intervals are in the text and the JSON; where the draws
    // are too few for them to hold 95 %, the chart says so too.
    std::vector<std::string> tooFew;
    const std::uint64_t percents[3] = {5, 50, 95};
    const char* pointNames[3] = {"5 %", "50 %", "95 %"};
    for (int i = 0; i < 3; ++i) {
        if (!FullPoint(h, percents[i])) tooFew.push_back(pointNames[i]);
    }
    if (tooFew.empty()) {
        *svg += "</g>\n";
        return plotBottom + 48 - top;
    }
    std::string which = tooFew[0];
    for (std::size_t i = 1; i < tooFew.size(); ++i) which += (i + 1 == tooFew.size() ? " and " : ", ") + tooFew[i];
    *svg += Text(PlotLeft, plotBottom + 56, "start",
                 "Too few draws for a 95 % interval at the " + which + (tooFew.size() > 1 ? " points" : " point") +
                     ": the interval given there holds less.",
                 " class=\"too-few-draws\" fill=\"#a03030\"");
    *svg += "</g>\n";
    return plotBottom + 66 - top;
}
