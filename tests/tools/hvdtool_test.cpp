#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "files/settings_image.h"
#include "model/estimation.h"
#include "model/settings_record.h"
#include "tools/hvdtool/settings/settings_check.h"
#include "tools/hvdtool/settings/settings_fields.h"
#include "tools/hvdtool/settings/settings_source.h"
#include "tools/hvdtool/solve/break_even.h"

namespace {

// All twenty-two parameters at values the wizard accepts.
const char AcceptedSource[] =
    "StarCount = 1,000,000\n"
    "PlanetShare = 0.5\nPopulationIShare = 0.5\nMultipleSystemShare = 0.5\nHeavyElementShare = 1\n"
    "DwarfShare = 0.25\nSunLikeShare = 0.5\nGiantShare = 0.25\n"
    "EcoSingleProb = 1\nEcoDwarfProb = 0.5\nEcoSunLikeProb = 0.5\nEcoGiantProb = 0\n"
    "PlanetInEcoProb = 1\nMassMixProb = 0.5\nOrbitAxisProb = 0.5\nLifeEvolvesProb = 0.5\n"
    "FirstLifeYears = 5,000,000,000\nFirstCivilizationYears = 6,000,000,000\nCivilizationSpanYears = 100,000,000\n"
    "StarDistanceLy = 5\nGalaxySizeRatio = 1\nGalaxyCount = 100,000,000,000\n";

SettingsSource Parse(const std::string& text)
{
    SettingsSource source;
    std::string error;
    EXPECT_TRUE(ParseSettingsSource(text, &source, &error)) << error;
    return source;
}

std::string ParseError(const std::string& text)
{
    SettingsSource source;
    std::string error;
    EXPECT_FALSE(ParseSettingsSource(text, &source, &error));
    return error;
}

// The text form of a parsed source, as hvdtool text writes it.
std::string Write(const SettingsSource& source)
{
    StoredText texts[SettingsTextCount];
    for (std::size_t i = 0; i < SettingsTextCount; ++i) {
        texts[i].bytes = reinterpret_cast<const unsigned char*>(source.texts[i].data());
        texts[i].length = static_cast<std::uint16_t>(source.texts[i].size());
    }
    return WriteSettingsSource(source.storedBlock, texts);
}

float RealOf(const SettingsSource& source, const char* name)
{
    for (const SettingsField& f : SettingsFields) {
        if (std::strcmp(f.name, name) == 0) return ReadRealField(source.storedBlock, f.offset);
    }
    ADD_FAILURE() << name;
    return 0;
}

void SetReal(SettingsSource* source, const char* name, float value)
{
    for (const SettingsField& f : SettingsFields) {
        if (std::strcmp(f.name, name) == 0) WriteRealField(source->storedBlock, f.offset, value);
    }
}

void SetCount(SettingsSource* source, const char* name, std::int64_t value)
{
    for (const SettingsField& f : SettingsFields) {
        if (std::strcmp(f.name, name) == 0) WriteCountField(source->storedBlock, f.offset, value);
    }
}

}  // namespace

TEST(HvdtoolSource, TextFormRoundTripsEveryKindOfValue)
{
    SettingsSource source = Parse(std::string(AcceptedSource) + "CurrentPage = 3\n");
    SetCount(&source, "StarCount", INT64_MIN);
    SetCount(&source, "GalaxyCount", INT64_MAX);
    SetReal(&source, "PlanetShare", -0.0f);
    SetReal(&source, "PopulationIShare", std::nanf(""));
    SetReal(&source, "MultipleSystemShare", -INFINITY);
    SetReal(&source, "HeavyElementShare", 1e-45f);       // smallest subnormal
    SetReal(&source, "DwarfShare", 0.0000004f);          // shows as 0.0 in the wizard
    SetReal(&source, "SunLikeShare", 3.4028235e38f);
    SetReal(&source, "GiantShare", 123456.7f);
    source.storedBlock[ReservedOffset + 79] = 0xFF;
    source.texts[0] = "  leading and trailing  ";
    source.texts[1] = "two\r\nlines\r\n";
    source.texts[2] = std::string("nul\0inside \"quoted\" \\ tab\t lone\rCR \xE9", 36);

    std::string text = Write(source);
    SettingsSource back = Parse(text);
    EXPECT_EQ(std::memcmp(back.storedBlock, source.storedBlock, sizeof back.storedBlock), 0) << text;
    for (std::size_t i = 0; i < SettingsTextCount; ++i) EXPECT_EQ(back.texts[i], source.texts[i]) << i;
    EXPECT_EQ(Write(back), text);
    EXPECT_NE(text.find("AuthorAbout = <<END\ntwo\nlines\n\nEND\n"), std::string::npos) << text;
    EXPECT_NE(text.find("GiantShare = 123456.703125\n"), std::string::npos) << text;
}

