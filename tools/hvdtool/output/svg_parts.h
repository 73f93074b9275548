// The pieces of hvdtool range's SVG charts: escaped text, coordinates that
// read the same on every build, and a logarithmic axis labelled in plain
// numbers.
#pragma once

#include <string>

std::string Escaped(const std::u32string& points);
std::string Xml(const std::string& ascii);
// With one decimal, the same on every build.
std::string Coordinate(long double value);
std::string Number(int value);

std::string Line(long double x1, long double y1, long double x2, long double y2, const char* style);
std::string Text(long double x, long double y, const char* anchor, const std::string& xmlText, const char* extra = "");

// The power of ten of a positive finite value; false for any other.
bool PowerOfTen(long double value, long double* power);

// A horizontal axis of powers of ten from lowest to highest (whole numbers)
// between the pixels left and right.
struct LogAxis {
    long double lowest, highest;
    int left, right;

    long double X(long double power) const { return left + (power - lowest) / (highest - lowest) * (right - left); }
};

// The axis at axisY with a grid line up to gridTop at each labelled power:
// 0.01, 0.1, 1, 10, 100, 1,000 written out from 10^-9 to 10^15, powers of
// ten beyond; every power where the labels fit, else every second, third,
// fifth, ... one, 1 always among them.
std::string DecadeAxis(const LogAxis& axis, int gridTop, int axisY);
