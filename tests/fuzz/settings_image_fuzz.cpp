// Fuzzes the settings file's decoder with any bytes, then the estimate and
// the result texts with whatever values a file can hold (NaN, infinities,
// huge counts).
//
// Every input starts from the same record, so a finding reproduces alone:
// a known stored block, three known texts and zero results. A rejected
// image must leave that record exactly as it was; an accepted one must be
// taken over byte for byte, and the program's own image of the record must
// decode again to the same settings.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "files/settings_image.h"
#include "model/estimation.h"
#include "model/extended_math.h"
#include "model/input_message.h"
#include "model/settings_record.h"
#include "tests/fuzz/text_checks.h"

// Computing and formatting the results never asks the user anything.
void ShowInputMessage(const char* text, const char*, unsigned int)
{
    std::fprintf(stderr, "unexpected message box: %s\n", text);
    std::abort();
}

namespace {

const char* const PriorTexts[SettingsTextCount] = {"Prior author", "Prior about", "Prior comments"};

unsigned char EncodedImage[MaxSettingsImageSize];

char** TextField(std::size_t index)
{
    char** fields[SettingsTextCount] = {&Settings.AuthorName, &Settings.AuthorAbout, &Settings.SettingsComments};
    return fields[index];
}

void FreeTexts()
{
    for (std::size_t i = 0; i < SettingsTextCount; ++i) {
        FreeText(*TextField(i));
        *TextField(i) = nullptr;
    }
}

void LoadPriorRecord()
{
    FreeTexts();
    std::memset(&Settings, 0, sizeof Settings);
    InitSettingsRecord();
    std::memset(StoredBlockBytes(), 0xA5, StoredBlockSize);
    for (std::size_t i = 0; i < SettingsTextCount; ++i) *TextField(i) = DuplicateText(PriorTexts[i]);
}

// An independent reading of the layout: the status and, for a complete
// image, the settings' size and where each text starts.
struct Layout {
    ImageStatus status;
    std::size_t size;
    std::size_t textOffsets[SettingsTextCount];
    std::size_t textLengths[SettingsTextCount];
};

Layout ExpectedLayout(const std::uint8_t* data, std::size_t size)
{
    Layout layout = {};
    if (size < 32 || std::memcmp(data, "Halvorendyne, File Version 1.01", 32) != 0) {
        layout.status = ImageStatus::BadHeader;
        return layout;
    }
    layout.status = ImageStatus::Truncated;
    std::size_t offset = 32 + 189;
    for (std::size_t i = 0; i < SettingsTextCount; ++i) {
        if (offset + 2 > size) return layout;
        std::size_t length = data[offset] + 256u * data[offset + 1];
        offset += 2;
        if (offset + length > size) return layout;
        layout.textOffsets[i] = offset;
        layout.textLengths[i] = length;
        offset += length;
    }
    layout.status = ImageStatus::Complete;
    layout.size = offset;
    return layout;
}

std::size_t CutLength(const unsigned char* bytes, std::size_t length)
{
    const void* nul = std::memchr(bytes, 0, length);
    return nul ? static_cast<std::size_t>(static_cast<const unsigned char*>(nul) - bytes) : length;
}

void CheckRecordUnchanged(const SettingsRecord& before)
{
    FUZZ_CHECK(std::memcmp(&before, &Settings, sizeof Settings) == 0);
    for (std::size_t i = 0; i < SettingsTextCount; ++i) FUZZ_CHECK(std::strcmp(*TextField(i), PriorTexts[i]) == 0);
}

// A prefix one byte short of the settings, in a buffer of its own size so
// that AddressSanitizer sees any read past its end.
void CheckShortImageTruncated(const unsigned char* image, std::size_t settingsSize)
{
    std::vector<unsigned char> prefix(image, image + settingsSize - 1);
    SettingsFileView view;
    FUZZ_CHECK(DecodeSettingsImage(prefix.data(), prefix.size(), &view) == ImageStatus::Truncated);
}

void CheckAppliedAndEncoded(const std::uint8_t* data, const Layout& layout, const SettingsRecord& before)
{
    // Only the stored block and the texts change.
    FUZZ_CHECK(std::memcmp(StoredBlockBytes(), data + 32, StoredBlockSize) == 0);
    const std::size_t tailStart = StoredBlockSize;
    const std::size_t tailEnd = offsetof(SettingsRecord, AuthorName);
    FUZZ_CHECK(std::memcmp(reinterpret_cast<const unsigned char*>(&before) + tailStart, StoredBlockBytes() + tailStart,
                           tailEnd - tailStart) == 0);

    std::size_t cut[SettingsTextCount];
    std::size_t expectedSize = MinSettingsImageSize;
    for (std::size_t i = 0; i < SettingsTextCount; ++i) {
        const unsigned char* bytes = data + layout.textOffsets[i];
        cut[i] = CutLength(bytes, layout.textLengths[i]);
        expectedSize += cut[i];
        const char* text = *TextField(i);
        if (cut[i] == 0) {
            FUZZ_CHECK(text == nullptr);
        } else {
            FUZZ_CHECK(text != nullptr && std::strlen(text) == cut[i]);
            FUZZ_CHECK(std::memcmp(text, bytes, cut[i]) == 0);
        }
    }

    std::size_t encodedSize = EncodeCurrentSettings(EncodedImage);
    FUZZ_CHECK(encodedSize == expectedSize);
    FUZZ_CHECK(std::memcmp(EncodedImage, data, 32) == 0);
    SettingsFileView again;
    FUZZ_CHECK(DecodeSettingsImage(EncodedImage, encodedSize, &again) == ImageStatus::Complete);
    FUZZ_CHECK(again.size == encodedSize);
    FUZZ_CHECK(std::memcmp(again.storedBlock, data + 32, StoredBlockSize) == 0);
    for (std::size_t i = 0; i < SettingsTextCount; ++i) {
        FUZZ_CHECK(again.texts[i].length == cut[i]);
        FUZZ_CHECK(cut[i] == 0 || std::memcmp(again.texts[i].bytes, data + layout.textOffsets[i], cut[i]) == 0);
    }
    CheckShortImageTruncated(EncodedImage, encodedSize);
}

void CheckResults(const std::uint8_t* data)
{
    char* texts[SettingsTextCount];
    for (std::size_t i = 0; i < SettingsTextCount; ++i) texts[i] = *TextField(i);
    ComputeResults();
    // The estimate writes its results, never the settings.
    FUZZ_CHECK(std::memcmp(StoredBlockBytes(), data + 32, StoredBlockSize) == 0);
    for (std::size_t i = 0; i < SettingsTextCount; ++i) FUZZ_CHECK(*TextField(i) == texts[i]);

    const SettingsRecord& s = Settings;
    const std::int64_t counts[] = {s.SuitableStarCount, s.InhabitedPlanetTotal, s.GalaxyCivilizationCount,
                                   s.UniverseCivilizationCount, s.StarCount, s.GalaxyCount,
                                   s.FirstLifeYears, s.CivilizationSpanYears};
    for (std::int64_t count : counts) CheckCountTexts(count);
    CheckRealTexts(s.CivilizationDistanceLy);
    CheckRealTexts(s.PlanetDistanceLy);
    const float shares[] = {s.PlanetShare,     s.PopulationIShare, s.MultipleSystemShare, s.HeavyElementShare,
                            s.DwarfShare,      s.SunLikeShare,     s.GiantShare,          s.EcoSingleProb,
                            s.EcoDwarfProb,    s.EcoSunLikeProb,   s.EcoGiantProb,        s.PlanetInEcoProb,
                            s.MassMixProb,     s.OrbitAxisProb,    s.LifeEvolvesProb,     s.StarDistanceLy,
                            s.GalaxySizeRatio, s.CivilizationDistanceLy, s.PlanetDistanceLy};
    for (float share : shares) CheckShareText(share);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    SetExtendedPrecision();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    LoadPriorRecord();
    SettingsRecord before;
    std::memcpy(&before, &Settings, sizeof before);

    Layout layout = ExpectedLayout(data, size);
    SettingsFileView view;
    ImageStatus status = DecodeSettingsImage(data, size, &view);
    FUZZ_CHECK(status == layout.status);
    if (status != ImageStatus::Complete) {
        CheckRecordUnchanged(before);
        FreeTexts();
        return 0;
    }

    FUZZ_CHECK(view.size == layout.size);
    FUZZ_CHECK(view.storedBlock == data + 32);
    for (std::size_t i = 0; i < SettingsTextCount; ++i) {
        FUZZ_CHECK(view.texts[i].length == layout.textLengths[i]);
        FUZZ_CHECK(view.texts[i].length == 0 || view.texts[i].bytes == data + layout.textOffsets[i]);
    }
    CheckRecordUnchanged(before);  // decoding alone touches nothing
    CheckShortImageTruncated(data, view.size);

    ApplySettingsView(view);
    CheckAppliedAndEncoded(data, layout, before);
    CheckResults(data);
    FreeTexts();
    return 0;
}