TEST(HvdtoolSource, ReadableForms)
{
    SettingsSource s = Parse(std::string(AcceptedSource) +
                             "AuthorName = Team A   \r\n"
                             "AuthorAbout = \"a\\x41\\r\\n\"  # comment\n"
                             "SettingsComments = <<EOT\n# not a comment\n  indented\nEOT\n");
    EXPECT_EQ(s.texts[0], "Team A");
    EXPECT_EQ(s.texts[1], "aA\r\n");
    EXPECT_EQ(s.texts[2], "# not a comment\r\n  indented");
    EXPECT_EQ(s.storedBlock[CurrentPageOffset], 1);  // default page
    EXPECT_EQ(RealOf(s, "PlanetShare"), 0.5f);
    EXPECT_EQ(ReadCountField(s.storedBlock, 0), 1000000);
}

TEST(HvdtoolSource, BadSourcesNameTheLineAndTheProblem)
{
    const std::string base = AcceptedSource;
    struct Case {
        std::string text;
        const char* error;
    } cases[] = {
        {base + "Nonsense = 1\n", "line 23: unknown field 'Nonsense'"},
        {base + "StarCount = 5\n", "line 23: StarCount given twice"},
        {"StarCount = 12a\n", "line 1: StarCount: not a whole number in the 64-bit range: '12a'"},
        {"StarCount = 9,223,372,036,854,775,808\n", "line 1: StarCount: not a whole number in the 64-bit range: '9,223,372,036,854,775,808'"},
        {"PlanetShare = 0,5\n", "line 1: PlanetShare: not a number: '0,5'"},
        {"PlanetShare = 1e39\n", "line 1: PlanetShare: beyond the 32-bit float range: '1e39' (write bits:0x... for such a value)"},
        {"PlanetShare = bits:0x7F80\n", "line 1: PlanetShare: bits:0x needs eight hex digits"},
        {"just words\n", "line 1: expected 'Field = value'"},
        {base + "AuthorName = <<END\nno end\n", "line 23: AuthorName: no line 'END' ends this text"},
        {base + "AuthorName = \"open\n", "line 23: AuthorName: quoted text without its closing \""},
        {base + "Reserved = 00 11\n", "line 23: Reserved: 80 bytes in hex expected"},
        {base + "CurrentPage = 256\n", "line 23: CurrentPage: a number from 0 to 255 expected"},
        {base + "AuthorName = " + std::string(65536, 'x') + "\n", "line 23: AuthorName: longer than 65,535 bytes"},
        {"StarCount = 1\n", "missing field PlanetShare"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.error);
        EXPECT_EQ(ParseError(c.text), c.error);
    }
}

