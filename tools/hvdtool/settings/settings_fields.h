// The twenty-two parameters of a settings file by name, in file order.
#pragma once

#include <cstddef>
#include <cstdint>

enum class FieldKind { Count, Real };

struct SettingsField {
    const char* name;    // the record's field name, as in "StarCount = ..."
    FieldKind kind;
    std::size_t offset;  // within the 189-byte stored block
    bool fraction;       // the wizard accepts only 0 to 1
};

const std::size_t SettingsFieldCount = 22;
extern const SettingsField SettingsFields[SettingsFieldCount];

const std::size_t ReservedOffset = 108;
const std::size_t ReservedSize = 80;
const std::size_t CurrentPageOffset = 188;

extern const char* const TextFieldNames[3];  // AuthorName, AuthorAbout, SettingsComments

// Little-endian access to a field of a stored block.
std::int64_t ReadCountField(const unsigned char* block, std::size_t offset);
float ReadRealField(const unsigned char* block, std::size_t offset);
void WriteCountField(unsigned char* block, std::size_t offset, std::int64_t value);
void WriteRealField(unsigned char* block, std::size_t offset, float value);
