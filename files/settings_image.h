// The settings file's bytes, without any file system: encoding the
// SettingsRecord into a file image and decoding an image back.
//
//   offset 0    32 bytes  "Halvorendyne, File Version 1.01" and its NUL
//   offset 32  189 bytes  the record's stored block (StarCount..CurrentPage)
//   offset 221            AuthorName, AuthorAbout, SettingsComments, each a
//                         16-bit little-endian length and that many bytes
//
// A file with three empty texts is 227 bytes. Bytes after the third text are
// not part of the settings and are ignored.
#pragma once

#include <cstddef>
#include <cstdint>

const std::size_t SettingsMagicSize = 32;
extern const char SettingsMagic[SettingsMagicSize];

const std::size_t SettingsTextCount = 3;
const std::size_t MaxSettingsTextLength = 65535;
const std::size_t MinSettingsImageSize = SettingsMagicSize + 189 + 3 * 2;  // 227
const std::size_t MaxSettingsImageSize = MinSettingsImageSize + 3 * MaxSettingsTextLength;

// A text as it stands in the file: its bytes, not NUL-terminated. The bytes
// may contain NUL; the program's text ends at the first one.
struct StoredText {
    const unsigned char* bytes;
    std::uint16_t length;
};

// A checked view into an image; points into the bytes it was decoded from.
struct SettingsFileView {
    const unsigned char* storedBlock;  // 189 bytes
    StoredText texts[SettingsTextCount];  // AuthorName, AuthorAbout, SettingsComments
    std::size_t size;  // bytes that belong to the settings (the rest is ignored)
};

enum class ImageStatus {
    Complete,
    BadHeader,  // fewer than 32 bytes, or not the magic text and its NUL
    Truncated,  // ends inside the record, a length or a text
};

// Checks the whole image without touching the SettingsRecord.
ImageStatus DecodeSettingsImage(const unsigned char* bytes, std::size_t size, SettingsFileView* view);

// Replaces the record's stored block and its three texts with the view's.
// Each text is cut at its first NUL; a text that is empty then becomes null.
void ApplySettingsView(const SettingsFileView& view);

// Decodes and, only when the image is complete, applies it: a bad or cut
// image leaves the record and its texts exactly as they were.
ImageStatus LoadSettingsImage(const unsigned char* bytes, std::size_t size);

// Writes the image of a stored block and three texts; returns its size.
// The output must hold MaxSettingsImageSize bytes.
std::size_t EncodeSettingsImage(const unsigned char* storedBlock, const StoredText texts[SettingsTextCount],
                                unsigned char* out);

// The image of the current SettingsRecord (texts longer than 65,535 bytes,
// which the program never makes, are cut to that length).
std::size_t EncodeCurrentSettings(unsigned char* out);

// Heap texts of the record: null for a null or empty source, otherwise a
// new copy with its NUL. The allocator's own failure handling ends the
// program on exhaustion, as for every allocation.
char* DuplicateText(const char* text);
// Releases a DuplicateText copy; null is ignored.
void FreeText(char* text);