TEST(HvdtoolCheck, NamesEveryFieldTheWizardWouldRefuse)
{
    EXPECT_TRUE(WizardRefusals(Parse(AcceptedSource).storedBlock).empty());

    SettingsSource s = Parse(AcceptedSource);
    SetCount(&s, "StarCount", 999);
    SetReal(&s, "PlanetShare", 1.0000001f);  // shown as 1.0000001, the float above 1
    SetReal(&s, "PopulationIShare", std::nanf(""));
    SetReal(&s, "DwarfShare", 0.5f);
    SetReal(&s, "SunLikeShare", 0.5f);
    SetReal(&s, "GiantShare", 0.02f);
    SetReal(&s, "PlanetInEcoProb", INFINITY);
    SetCount(&s, "FirstLifeYears", 10000000001LL);
    SetCount(&s, "FirstCivilizationYears", 9000000000LL);
    SetCount(&s, "CivilizationSpanYears", 1000000001LL);
    SetCount(&s, "GalaxyCount", -1);
    std::vector<std::string> expected = {
        "StarCount 999: below 1,000",
        "PlanetShare 1.0000001: not between 0 and 1",
        "PopulationIShare Nan: not a number",
        "DwarfShare + SunLikeShare + GiantShare: sum above 1.01",
        "PlanetInEcoProb +Inf: not a number",
        "FirstLifeYears 10,000,000,001: more than 10,000,000,000 years",
        "FirstCivilizationYears 9,000,000,000: earlier than FirstLifeYears",
        "CivilizationSpanYears 1,000,000,001: more than 10,000,000,000 years less FirstCivilizationYears",
        "GalaxyCount -1: cannot be read: \"-\" is an invalid character.",
    };
    EXPECT_EQ(WizardRefusals(s.storedBlock), expected);

    SettingsSource edges = Parse(AcceptedSource);
    SetReal(&edges, "DwarfShare", 0.5f);
    SetReal(&edges, "SunLikeShare", 0.5f);
    SetReal(&edges, "GiantShare", 0.01f);         // sum 1.01: accepted
    SetCount(&edges, "FirstCivilizationYears", 5000000000LL);  // equal to FirstLifeYears
    SetCount(&edges, "CivilizationSpanYears", 5000000000LL);  // exactly the rest
    SetCount(&edges, "GalaxyCount", 0);
    SetReal(&edges, "StarDistanceLy", -3);
    EXPECT_EQ(WizardRefusals(edges.storedBlock), std::vector<std::string>());

    SetCount(&edges, "GalaxyCount", 10000000000000000LL);  // 17 digits
    SetCount(&edges, "FirstCivilizationYears", 1);         // before first life
    SetReal(&edges, "OrbitAxisProb", -0.1f);
    std::vector<std::string> refused = {
        "OrbitAxisProb -0.1: not between 0 and 1",
        "FirstCivilizationYears 1: earlier than FirstLifeYears",
        "GalaxyCount 10,000,000,000,000,000: cannot be read: more than 16 digits",
    };
    EXPECT_EQ(WizardRefusals(edges.storedBlock), refused);
}

namespace {

const BreakEven& EntryOf(const std::vector<BreakEven>& found, const char* name)
{
    for (const BreakEven& e : found) {
        if (std::strcmp(SettingsFields[e.parameter].name, name) == 0) return e;
    }
    ADD_FAILURE() << name;
    return found.front();
}

// The block with one parameter at a value, accepted or not, and its product.
bool AcceptedWith(const SettingsSource& s, const SettingsField& f, long double value, SolvedResult result, long double* product)
{
    SettingsSource moved = s;
    if (f.kind == FieldKind::Count) {
        WriteCountField(moved.storedBlock, f.offset, static_cast<std::int64_t>(value));
    } else {
        WriteRealField(moved.storedBlock, f.offset, static_cast<float>(value));
    }
    SettingsRecord record;
    std::memset(&record, 0, sizeof record);
    std::memcpy(&record, moved.storedBlock, StoredBlockSize);
    record.MaxYears = FixedMaxYears;
    *product = SolvedProduct(ComputeResultsFor(&record), result);
    return WizardRefusals(moved.storedBlock).empty();
}

// Each crossing as the program computes it: the value reaches the target,
// the value next to it does not, and the wizard accepts both.
void ExpectCrossingsHold(const SettingsSource& s, SolvedResult result, long double target, const std::vector<BreakEven>& found)
{
    for (const BreakEven& e : found) {
        const SettingsField& f = SettingsFields[e.parameter];
        SCOPED_TRACE(f.name);
        for (const Crossing& c : e.crossings) {
            long double at, beside;
            EXPECT_TRUE(AcceptedWith(s, f, c.value, result, &at));
            EXPECT_TRUE(AcceptedWith(s, f, c.neighbour, result, &beside));
            EXPECT_GE(at, target);
            EXPECT_LT(beside, target);
            EXPECT_EQ(at, c.product);
            EXPECT_EQ(beside, c.neighbourProduct);
            if (f.kind == FieldKind::Count) {
                EXPECT_EQ(std::fabs(c.value - c.neighbour), 1);
            } else {
                EXPECT_EQ(std::nextafter(static_cast<float>(c.value), static_cast<float>(c.neighbour)), static_cast<float>(c.neighbour));
            }
            EXPECT_TRUE(e.from <= c.value && c.value <= e.to && e.from <= c.neighbour && c.neighbour <= e.to);
        }
    }
}

}  // namespace

