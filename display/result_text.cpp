#include "display/result_text.h"

#include <cmath>
#include <cstring>

#include "model/estimation.h"
#include "model/extended_math.h"
#include "model/number_text.h"
#include "model/settings_record.h"

const char MonthNames[13][5] = {"", "Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sept", "Oct", "Nov", "Dec"};

namespace {

const int SettingsLineSize = 65536;

char CountValue[48];
char DistanceValue[48];
char TwoDigits[8];
char DateText[24];
char SettingsLine[SettingsLineSize];

const char* const Labels[ResultLineCount] = {
    "Number of currently inhabited planets in our galaxy:",
    "Average distance between neighboring inhabited planets:",
    "Number of currently existing advanced civilizations in our galaxy:",
    "Average distance between neighboring civilizations:",
    "Number of advanced civilizations in the universe:",
};

void Concatenate(char* target, std::size_t size, const char* first, const char* second)
{
    std::size_t length = std::strlen(first);
    if (length >= size) length = size - 1;
    std::memmove(target, first, length);
    std::size_t rest = std::strlen(second);
    if (length + rest >= size) rest = size - 1 - length;
    std::memcpy(target + length, second, rest);
    target[length + rest] = '\0';
}

}  // namespace

const char* ResultLabel(int line)
{
    return line >= 1 && line <= ResultLineCount ? Labels[line - 1] : "";
}

const char* ResultUnit(int line)
{
    return line == 2 || line == 4 ? "ly" : "";
}

const char* ResultValueText(int line)
{
    const SettingsRecord& s = Settings;
    switch (line) {
    case 1: return ResultCountText(s.InhabitedPlanetExponent, s.InhabitedPlanetTotal);
    case 2: return DistanceText(s.PlanetDistanceLy);
    case 3: return ResultCountText(s.GalaxyCivilizationExponent, s.GalaxyCivilizationCount);
    case 4: return DistanceText(s.CivilizationDistanceLy);
    case 5: return ResultCountText(s.UniverseCivilizationExponent, s.UniverseCivilizationCount);
    default: return "";
    }
}

const char* ResultCountText(std::uint8_t exponent, std::int64_t count)
{
    if (exponent == 0) {
        Concatenate(CountValue, sizeof CountValue, CountToGroupedText(true, count), "");
    } else {
        const char* prefix = count == INT64_MIN ? "less than -10^" : "more than 10^";
        Concatenate(CountValue, sizeof CountValue, prefix, CountToText(exponent));
    }
    return CountValue;
}

const char* DistanceText(float lightYears)
{
    SetExtendedPrecision();
    if (std::isnan(lightYears)) return "undefined";
    if (std::isinf(lightYears)) return "infinite";
    std::int64_t whole;
    if (RealToCount(lightYears, &whole)) {
        Concatenate(DistanceValue, sizeof DistanceValue, CountToText(whole), "");
    } else {
        int power = RealDecimalLength(std::fabs(static_cast<long double>(lightYears))) - 1;
        Concatenate(DistanceValue, sizeof DistanceValue, lightYears < 0 ? "less than -10^" : "more than 10^",
                    CountToText(power));
    }
    return DistanceValue;
}

const char* TwoDigitText(std::uint16_t number)
{
    const char* digits = CountToText(number);
    Concatenate(TwoDigits, sizeof TwoDigits, number < 10 ? "0" : "", digits);
    return TwoDigits;
}

const char* FormatCalendarDate(std::uint16_t month, std::uint16_t day, std::uint16_t year)
{
    const char* name = month >= 1 && month <= 12 ? MonthNames[month] : "?";
    Concatenate(DateText, sizeof DateText, name, " ");
    Concatenate(DateText, sizeof DateText, DateText, TwoDigitText(day));
    Concatenate(DateText, sizeof DateText, DateText, " ");
    Concatenate(DateText, sizeof DateText, DateText, TwoDigitText(year));
    return DateText;
}

const char* ComposeSettingsLine(const char* author, const char* dateText)
{
    const char* name = author ? author : "[unknown]";
    const char lead[] = "Current settings by ";
    std::size_t tail = 2 + std::strlen(dateText) + 1;  // ", " date "."
    std::size_t room = SettingsLineSize - 1 - (sizeof lead - 1) - tail;
    std::size_t length = std::strlen(name);
    std::memcpy(SettingsLine, lead, sizeof lead - 1);
    char* p = SettingsLine + sizeof lead - 1;
    if (length > room) {
        std::memcpy(p, name, room - 3);
        std::memcpy(p + room - 3, "...", 3);
        p += room;
    } else {
        std::memcpy(p, name, length);
        p += length;
    }
    *p++ = ',';
    *p++ = ' ';
    std::memcpy(p, dateText, tail - 3);
    p += tail - 3;
    *p++ = '.';
    *p = '\0';
    return SettingsLine;
}
