#include "tools/hvdtool/output/svg_parts.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "model/extended_math.h"
#include "model/number_text.h"

namespace {

// Labels written out in full within these powers; beyond, 10 with a raised
// exponent.
const int PlainFrom = -9;
const int PlainTo = 15;

// Rough widths at the charts' 13 pixels: digits and the superscript.
const int DigitWidth = 7;
const int MarkWidth = 4;  // comma, point

std::string PlainPower(int power)
{
    if (power < 0) return "0." + std::string(static_cast<std::size_t>(-power - 1), '0') + "1";
    std::string text = "1";
    for (int i = power; i > 0; --i) text += (i % 3 == 0 ? ",0" : "0");
    return text;
}

std::string PowerLabel(int power)
{
    if (power >= PlainFrom && power <= PlainTo) return PlainPower(power);
    return "10<tspan dy=\"-6\" font-size=\"10\">" + std::to_string(power) + "</tspan>";
}

int LabelWidth(int power)
{
    if (power < PlainFrom || power > PlainTo) return 2 * DigitWidth + 6 * static_cast<int>(std::to_string(power).size());
    int width = 0;
    for (char c : PlainPower(power)) width += c >= '0' && c <= '9' ? DigitWidth : MarkWidth;
    return width;
}

}  // namespace

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

std::string Line(long double x1, long double y1, long double x2, long double y2, const char* style)
{
    return "<line x1=\"" + Coordinate(x1) + "\" y1=\"" + Coordinate(y1) + "\" x2=\"" + Coordinate(x2) + "\" y2=\"" + Coordinate(y2) +
           "\" " + style + "/>\n";
}

std::string Text(long double x, long double y, const char* anchor, const std::string& xmlText, const char* extra)
{
    return "<text x=\"" + Coordinate(x) + "\" y=\"" + Coordinate(y) + "\" text-anchor=\"" + anchor + "\"" + extra + ">" + xmlText +
           "</text>\n";
}

bool PowerOfTen(long double value, long double* power)
{
    if (!(value > 0) || std::isinf(value)) return false;
    *power = LnExtended(value) / LnExtended(10.0L);
    return true;
}

std::string DecadeAxis(const LogAxis& axis, int gridTop, int axisY)
{
    const int lowest = static_cast<int>(axis.lowest), highest = static_cast<int>(axis.highest);
    const long double perDecade = (axis.right - axis.left) / (axis.highest - axis.lowest);
    int widest = 0;
    for (int power = lowest; power <= highest; ++power) widest = std::max(widest, LabelWidth(power));
    static const int steps[] = {1, 2, 3, 5, 10, 20, 25, 50, 100, 200, 250, 500, 1000, 2000, 2500, 5000, 10000};
    int step = steps[sizeof steps / sizeof steps[0] - 1];
    for (int s : steps) {
        if (s * perDecade >= widest + 12) {
            step = s;
            break;
        }
    }
    std::string svg;
    for (int power = lowest; power <= highest; ++power) {
        if (power % step != 0) continue;
        long double x = axis.X(power);
        svg += Line(x, gridTop, x, axisY, "stroke=\"#ddd\"");
        svg += Text(x, axisY + 18, "middle", PowerLabel(power));
    }
    return svg + Line(axis.left, axisY, axis.right, axisY, "stroke=\"#444\"");
}
