#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "files/settings_image.h"
#include "model/settings_record.h"

namespace {

std::vector<unsigned char> Image(std::size_t size = MaxSettingsImageSize)
{
    return std::vector<unsigned char>(size);
}

void ResetRecord()
{
    FreeText(Settings.AuthorName);
    FreeText(Settings.AuthorAbout);
    FreeText(Settings.SettingsComments);
    std::memset(&Settings, 0, sizeof Settings);
    InitSettingsRecord();
}

void SetTexts(const char* author, const char* about, const char* comments)
{
    FreeText(Settings.AuthorName);
    FreeText(Settings.AuthorAbout);
    FreeText(Settings.SettingsComments);
    Settings.AuthorName = DuplicateText(author);
    Settings.AuthorAbout = DuplicateText(about);
    Settings.SettingsComments = DuplicateText(comments);
}

std::vector<unsigned char> EncodeCurrent()
{
    std::vector<unsigned char> image = Image();
    image.resize(EncodeCurrentSettings(image.data()));
    return image;
}

template <typename T>
T At(const std::vector<unsigned char>& image, std::size_t offset)
{
    T value;
    std::memcpy(&value, image.data() + offset, sizeof value);
    return value;
}

std::string TextOf(const char* text)
{
    return text ? text : "(null)";
}

// A record with every stored field distinct, texts included.
// The i-th of fifteen distinct reals: 0.01f times i + 1, rounded once to a
// float. The product is exact in extended precision, and only a conversion
// from a wider type rounds on i686: a float product, even cast to float,
// keeps the x87's excess precision there.
float DistinctReal(int i)
{
    return static_cast<float>(static_cast<long double>(0.01f) * (i + 1));
}

void FillDistinctRecord()
{
    ResetRecord();
    SettingsRecord& s = Settings;
    s.StarCount = 0x0102030405060708LL;
    float* reals[] = {&s.PlanetShare,   &s.PopulationIShare, &s.MultipleSystemShare, &s.HeavyElementShare,
                      &s.DwarfShare,    &s.SunLikeShare,     &s.GiantShare,          &s.EcoSingleProb,
                      &s.EcoDwarfProb,  &s.EcoSunLikeProb,   &s.EcoGiantProb,        &s.PlanetInEcoProb,
                      &s.MassMixProb,   &s.OrbitAxisProb,    &s.LifeEvolvesProb};
    for (int i = 0; i < 15; ++i) *reals[i] = DistinctReal(i);
    s.FirstLifeYears = 700000000;
    s.FirstCivilizationYears = 4540000000LL;
    s.CivilizationSpanYears = -5;
    s.StarDistanceLy = 5.5f;
    s.GalaxySizeRatio = -0.25f;
    s.GalaxyCount = INT64_MIN;
    for (int i = 0; i < 80; ++i) s.Reserved[i] = static_cast<std::uint8_t>(0xA0 + i);
    s.CurrentPage = 4;
    SetTexts("Team A", "line one\r\nline two", "Comments\r\n\r\nwith an empty line\r\n");
}

}  // namespace

TEST(SettingsImage, FieldsStandAtTheirFileOffsets)
{
    FillDistinctRecord();
    std::vector<unsigned char> image = EncodeCurrent();
    EXPECT_EQ(std::memcmp(image.data(), "Halvorendyne, File Version 1.01", 32), 0);  // with its NUL
    EXPECT_EQ(At<std::int64_t>(image, 32), 0x0102030405060708LL);
    for (int i = 0; i < 15; ++i) EXPECT_EQ(At<float>(image, 40 + 4 * i), DistinctReal(i)) << i;
    EXPECT_EQ(At<std::int64_t>(image, 100), 700000000);
    EXPECT_EQ(At<std::int64_t>(image, 108), 4540000000LL);
    EXPECT_EQ(At<std::int64_t>(image, 116), -5);
    EXPECT_EQ(At<float>(image, 124), 5.5f);
    EXPECT_EQ(At<float>(image, 128), -0.25f);
    EXPECT_EQ(At<std::int64_t>(image, 132), INT64_MIN);
    for (int i = 0; i < 80; ++i) EXPECT_EQ(image[140 + i], 0xA0 + i);
    EXPECT_EQ(image[220], 4);
    EXPECT_EQ(At<std::uint16_t>(image, 221), 6);
    EXPECT_EQ(std::string(image.begin() + 223, image.begin() + 229), "Team A");
    EXPECT_EQ(At<std::uint16_t>(image, 229), 18);
    EXPECT_EQ(At<std::uint16_t>(image, 249), 32);
    EXPECT_EQ(image.size(), 227u + 6 + 18 + 32);
}

TEST(SettingsImage, EmptyTextsGiveTheSmallestFile)
{
    ResetRecord();
    std::vector<unsigned char> image = EncodeCurrent();
    ASSERT_EQ(image.size(), 227u);
    for (std::size_t i = 221; i < 227; ++i) EXPECT_EQ(image[i], 0) << i;
    SetTexts("x", "y", "z");
    ASSERT_EQ(LoadSettingsImage(image.data(), image.size()), ImageStatus::Complete);
    EXPECT_EQ(Settings.AuthorName, nullptr);
    EXPECT_EQ(Settings.AuthorAbout, nullptr);
    EXPECT_EQ(Settings.SettingsComments, nullptr);
}

