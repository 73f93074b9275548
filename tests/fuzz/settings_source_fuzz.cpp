// Fuzzes the two text forms hvdtool reads: the settings source of `hvdtool
// make` and the range description of `hvdtool range`. A source that parses
// is written back and must parse to the same bytes; a description that
// parses must give a sampler whose draws the wizard's rules can judge, and
// its printed form must parse again.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "model/settings_record.h"
#include "tests/fuzz/text_checks.h"
#include "tools/hvdtool/range/range_model.h"
#include "tools/hvdtool/range/range_sampler.h"
#include "tools/hvdtool/settings/settings_check.h"
#include "tools/hvdtool/settings/settings_source.h"

// hvdtool's number readers report through this instead of a message box.
void ShowInputMessage(const char*, const char*, unsigned int) {}

namespace {

// The one Base a description may name: the program's defaults.
bool LoadBase(const std::string& path, unsigned char* block, std::string* problem)
{
    if (path != "Base.hvd") {
        *problem = "cannot open";
        return false;
    }
    DefaultStoredBlock(block);
    return true;
}

void CheckSource(const std::string& text)
{
    SettingsSource source;
    std::string error;
    if (!ParseSettingsSource(text, &source, &error)) {
        FUZZ_CHECK(!error.empty());
        return;
    }
    StoredText texts[SettingsTextCount];
    for (std::size_t i = 0; i < SettingsTextCount; ++i) {
        texts[i].bytes = reinterpret_cast<const unsigned char*>(source.texts[i].data());
        texts[i].length = static_cast<std::uint16_t>(source.texts[i].size());
    }
    SettingsSource again;
    FUZZ_CHECK(ParseSettingsSource(WriteSettingsSource(source.storedBlock, texts), &again, &error));
    FUZZ_CHECK(std::memcmp(again.storedBlock, source.storedBlock, sizeof source.storedBlock) == 0);
    for (std::size_t i = 0; i < SettingsTextCount; ++i) FUZZ_CHECK(again.texts[i] == source.texts[i]);
    WizardRefusals(source.storedBlock);
}

void CheckDescription(const std::string& text)
{
    RangeModel model;
    std::string error;
    if (!ParseRangeModel(text, LoadBase, &model, &error)) {
        FUZZ_CHECK(error.compare(0, 5, "line ") == 0);
        return;
    }
    SettingsSampler sampler(model);
    RandomSource random(1);
    unsigned char block[StoredBlockSize];
    sampler.WriteBase(block);
    for (int i = 0; i < 8; ++i) {
        sampler.Draw(random, block);
        FUZZ_CHECK(sampler.Accepts(block) == (BrokenWizardRules(block) == 0));
    }
    RangeModel again;
    FUZZ_CHECK(ParseRangeModel(WriteRangeModel(model), LoadBase, &again, &error));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    SetExtendedPrecision();
    if (size > 4096) return 0;  // longer texts find nothing new, only take longer
    const std::string text(reinterpret_cast<const char*>(data), size);
    CheckSource(text);
    CheckDescription(text);
    return 0;
}
