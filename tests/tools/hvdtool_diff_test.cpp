// hvdtool's report texts (numbers, JSON), its diff of two settings files
// and its command-line options.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "model/extended_math.h"
#include "model/number_text.h"
#include "tests/tools/settings_sources.h"
#include "tools/hvdtool/command_options.h"
#include "tools/hvdtool/output/json_writer.h"
#include "tools/hvdtool/output/number_format.h"
#include "tools/hvdtool/settings/settings_diff.h"

TEST(HvdtoolNumberFormat, SignificantDigitsInPlainAndExponentForm)
{
    struct Case {
        long double value;
        int digits;
        bool grouped, keepZeros;
        const char* text;
    } cases[] = {
        {0.0123456L, 3, false, false, "0.0123"},
        {12.3456L, 3, false, false, "12.3"},
        {1234567, 3, true, false, "1,230,000"},
        {1234567, 3, false, false, "1230000"},
        {999.6L, 3, true, false, "1,000"},  // the rounding carries into a new digit
        {0.00099951L, 3, false, false, "0.001"},
        {4, 3, false, true, "4.00"},
        {4, 3, false, false, "4"},
        {-2.5L, 3, false, false, "-2.5"},
        {1.5e21L, 3, true, false, "1.5e+21"},
        {1e20L, 3, true, false, "100,000,000,000,000,000,000"},
        {1.25e-8L, 3, false, false, "1.25e-8"},
        {1.25e-7L, 3, false, false, "0.000000125"},
        {0.1L, 10, false, false, "0.1"},
        {0, 3, false, false, "0"},
        {-0.0L, 3, false, false, "-0"},
        {INFINITY, 3, false, false, "infinite"},
        {-INFINITY, 3, false, false, "-infinite"},
        {NAN, 3, false, false, "undefined"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(SignificantText(c.value, c.digits, c.grouped, c.keepZeros), c.text);
    }
    EXPECT_EQ(PercentText(0.4567L), "45.7");
    EXPECT_EQ(PercentText(0), "0.0");
    EXPECT_EQ(PercentText(1), "100.0");
}

// The shortest text that reads back as the same float, and that a JSON
// reader takes as a number: digits, one optional point, an optional e+N.
TEST(HvdtoolNumberFormat, FloatTextsReadBackExactly)
{
    EXPECT_EQ(FloatText(0.9f), "0.9");
    EXPECT_EQ(FloatText(0.1f), "0.1");
    EXPECT_EQ(FloatText(0.000001f), "0.000001");
    EXPECT_EQ(FloatText(16777216.0f), "16777216");
    EXPECT_EQ(FloatText(3.4028235e38f), "3.4028235e+38");
    std::uint32_t bits = 0x12345678u;
    for (int i = 0; i < 3000; ++i) {
        bits = bits * 1664525u + 1013904223u;
        float value;
        std::memcpy(&value, &bits, sizeof value);
        if (!std::isfinite(value)) continue;
        std::string text = FloatText(value);
        SCOPED_TRACE(text);
        int error = 0;
        float back = RealToFloat(TextToReal(text.c_str(), &error));
        ASSERT_EQ(error, 0);
        ASSERT_EQ(std::memcmp(&back, &value, sizeof value), 0);
        EXPECT_EQ(text.find_first_not_of("-0123456789.e+"), std::string::npos);
        EXPECT_NE(text.back(), '.');
    }
}

TEST(HvdtoolJson, StringsComeOutAsPlainAscii)
{
    EXPECT_EQ(JsonAnsiString("say \"hi\"\\\r\n\t"), "\"say \\\"hi\\\"\\\\\\r\\n\\t\"");
    EXPECT_EQ(JsonAnsiString(std::string("\x01\x7F", 2)), "\"\\u0001\\u007f\"");
    EXPECT_EQ(JsonAnsiString(std::string("\0", 1)), "\"\\u0000\"");
    EXPECT_EQ(JsonAnsiString("caf\xE9 \x80 \x9F"), "\"caf\\u00e9 \\u20ac \\u0178\"");  // Windows-1252
    EXPECT_EQ(JsonFileNameString("caf\xC3\xA9.hvd"), "\"caf\\u00e9.hvd\"");           // UTF-8
    EXPECT_EQ(JsonFileNameString("\xF0\x9F\x98\x80"), "\"\\ud83d\\ude00\"");             // beyond 16 bits
    EXPECT_EQ(JsonFileNameString("bad\xC3"), "\"bad\\u00c3\"");                          // not UTF-8
    EXPECT_EQ(JsonFileNameString("\xC0\xAF"), "\"\\u00c0\\u00af\"");                    // overlong form
}

TEST(HvdtoolJson, WriterNestsAndSeparates)
{
    JsonWriter json;
    json.BeginObject();
    json.Key("list");
    json.BeginArray();
    json.Integer(-1);
    json.Raw("2.5");
    json.BeginObject();
    json.EndObject();
    json.EndArray();
    json.Key("empty");
    json.BeginArray();
    json.EndArray();
    json.Key("flag");
    json.Boolean(false);
    json.Key("name");
    json.String("x");
    json.EndObject();
    EXPECT_EQ(json.Text(), "{\n  \"list\": [\n    -1,\n    2.5,\n    {}\n  ],\n  \"empty\": [],\n  \"flag\": false,\n  \"name\": \"x\"\n}\n");
}

TEST(HvdtoolDiff, NamesExactlyTheFieldsThatDiffer)
{
    SettingsSource a = ParsedSource(WorkedExampleSource() + "AuthorName = Team A\n");
    EXPECT_TRUE(SettingsChanges(ViewOf(a), ViewOf(a)).empty());

    SettingsSource b = a;
    SetField(&b, "StarCount", 2000000);
    SetField(&b, "GiantShare", 0.125f);
    SetField(&b, "GalaxyCount", 7);
    b.storedBlock[CurrentPageOffset] = 5;
    b.storedBlock[ReservedOffset] = 0xAB;
    b.texts[0] = "Team B";
    b.texts[2] = "two\r\nlines";
    std::vector<SettingsChange> changes = SettingsChanges(ViewOf(a), ViewOf(b));
    std::vector<std::string> names;
    for (const SettingsChange& c : changes) names.push_back(c.field);
    std::vector<std::string> expected = {"StarCount", "GiantShare", "GalaxyCount", "Reserved", "CurrentPage", "AuthorName", "SettingsComments"};
    EXPECT_EQ(names, expected);
    ASSERT_EQ(changes.size(), expected.size());
    EXPECT_EQ(changes[0].before, "1,000,000");
    EXPECT_EQ(changes[0].after, "2,000,000");
    EXPECT_EQ(changes[0].afterJson, "2000000");
    EXPECT_EQ(changes[1].before, "0.25");
    EXPECT_EQ(changes[1].after, "0.125");
    EXPECT_EQ(changes[1].afterJson, "0.125");
    EXPECT_EQ(changes[3].after.substr(0, 6), "AB 00 ");
    EXPECT_EQ(changes[4].before, "1");
    EXPECT_EQ(changes[4].after, "5");
    EXPECT_EQ(changes[5].before, "\"Team A\"");
    EXPECT_EQ(changes[6].before, "(empty)");
    EXPECT_EQ(changes[6].after, "\"two\\r\\nlines\"");
    EXPECT_EQ(changes[6].afterJson, "\"two\\r\\nlines\"");
}

TEST(HvdtoolDiff, ValuesThatLookAlikeShowTheirExactValues)
{
    SettingsSource a = ParsedSource(WorkedExampleSource());
    SettingsSource b = a;
    SetField(&b, "PlanetShare", std::nextafter(0.5f, 1.0f));
    SetField(&b, "OrbitAxisProb", NAN);
    WriteCountField(a.storedBlock, FieldNamed("GalaxyCount").offset, 1234567890123456781LL);  // 19 digits, shown with 18
    WriteCountField(b.storedBlock, FieldNamed("GalaxyCount").offset, 1234567890123456782LL);
    std::vector<SettingsChange> changes = SettingsChanges(ViewOf(a), ViewOf(b));
    ASSERT_EQ(changes.size(), 3u);
    EXPECT_EQ(changes[0].before, "0.5 (0.5)");
    EXPECT_EQ(changes[0].after, "0.5 (0.50000006)");
    EXPECT_EQ(changes[1].field, "OrbitAxisProb");
    EXPECT_EQ(changes[1].after, "Nan");
    EXPECT_EQ(changes[1].afterJson, "\"Nan\"");
    EXPECT_EQ(changes[2].before, "1,234,567,890,123,456,780 (1,234,567,890,123,456,781)");
    EXPECT_EQ(changes[2].after, "1,234,567,890,123,456,780 (1,234,567,890,123,456,782)");
    EXPECT_EQ(changes[2].afterJson, "1234567890123456782");
}

TEST(HvdtoolDiff, ResultsSideBySideWithTheirRatio)
{
    SettingsSource a = ParsedSource(WorkedExampleSource());
    SettingsSource b = a;
    SetField(&b, "StarCount", 2000000);  // twice the stars: 10,742 inhabited planets, 107 civilizations
    ResultComparison results[ResultLineCount];
    CompareResults(ViewOf(a), ViewOf(b), results);
    EXPECT_EQ(results[0].a.count, 5371);
    EXPECT_EQ(results[0].b.count, 10742);
    EXPECT_EQ(RatioText(results[0]), "2");
    EXPECT_EQ(results[2].a.count, 54);
    EXPECT_EQ(results[2].b.count, 107);
    EXPECT_EQ(RatioText(results[2]), "1.98");  // 107 / 54
    // Distances: the cube root of the inhabited planets' ratio, both ways.
    ASSERT_TRUE(results[1].ratioDefined);
    EXPECT_NEAR(static_cast<double>(results[1].ratio), std::cbrt(2.0 * 5371 / 10742), 1e-6);

    SettingsSource none = a;
    SetField(&none, "LifeEvolvesProb", 0);  // no inhabited planet: distance infinite
    CompareResults(ViewOf(none), ViewOf(a), results);
    EXPECT_EQ(results[0].a.count, 0);
    EXPECT_EQ(RatioText(results[0]), "n/a");                                 // from zero
    EXPECT_EQ(RatioText(results[1]), "n/a");                                 // from infinite
    EXPECT_EQ(RatioText(results[2]), "54");                                  // 1 by the "at least 1" rule
    SettingsSource huge = a;
    SetField(&huge, "GalaxyCount", 9e18L);  // 2 + 19 digits trip the universe guard: "more than 10^"
    CompareResults(ViewOf(a), ViewOf(huge), results);
    EXPECT_EQ(ResultWording(results[4].b).substr(0, 13), "more than 10^");
    EXPECT_EQ(RatioText(results[4]), "n/a");
    EXPECT_EQ(ResultJson(results[4].b).front(), '"');
    EXPECT_EQ(ResultJson(results[4].a), "5400000000000");
}

TEST(HvdtoolOptions, ReadsTheOptionsOfEachCommand)
{
    CommandLine line;
    ASSERT_TRUE(ParseCommandLine("range", {"a.hvd", "--samples", "250", "b.hvd", "--seed=18446744073709551615", "--json", "--svg", "t.svg"},
                                 JsonOption | SamplesOption | SeedOption | SvgOption, &line));
    EXPECT_EQ(line.files, (std::vector<std::string>{"a.hvd", "b.hvd"}));
    EXPECT_EQ(line.samples, 250u);
    EXPECT_EQ(line.seed, 18446744073709551615ull);
    EXPECT_TRUE(line.json);
    EXPECT_EQ(line.svgPath, "t.svg");

    CommandLine solve;
    ASSERT_TRUE(ParseCommandLine("solve", {"a.hvd", "--result", "universe", "--target=2.5e3", "--threads", "3"},
                                 ResultOption | TargetOption | ThreadsOption, &solve));
    EXPECT_EQ(solve.result, SolvedResult::Universe);
    EXPECT_EQ(solve.target, 2500);
    EXPECT_EQ(solve.threads, 3u);

    CommandLine defaults;
    ASSERT_TRUE(ParseCommandLine("range", {"--", "-a.hvd", "b.hvd"}, SamplesOption, &defaults));
    EXPECT_EQ(defaults.files, (std::vector<std::string>{"-a.hvd", "b.hvd"}));
    EXPECT_EQ(defaults.samples, DefaultSamples);
    EXPECT_EQ(defaults.seed, DefaultSeed);
    EXPECT_FALSE(defaults.json);
    EXPECT_TRUE(defaults.svgPath.empty());
    EXPECT_EQ(defaults.threads, 0u);  // one per processor
    EXPECT_EQ(defaults.result, SolvedResult::Galaxy);
    EXPECT_EQ(defaults.target, 1);
}

TEST(HvdtoolOptions, BadOptionsAreNamedInOneLine)
{
    const unsigned range = JsonOption | SamplesOption | SeedOption | SvgOption | ThreadsOption | ResultOption | TargetOption;
    struct Case {
        std::vector<std::string> args;
        unsigned allowed;
        const char* message;
    } cases[] = {
        {{"--samples", "0"}, range, "hvdtool: --samples: not a whole number from 1 to 10,000,000: '0'\n"},
        {{"--samples=10000001"}, range, "hvdtool: --samples: not a whole number from 1 to 10,000,000: '10000001'\n"},
        {{"--samples", "1e5"}, range, "hvdtool: --samples: not a whole number from 1 to 10,000,000: '1e5'\n"},
        {{"--samples"}, range, "hvdtool: --samples: needs a value\n"},
        {{"--seed", "abc"}, range, "hvdtool: --seed: not a whole number from 0 to 18,446,744,073,709,551,615: 'abc'\n"},
        {{"--seed", "18446744073709551616"}, range,
         "hvdtool: --seed: not a whole number from 0 to 18,446,744,073,709,551,615: '18446744073709551616'\n"},
        {{"--seed", "-1"}, range, "hvdtool: --seed: not a whole number from 0 to 18,446,744,073,709,551,615: '-1'\n"},
        {{"--svg="}, range, "hvdtool: --svg: needs a file name\n"},
        {{"--json=yes"}, range, "hvdtool: --json: takes no value\n"},
        {{"--frobnicate"}, range, "hvdtool: --frobnicate: unknown option\n"},
        {{"-x"}, range, "hvdtool: -x: unknown option\n"},
        {{"--seed", "5"}, JsonOption, "hvdtool: --seed: not an option of range\n"},
        {{"--threads", "0"}, range, "hvdtool: --threads: not a whole number from 1 to 256: '0'\n"},
        {{"--result", "stars"}, range, "hvdtool: --result: not galaxy, universe or inhabited: 'stars'\n"},
        {{"--target", "1,000"}, range, "hvdtool: --target: not a number: '1,000'\n"},
        {{"--target", "1e5000"}, range, "hvdtool: --target: not a number: '1e5000'\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        CommandLine line;
        testing::internal::CaptureStderr();
        bool parsed = ParseCommandLine("range", c.args, c.allowed, &line);
        std::string message = testing::internal::GetCapturedStderr();
        EXPECT_FALSE(parsed);
        EXPECT_EQ(message, c.message);
    }
}