TEST(SettingsImage, RecordAndTextsRoundTrip)
{
    FillDistinctRecord();
    std::string longest(65535, 'w');
    longest[0] = '\r';
    longest[1] = '\n';
    FreeText(Settings.SettingsComments);
    Settings.SettingsComments = DuplicateText(longest.c_str());
    std::vector<unsigned char> image = EncodeCurrent();
    SettingsRecord written;
    std::memcpy(&written, &Settings, sizeof written);

    ResetRecord();
    ASSERT_EQ(LoadSettingsImage(image.data(), image.size()), ImageStatus::Complete);
    EXPECT_EQ(std::memcmp(StoredBlockBytes(), &written, StoredBlockSize), 0);  // Reserved and CurrentPage too
    EXPECT_EQ(TextOf(Settings.AuthorName), "Team A");
    EXPECT_EQ(TextOf(Settings.AuthorAbout), "line one\r\nline two");
    EXPECT_EQ(TextOf(Settings.SettingsComments), longest);
    EXPECT_EQ(EncodeCurrent(), image);  // and written back byte for byte
    ResetRecord();
}

TEST(SettingsImage, EmbeddedNulCutsTheText)
{
    ResetRecord();
    std::vector<unsigned char> image = EncodeCurrent();
    const unsigned char author[] = {2, 0, 0, 'x'};      // starts with NUL: empty
    const unsigned char about[] = {3, 0, 'a', 0, 'b'};  // cut after "a"
    image.resize(221);
    image.insert(image.end(), author, author + sizeof author);
    image.insert(image.end(), about, about + sizeof about);
    image.push_back(0);
    image.push_back(0);
    SetTexts("old", "old", "old");
    ASSERT_EQ(LoadSettingsImage(image.data(), image.size()), ImageStatus::Complete);
    EXPECT_EQ(Settings.AuthorName, nullptr);
    EXPECT_EQ(TextOf(Settings.AuthorAbout), "a");
    EXPECT_EQ(Settings.SettingsComments, nullptr);
}

TEST(SettingsImage, BadHeadersChangeNothing)
{
    FillDistinctRecord();
    std::vector<unsigned char> good = EncodeCurrent();
    ResetRecord();
    SetTexts("keep", nullptr, "keep too");
    Settings.StarCount = 42;
    SettingsRecord before;
    std::memcpy(&before, &Settings, sizeof before);

    struct Variant {
        const char* what;
        std::size_t offset;
        char replacement;
    } variants[] = {
        {"other version", 30, '2'},
        {"other case", 0, 'h'},
        {"32nd byte not NUL", 31, ' '},
    };
    for (const Variant& v : variants) {
        SCOPED_TRACE(v.what);
        std::vector<unsigned char> image = good;
        image[v.offset] = static_cast<unsigned char>(v.replacement);
        EXPECT_EQ(LoadSettingsImage(image.data(), image.size()), ImageStatus::BadHeader);
        EXPECT_EQ(std::memcmp(&Settings, &before, sizeof before), 0);
    }
    for (std::size_t size = 0; size < 32; ++size) {
        EXPECT_EQ(LoadSettingsImage(good.data(), size), ImageStatus::BadHeader) << size;
    }
    EXPECT_EQ(std::memcmp(&Settings, &before, sizeof before), 0);
    EXPECT_EQ(TextOf(Settings.AuthorName), "keep");
    ResetRecord();
}

// A file cut anywhere, inside the record, a length or a text, is refused
// and leaves the record as it was: only the complete file loads.
TEST(SettingsImage, FilesCutAtEveryOffsetChangeNothing)
{
    FillDistinctRecord();
    std::vector<unsigned char> full = EncodeCurrent();
    ResetRecord();
    SetTexts("before", "before", "before");
    SettingsRecord before;
    std::memcpy(&before, &Settings, sizeof before);
    for (std::size_t size = 0; size < full.size(); ++size) {
        std::vector<unsigned char> cut(full.begin(), full.begin() + static_cast<long>(size));
        ImageStatus status = LoadSettingsImage(cut.data(), cut.size());
        ASSERT_NE(status, ImageStatus::Complete) << size;
        EXPECT_EQ(status, size < 32 ? ImageStatus::BadHeader : ImageStatus::Truncated) << size;
        ASSERT_EQ(std::memcmp(&Settings, &before, sizeof before), 0) << size;
    }
    EXPECT_EQ(TextOf(Settings.SettingsComments), "before");
    // Bytes after the last text are not part of the settings.
    full.push_back(0x55);
    SettingsFileView view;
    ASSERT_EQ(DecodeSettingsImage(full.data(), full.size(), &view), ImageStatus::Complete);
    EXPECT_EQ(view.size, full.size() - 1);
    ResetRecord();
}

TEST(SettingsImage, DuplicateTextNeverHoldsAnEmptyText)
{
    EXPECT_EQ(DuplicateText(nullptr), nullptr);
    EXPECT_EQ(DuplicateText(""), nullptr);
    char* copy = DuplicateText("abc");
    ASSERT_NE(copy, nullptr);
    EXPECT_STREQ(copy, "abc");
    FreeText(copy);
    FreeText(nullptr);
}
