#include "tools/hvdtool/output/number_format.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "model/extended_math.h"
#include "model/number_text.h"

namespace {

std::string NonFiniteText(long double value)
{
    if (std::isnan(value)) return "undefined";
    return value > 0 ? "infinite" : "-infinite";
}

std::string Grouped(const std::string& digits)
{
    std::string out;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
        out += digits[i];
    }
    return out;
}

}  // namespace

std::string SignificantText(long double value, int digits, bool grouped, bool keepZeros)
{
    if (!std::isfinite(value)) return NonFiniteText(value);
    if (value == 0) return SignBitOf(value) ? "-0" : "0";
    if (digits < 2) digits = 2;
    if (digits > 18) digits = 18;
    // Exponent form " d.dddE+0012" (or "-d.ddd..."), correctly rounded.
    const char* text = RealToText(value, digits + 8, -1);
    bool negative = text[0] == '-';
    std::string mantissa;
    const char* p = text + 1;
    for (; *p != 'E'; ++p) {
        if (*p != '.') mantissa += *p;
    }
    int exponent = std::atoi(p + 1);
    while (!keepZeros && mantissa.size() > 1 && mantissa.back() == '0') mantissa.pop_back();

    std::string out = negative ? "-" : "";
    if (exponent >= 21 || exponent < -7) {
        out += mantissa.substr(0, 1);
        if (mantissa.size() > 1) out += "." + mantissa.substr(1);
        out += exponent < 0 ? "e-" : "e+";
        return out + std::to_string(exponent < 0 ? -exponent : exponent);
    }
    if (exponent < 0) return out + "0." + std::string(static_cast<std::size_t>(-exponent - 1), '0') + mantissa;
    std::size_t whole = static_cast<std::size_t>(exponent) + 1;
    if (mantissa.size() < whole) mantissa.append(whole - mantissa.size(), '0');
    std::string wholeDigits = mantissa.substr(0, whole);
    out += grouped ? Grouped(wholeDigits) : wholeDigits;
    if (mantissa.size() > whole) out += "." + mantissa.substr(whole);
    return out;
}

std::string PercentText(long double share)
{
    if (!std::isfinite(share)) return NonFiniteText(share);
    std::string text = RealToText(share * 100, 1, 1);
    std::size_t first = text.find_first_not_of(' ');
    return first == std::string::npos ? text : text.substr(first);
}

std::string FloatText(float value)
{
    if (!std::isfinite(value)) return NonFiniteText(value);
    std::string text;
    for (int digits = 2; digits <= 9; ++digits) {
        text = SignificantText(value, digits, false);
        int error = 0;
        float back = RealToFloat(TextToReal(text.c_str(), &error));
        if (error == 0 && std::memcmp(&back, &value, sizeof value) == 0) break;
    }
    return text;
}