// One civilization in the worked example's galaxy needs a civilization span
// of 10^10 / 5,371 = 1,861,850.7 years: 1,861,851 reaches 1, 1,861,850
// gives 0.99999964. Parameters that do not enter the galaxy's product
// cannot reach it, nor can any parameter reach 10^30.
TEST(HvdtoolSolve, WorkedExampleBreakEvens)
{
    const SettingsSource s = Parse(AcceptedSource);
    std::vector<BreakEven> found = FindBreakEvens(s.storedBlock, SolvedResult::Galaxy, 1);
    ASSERT_EQ(found.size(), SettingsFieldCount);
    ExpectCrossingsHold(s, SolvedResult::Galaxy, 1, found);

    const BreakEven& span = EntryOf(found, "CivilizationSpanYears");
    ASSERT_EQ(span.crossings.size(), 1u);
    EXPECT_EQ(span.crossings[0].value, 1861851);
    EXPECT_EQ(span.crossings[0].neighbour, 1861850);
    EXPECT_NEAR(static_cast<double>(span.crossings[0].neighbourProduct), 0.99999964, 5e-9);
    EXPECT_EQ(span.from, 0);
    EXPECT_EQ(span.to, 4000000000LL);  // 10^10 less the first civilization's 6 * 10^9 years

    for (const char* name : {"FirstCivilizationYears", "StarDistanceLy", "GalaxySizeRatio", "GalaxyCount", "EcoGiantProb"}) {
        SCOPED_TRACE(name);
        EXPECT_TRUE(EntryOf(found, name).crossings.empty());
        EXPECT_TRUE(EntryOf(found, name).reachedAtFrom);
    }
    const BreakEven& civilization = EntryOf(found, "FirstCivilizationYears");
    EXPECT_EQ(civilization.from, 5000000000LL);  // after first life, and leaving the span its 10^8 years
    EXPECT_EQ(civilization.to, 9900000000LL);
    // The star-kind sum: accepted up to the last float the wizard takes.
    const BreakEven& dwarf = EntryOf(found, "DwarfShare");
    long double product;
    EXPECT_TRUE(AcceptedWith(s, SettingsFields[dwarf.parameter], dwarf.to, SolvedResult::Galaxy, &product));
    EXPECT_FALSE(AcceptedWith(s, SettingsFields[dwarf.parameter], std::nextafter(static_cast<float>(dwarf.to), 1.0f),
                              SolvedResult::Galaxy, &product));
    EXPECT_EQ(EntryOf(found, "PlanetInEcoProb").to, 3.4028235e38f);  // every finite float has a text in the field

    // 10^30 only through the one factor of the galaxy's product without a bound.
    std::vector<BreakEven> far = FindBreakEvens(s.storedBlock, SolvedResult::Galaxy, 1e30L);
    ExpectCrossingsHold(s, SolvedResult::Galaxy, 1e30L, far);
    for (const BreakEven& e : far) {
        const bool unbounded = std::strcmp(SettingsFields[e.parameter].name, "PlanetInEcoProb") == 0;
        EXPECT_EQ(e.crossings.size(), unbounded ? 1u : 0u) << SettingsFields[e.parameter].name;
        EXPECT_FALSE(e.reachedAtFrom) << SettingsFields[e.parameter].name;
    }
    // The universe: 54 civilizations a galaxy, so one galaxy is enough.
    std::vector<BreakEven> universe = FindBreakEvens(s.storedBlock, SolvedResult::Universe, 1);
    ExpectCrossingsHold(s, SolvedResult::Universe, 1, universe);
    const BreakEven& galaxies = EntryOf(universe, "GalaxyCount");
    ASSERT_EQ(galaxies.crossings.size(), 1u);
    EXPECT_EQ(galaxies.crossings[0].value, 1);
    EXPECT_EQ(galaxies.crossings[0].neighbourProduct, 0);
}

