// Writes a settings image from a text description, with the program's own
// encoder: the fuzz build turns tests/fuzz/corpus/settings_image/*.txt into
// the settings fuzzer's seed files.
//
//   settings_seed_writer DESCRIPTION.txt OUTPUT.hvd
//
// One setting per line, "Name value"; '#' starts a comment line. Names are
// the SettingsRecord's stored fields (counts: any 64-bit integer; reals: any
// strtof text, "inf" and "nan" included; CurrentPage: 0 to 255), "Reserved"
// with up to 80 hexadecimal bytes, the three texts, and "Trailing" for bytes
// after the settings. Texts take the escapes \n \r \t \\ and \xHH (\x00 puts
// a NUL inside a text). Fields not named stay zero.
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "files/settings_image.h"
#include "model/settings_record.h"

namespace {

enum class Kind { Count, Real, Byte };

struct Field {
    const char* name;
    std::size_t offset;
    Kind kind;
};

#define HALV_FIELD(name, kind) {#name, offsetof(SettingsRecord, name), Kind::kind}
const Field Fields[] = {
    HALV_FIELD(StarCount, Count),           HALV_FIELD(PlanetShare, Real),
    HALV_FIELD(PopulationIShare, Real),     HALV_FIELD(MultipleSystemShare, Real),
    HALV_FIELD(HeavyElementShare, Real),    HALV_FIELD(DwarfShare, Real),
    HALV_FIELD(SunLikeShare, Real),         HALV_FIELD(GiantShare, Real),
    HALV_FIELD(EcoSingleProb, Real),        HALV_FIELD(EcoDwarfProb, Real),
    HALV_FIELD(EcoSunLikeProb, Real),       HALV_FIELD(EcoGiantProb, Real),
    HALV_FIELD(PlanetInEcoProb, Real),      HALV_FIELD(MassMixProb, Real),
    HALV_FIELD(OrbitAxisProb, Real),        HALV_FIELD(LifeEvolvesProb, Real),
    HALV_FIELD(FirstLifeYears, Count),      HALV_FIELD(FirstCivilizationYears, Count),
    HALV_FIELD(CivilizationSpanYears, Count), HALV_FIELD(StarDistanceLy, Real),
    HALV_FIELD(GalaxySizeRatio, Real),      HALV_FIELD(GalaxyCount, Count),
    HALV_FIELD(CurrentPage, Byte),
};
#undef HALV_FIELD

const char* const TextNames[SettingsTextCount] = {"AuthorName", "AuthorAbout", "SettingsComments"};

const char* DescriptionName = "";
int LineNumber = 0;

[[noreturn]] void Fail(const char* what)
{
    std::fprintf(stderr, "%s:%d: %s\n", DescriptionName, LineNumber, what);
    std::exit(1);
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string Unescape(const std::string& text)
{
    std::string bytes;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            bytes += text[i];
            continue;
        }
        if (++i == text.size()) Fail("backslash at the end of a text");
        switch (text[i]) {
        case 'n': bytes += '\n'; break;
        case 'r': bytes += '\r'; break;
        case 't': bytes += '\t'; break;
        case '\\': bytes += '\\'; break;
        case 'x': {
            int high = i + 1 < text.size() ? HexDigit(text[i + 1]) : -1;
            int low = i + 2 < text.size() ? HexDigit(text[i + 2]) : -1;
            if (high < 0 || low < 0) Fail("\\x needs two hexadecimal digits");
            bytes += static_cast<char>(high * 16 + low);
            i += 2;
            break;
        }
        default: Fail("unknown escape");
        }
    }
    return bytes;
}

void SetField(const Field& field, const std::string& value, unsigned char* block)
{
    const char* text = value.c_str();
    char* end = nullptr;
    errno = 0;
    switch (field.kind) {
    case Kind::Count: {
        long long count = std::strtoll(text, &end, 10);
        if (errno != 0 || end == text || *end != '\0') Fail("not a 64-bit count");
        std::int64_t stored = count;
        std::memcpy(block + field.offset, &stored, sizeof stored);
        break;
    }
    case Kind::Real: {
        float real = std::strtof(text, &end);
        if (end == text || *end != '\0') Fail("not a real");
        std::memcpy(block + field.offset, &real, sizeof real);
        break;
    }
    case Kind::Byte: {
        unsigned long byte = std::strtoul(text, &end, 10);
        if (errno != 0 || end == text || *end != '\0' || byte > 255) Fail("not a byte");
        block[field.offset] = static_cast<unsigned char>(byte);
        break;
    }
    }
}

void SetReserved(const std::string& value, unsigned char* block)
{
    std::size_t count = 0;
    for (std::size_t i = 0; i < value.size();) {
        if (value[i] == ' ') {
            ++i;
            continue;
        }
        int high = HexDigit(value[i]);
        int low = i + 1 < value.size() ? HexDigit(value[i + 1]) : -1;
        if (high < 0 || low < 0) Fail("Reserved takes hexadecimal bytes");
        if (count == sizeof(SettingsRecord::Reserved)) Fail("Reserved holds 80 bytes");
        block[offsetof(SettingsRecord, Reserved) + count++] = static_cast<unsigned char>(high * 16 + low);
        i += 2;
    }
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: settings_seed_writer DESCRIPTION.txt OUTPUT.hvd\n");
        return 2;
    }
    DescriptionName = argv[1];
    std::FILE* input = std::fopen(argv[1], "r");
    if (!input) Fail("cannot open");

    unsigned char block[StoredBlockSize] = {};
    std::string texts[SettingsTextCount];
    std::string trailing;
    char line[70000];
    while (std::fgets(line, sizeof line, input)) {
        ++LineNumber;
        std::string entry(line);
        while (!entry.empty() && (entry.back() == '\n' || entry.back() == '\r')) entry.pop_back();
        if (entry.empty() || entry[0] == '#') continue;
        std::size_t space = entry.find(' ');
        std::string name = entry.substr(0, space);
        std::string value = space == std::string::npos ? std::string() : entry.substr(space + 1);

        bool known = false;
        for (const Field& field : Fields) {
            if (name == field.name) {
                SetField(field, value, block);
                known = true;
            }
        }
        for (std::size_t i = 0; i < SettingsTextCount; ++i) {
            if (name == TextNames[i]) {
                texts[i] = Unescape(value);
                if (texts[i].size() > MaxSettingsTextLength) Fail("text longer than 65,535 bytes");
                known = true;
            }
        }
        if (name == "Reserved") {
            SetReserved(value, block);
            known = true;
        } else if (name == "Trailing") {
            trailing = Unescape(value);
            known = true;
        }
        if (!known) Fail("unknown name");
    }
    std::fclose(input);

    StoredText stored[SettingsTextCount];
    for (std::size_t i = 0; i < SettingsTextCount; ++i) {
        stored[i].bytes = reinterpret_cast<const unsigned char*>(texts[i].data());
        stored[i].length = static_cast<std::uint16_t>(texts[i].size());
    }
    std::vector<unsigned char> image(MaxSettingsImageSize);
    std::size_t size = EncodeSettingsImage(block, stored, image.data());
    image.resize(size);
    image.insert(image.end(), trailing.begin(), trailing.end());

    std::FILE* output = std::fopen(argv[2], "wb");
    if (!output || std::fwrite(image.data(), 1, image.size(), output) != image.size() || std::fclose(output) != 0) {
        std::fprintf(stderr, "%s: cannot write\n", argv[2]);
        return 1;
    }
    return 0;
}
