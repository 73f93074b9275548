#include "files/settings_image.h"

#include <cstdlib>
#include <cstring>

#include "model/settings_record.h"

const char SettingsMagic[SettingsMagicSize] = "Halvorendyne, File Version 1.01";
static_assert(sizeof("Halvorendyne, File Version 1.01") == SettingsMagicSize, "31 characters and the NUL");

namespace {

// A heap block for a text and its NUL. Running out of memory ends the
// program, as any failed allocation does.
char* AllocateText(std::size_t length)
{
    char* block = static_cast<char*>(std::malloc(length + 1));
    if (block == nullptr) std::abort();
    return block;
}

std::uint16_t ReadLength(const unsigned char* bytes)
{
    return static_cast<std::uint16_t>(bytes[0] | (bytes[1] << 8));
}

char** TextField(std::size_t index)
{
    char** fields[SettingsTextCount] = {&Settings.AuthorName, &Settings.AuthorAbout, &Settings.SettingsComments};
    return fields[index];
}

// The program's copy of a stored text: up to its first NUL.
char* DuplicateStoredText(const StoredText& text)
{
    const void* nul = std::memchr(text.bytes, 0, text.length);
    std::size_t length = nul ? static_cast<std::size_t>(static_cast<const unsigned char*>(nul) - text.bytes) : text.length;
    if (length == 0) return nullptr;
    char* copy = AllocateText(length);
    std::memcpy(copy, text.bytes, length);
    copy[length] = '\0';
    return copy;
}

}  // namespace

ImageStatus DecodeSettingsImage(const unsigned char* bytes, std::size_t size, SettingsFileView* view)
{
    if (size < SettingsMagicSize || std::memcmp(bytes, SettingsMagic, SettingsMagicSize) != 0) {
        return ImageStatus::BadHeader;
    }
    std::size_t offset = SettingsMagicSize;
    if (size - offset < StoredBlockSize) return ImageStatus::Truncated;
    view->storedBlock = bytes + offset;
    offset += StoredBlockSize;
    for (std::size_t i = 0; i < SettingsTextCount; ++i) {
        if (size - offset < 2) return ImageStatus::Truncated;
        std::uint16_t length = ReadLength(bytes + offset);
        offset += 2;
        if (size - offset < length) return ImageStatus::Truncated;
        view->texts[i].bytes = bytes + offset;
        view->texts[i].length = length;
        offset += length;
    }
    view->size = offset;
    return ImageStatus::Complete;
}

void ApplySettingsView(const SettingsFileView& view)
{
    std::memcpy(StoredBlockBytes(), view.storedBlock, StoredBlockSize);
    for (std::size_t i = 0; i < SettingsTextCount; ++i) {
        char** field = TextField(i);
        FreeText(*field);
        *field = DuplicateStoredText(view.texts[i]);
    }
}

ImageStatus LoadSettingsImage(const unsigned char* bytes, std::size_t size)
{
    SettingsFileView view;
    ImageStatus status = DecodeSettingsImage(bytes, size, &view);
    if (status == ImageStatus::Complete) ApplySettingsView(view);
    return status;
}

std::size_t EncodeSettingsImage(const unsigned char* storedBlock, const StoredText texts[SettingsTextCount],
                                unsigned char* out)
{
    std::size_t offset = 0;
    std::memcpy(out, SettingsMagic, SettingsMagicSize);
    offset += SettingsMagicSize;
    std::memcpy(out + offset, storedBlock, StoredBlockSize);
    offset += StoredBlockSize;
    for (std::size_t i = 0; i < SettingsTextCount; ++i) {
        out[offset++] = static_cast<unsigned char>(texts[i].length & 0xFF);
        out[offset++] = static_cast<unsigned char>(texts[i].length >> 8);
        if (texts[i].length > 0) std::memcpy(out + offset, texts[i].bytes, texts[i].length);
        offset += texts[i].length;
    }
    return offset;
}

std::size_t EncodeCurrentSettings(unsigned char* out)
{
    StoredText texts[SettingsTextCount];
    for (std::size_t i = 0; i < SettingsTextCount; ++i) {
        const char* text = *TextField(i);
        std::size_t length = text ? std::strlen(text) : 0;
        if (length > MaxSettingsTextLength) length = MaxSettingsTextLength;
        texts[i].bytes = reinterpret_cast<const unsigned char*>(text);
        texts[i].length = static_cast<std::uint16_t>(length);
    }
    return EncodeSettingsImage(StoredBlockBytes(), texts, out);
}

char* DuplicateText(const char* text)
{
    if (text == nullptr || *text == '\0') return nullptr;
    std::size_t length = std::strlen(text);
    char* copy = AllocateText(length);
    std::memcpy(copy, text, length + 1);
    return copy;
}

void FreeText(char* text)
{
    std::free(text);
}