// Beyond 10^21 a real's field text is in exponent form ("5.2E24"), which
// the wizard reads back as well: the universe reaches 10^40 through the
// galaxies' size, and from 10^30 a target 2 x 10^8 times smaller is met
// near 5 x 10^21, each at a value the check accepts.
TEST(HvdtoolSolve, LargeRealsAreSearchedAsTheWizardTakesThem)
{
    SettingsSource s = Parse(AcceptedSource);
    std::vector<BreakEven> found = FindBreakEvens(s.storedBlock, SolvedResult::Universe, 1e40L);
    ExpectCrossingsHold(s, SolvedResult::Universe, 1e40L, found);
    const BreakEven& size = EntryOf(found, "GalaxySizeRatio");
    ASSERT_EQ(size.crossings.size(), 1u);
    EXPECT_GT(size.crossings[0].value, 1e21L);

    SetReal(&s, "GalaxySizeRatio", 1e30f);
    long double product;
    ASSERT_TRUE(AcceptedWith(s, SettingsFields[size.parameter], 1e30f, SolvedResult::Universe, &product));
    found = FindBreakEvens(s.storedBlock, SolvedResult::Universe, product / 2e8L);
    ExpectCrossingsHold(s, SolvedResult::Universe, product / 2e8L, found);
    const BreakEven& smaller = EntryOf(found, "GalaxySizeRatio");
    ASSERT_EQ(smaller.crossings.size(), 1u);
    EXPECT_NEAR(static_cast<double>(smaller.crossings[0].value), 5e21, 1e16);
}

// A band the wizard refuses (100 to 200) is stepped around: a change of
// side inside it or across it is no crossing, one beside it is found, and
// a refused end narrows the range.
TEST(HvdtoolSolve, RefusedBandsAreSteppedAround)
{
    const auto outsideBand = [](std::int64_t i) { return i < 100 || (i > 200 && i <= 700); };
    const struct {
        std::function<bool(std::int64_t)> reaches;
        std::set<std::int64_t> changes;
    } cases[] = {
        {[](std::int64_t i) { return i >= 150; }, {}},
        {[](std::int64_t i) { return i >= 50; }, {49}},
        {[](std::int64_t i) { return i >= 250; }, {249}},
        {[](std::int64_t i) { return (i >= 50 && i < 150) || i >= 300; }, {49, 299}},
    };
    for (const auto& c : cases) {
        SideChanges found = FindSideChanges(IndexLine{outsideBand, c.reaches}, 0, 1000, 0);
        EXPECT_EQ(found.from, 0);
        EXPECT_EQ(found.to, 700);
        EXPECT_EQ(found.changes, c.changes);
    }
}

// With 90 % of the single stars' ecospheres suitable, the single and the
// paired stars round at different multiple-system shares, and the count of
// suitable stars goes back and forth: 4,980 inhabited planets are reached
// three times within 0.0001 of the share.
TEST(HvdtoolSolve, ProductsThatWaverCrossTheTargetEachTime)
{
    SettingsSource s = Parse(AcceptedSource);
    SetReal(&s, "EcoSingleProb", 0.9f);
    std::vector<BreakEven> found = FindBreakEvens(s.storedBlock, SolvedResult::Inhabited, 4980);
    ExpectCrossingsHold(s, SolvedResult::Inhabited, 4980, found);
    const BreakEven& share = EntryOf(found, "MultipleSystemShare");
    ASSERT_EQ(share.crossings.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_NEAR(static_cast<double>(share.crossings[i].value), 0.500124, 0.00001);
        EXPECT_EQ(share.crossings[i].value < share.crossings[i].neighbour, i != 1);  // falling, rising, falling
    }
}
