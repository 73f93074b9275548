// The results screen's arithmetic and texts, without a window: gradient
// bands, the banner reveal's columns, the settings line and its date.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <string>

#include "display/display_surfaces.h"
#include "display/result_text.h"
#include "display/results_screen.h"

TEST(GradientBands, AreAt222ndOfTheScreenAndAtLeastOnePixel)
{
    const struct {
        int height;
        int band;
    } cases[] = {
        {1, 1}, {100, 1}, {221, 1}, {222, 1}, {443, 1}, {444, 2}, {480, 2}, {600, 2}, {768, 3}, {888, 4}, {1024, 4},
        {1200, 5},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("height " + std::to_string(c.height));
        EXPECT_EQ(GradientBandHeight(c.height), c.band);
    }
}

TEST(GradientBands, IndexIsTheNearestShareOf222KeptInThePalette)
{
    const struct {
        int b;
        int height;
        int index;
    } cases[] = {
        {384, 768, 111},   // half way
        {240, 480, 111},
        {100, 480, 176},   // 175.75
        {5, 480, 220},     // 219.69
        {2, 768, 221},     // 221.42: the top band
        {2, 887, 221},     // 221.4994
        {2, 888, 221},     // 221.5 rounds to 222: kept at 221
        {2, 1024, 221},    // 221.57
        {0, 480, 221},     // 222
        {3, 444, 220},     // 220.5: ties go to the even neighbour
        {5, 444, 220},     // 219.5
        {443, 444, 0},     // 0.5
        {441, 444, 2},     // 1.5
        {767, 768, 0},     // 0.29
        {768, 768, 0},
        {770, 768, 0},     // below the screen: -0.58 kept at 0
        {1000, 768, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("b " + std::to_string(c.b) + ", height " + std::to_string(c.height));
        EXPECT_EQ(GradientIndex(c.b, c.height), c.index);
    }
    // Every band of a screen lies in the palette, darker toward the top.
    for (int height : {200, 480, 768, 888, 1024, 1600}) {
        SCOPED_TRACE("height " + std::to_string(height));
        ASSERT_GE(GradientBandHeight(height), 1);
        int previous = PaletteSize;
        for (int b = 2; b <= height + 2; b += GradientBandHeight(height)) {
            int index = GradientIndex(b, height);
            ASSERT_GE(index, 0);
            ASSERT_LE(index, PaletteSize - 1);
            ASSERT_LE(index, previous);
            previous = index;
        }
        EXPECT_EQ(previous, 0);
    }
}

TEST(BannerReveal, CopiesTheStripFromTheMiddleOrFromTheEdges)
{
    const struct {
        int width;
        int direction;
        int first[2];
        int second[2];
        int last[2];
    } cases[] = {
        {640, 0, {539, 539}, {538, 540}, {499, 579}},
        {640, 1, {499, 579}, {500, 578}, {539, 539}},
        {1024, 0, {923, 923}, {922, 924}, {883, 963}},
        {1024, 1, {883, 963}, {884, 962}, {923, 923}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("width " + std::to_string(c.width) + ", direction " + std::to_string(c.direction));
        int columns[2 * RevealSteps];
        for (int& column : columns) column = -1;
        BannerRevealColumns(c.direction, c.width, columns);
        EXPECT_EQ(columns[0], c.first[0]);
        EXPECT_EQ(columns[1], c.first[1]);
        EXPECT_EQ(columns[2], c.second[0]);
        EXPECT_EQ(columns[3], c.second[1]);
        EXPECT_EQ(columns[2 * RevealSteps - 2], c.last[0]);
        EXPECT_EQ(columns[2 * RevealSteps - 1], c.last[1]);
        // Each step moves both columns one pixel, and the whole strip and
        // the column right of it are copied.
        bool copied[81] = {};
        for (int i = 0; i < RevealSteps; ++i) {
            int step = c.direction == 0 ? 1 : -1;
            if (i > 0) {
                EXPECT_EQ(columns[2 * i], columns[2 * i - 2] - step) << "step " << i;
                EXPECT_EQ(columns[2 * i + 1], columns[2 * i - 1] + step) << "step " << i;
            }
            for (int j = 0; j < 2; ++j) {
                int offset = columns[2 * i + j] - (c.width - BannerStripOffset);
                ASSERT_GE(offset, 0);
                ASSERT_LE(offset, 80);
                copied[offset] = true;
            }
        }
        for (int offset = 0; offset <= 80; ++offset) EXPECT_TRUE(copied[offset]) << "column " << offset;
    }
}

TEST(BannerReveal, DirectionIsTheTopBitOfTheNextSeed)
{
    const struct {
        std::uint32_t seed;
        int direction;
    } cases[] = {
        {0, 0},           // 1
        {15, 0},          // 2021637196
        {16, 1},          // 2156413009
        {31, 1},          // 4178050204
        {32, 0},          // 17858721 after the wrap
        {86399999, 1},    // the last millisecond of a day: 3106359292
        {43200000, 0},    // noon: 1620567553
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("seed " + std::to_string(c.seed));
        EXPECT_EQ(RevealDirection(c.seed), c.direction);
    }
}

namespace {

// The file time of a local calendar time, as the file system would report
// a file written then.
FILETIME FileTimeOfLocal(WORD year, WORD month, WORD day, WORD hour, WORD minute)
{
    SYSTEMTIME local = {};
    local.wYear = year;
    local.wMonth = month;
    local.wDay = day;
    local.wHour = hour;
    local.wMinute = minute;
    FILETIME localTime = {};
    FILETIME fileTime = {};
    EXPECT_TRUE(SystemTimeToFileTime(&local, &localTime));
    EXPECT_TRUE(LocalFileTimeToFileTime(&localTime, &fileTime));
    return fileTime;
}

}  // namespace

// Times close to midnight fall on another day in UTC unless the time zone
// is UTC; CTest runs these tests nine hours off UTC.
TEST(SettingsLine, DateIsLocalMonthDayAndYear)
{
    const struct {
        WORD year, month, day, hour, minute;
        const char* text;
    } cases[] = {
        {1997, 9, 3, 12, 0, "Sept 03 1997"},
        {2001, 5, 14, 9, 30, "May 14 2001"},
        {1998, 3, 7, 0, 5, "Mar 07 1998"},
        {1998, 12, 24, 23, 55, "Dec 24 1998"},
        {2000, 1, 1, 0, 0, "Jan 01 2000"},
        {2024, 2, 29, 18, 0, "Feb 29 2024"},
        {2031, 10, 10, 10, 10, "Oct 10 2031"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_STREQ(FormatSettingsDate(FileTimeOfLocal(c.year, c.month, c.day, c.hour, c.minute)), c.text);
    }
    FILETIME never = {0, 0};
    EXPECT_STREQ(FormatSettingsDate(never), "?");
}

TEST(SettingsLine, NamesTheAuthorOrUnknown)
{
    const struct {
        const char* author;
        const char* date;
        const char* line;
    } cases[] = {
        {nullptr, "?", "Current settings by [unknown], ?."},
        {nullptr, "Sept 03 1997", "Current settings by [unknown], Sept 03 1997."},
        {"Team A", "Mar 07 1998", "Current settings by Team A, Mar 07 1998."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        EXPECT_STREQ(ComposeSettingsLine(c.author, c.date), c.line);
    }
    FILETIME written = FileTimeOfLocal(2001, 5, 14, 12, 0);
    EXPECT_STREQ(ComposeSettingsLine(nullptr, FormatSettingsDate(written)), "Current settings by [unknown], May 14 2001.");
}
