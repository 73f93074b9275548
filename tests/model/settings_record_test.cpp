#include <gtest/gtest.h>

#include <cstring>

#include "model/settings_record.h"

TEST(SettingsRecord, FreshRecordHoldsOnlyMaxYears)
{
    // The global starts zero-filled; InitSettingsRecord sets the time span.
    SettingsRecord saved;
    std::memcpy(&saved, &Settings, sizeof saved);
    std::memset(&Settings, 0, sizeof Settings);
    InitSettingsRecord();
    EXPECT_EQ(Settings.MaxYears, 10000000000LL);
    EXPECT_EQ(Settings.MaxYears, FixedMaxYears);
    const unsigned char* bytes = StoredBlockBytes();
    for (std::size_t i = 0; i < StoredBlockSize; ++i) EXPECT_EQ(bytes[i], 0) << i;
    EXPECT_EQ(Settings.AuthorName, nullptr);
    EXPECT_EQ(Settings.SettingsFileTime, 0u);
    std::memcpy(&Settings, &saved, sizeof saved);
}

TEST(SettingsRecord, StoredBlockIsLittleEndianAtItsOffsets)
{
    std::memset(&Settings, 0, sizeof Settings);
    Settings.FirstLifeYears = 0x0102030405060708LL;  // offset 68, unaligned
    Settings.GalaxyCount = -2;                        // offset 100
    Settings.StarDistanceLy = 1.0f;                   // offset 92: 0x3F800000
    Settings.CurrentPage = 4;
    const unsigned char* bytes = StoredBlockBytes();
    const unsigned char firstLife[] = {8, 7, 6, 5, 4, 3, 2, 1};
    EXPECT_EQ(std::memcmp(bytes + 68, firstLife, 8), 0);
    const unsigned char minusTwo[] = {0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    EXPECT_EQ(std::memcmp(bytes + 100, minusTwo, 8), 0);
    const unsigned char one[] = {0x00, 0x00, 0x80, 0x3F};
    EXPECT_EQ(std::memcmp(bytes + 92, one, 4), 0);
    EXPECT_EQ(bytes[188], 4);
}
