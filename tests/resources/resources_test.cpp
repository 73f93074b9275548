// The program's resources as Windows reads them. This test program carries
// the same icon and version resource as Halvdyne.exe (halv_add_resources).
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "resources/version.h"

namespace {

// The icon group's layout in a module (RT_GROUP_ICON): a header, then one
// entry per image that names the image's RT_ICON resource.
#pragma pack(push, 2)
struct GroupHeader {
    WORD reserved;
    WORD type;
    WORD count;
};
struct GroupEntry {
    BYTE width;
    BYTE height;
    BYTE colourCount;
    BYTE reserved;
    WORD planes;
    WORD bitCount;
    DWORD bytesInRes;
    WORD id;
};
#pragma pack(pop)
static_assert(sizeof(GroupHeader) == 6 && sizeof(GroupEntry) == 14, "the resource layout has no padding");

const WORD ProgramIconId = 1;

// A resource of this program: its bytes and size, or null.
const BYTE* ResourceBytes(WORD id, LPCSTR type, DWORD* size)
{
    HRSRC found = FindResourceA(nullptr, MAKEINTRESOURCEA(id), type);
    if (!found) return nullptr;
    HGLOBAL loaded = LoadResource(nullptr, found);
    *size = SizeofResource(nullptr, found);
    return loaded ? static_cast<const BYTE*>(LockResource(loaded)) : nullptr;
}

// The group's entries, checked for a consistent size.
std::vector<GroupEntry> GroupEntries(const BYTE** group)
{
    DWORD size = 0;
    *group = ResourceBytes(ProgramIconId, RT_GROUP_ICON, &size);
    if (!*group || size < sizeof(GroupHeader)) {
        ADD_FAILURE() << "no icon group " << ProgramIconId;
        return {};
    }
    GroupHeader header;
    std::memcpy(&header, *group, sizeof header);
    EXPECT_EQ(header.reserved, 0);
    EXPECT_EQ(header.type, 1);
    if (size != sizeof(GroupHeader) + header.count * sizeof(GroupEntry)) {
        ADD_FAILURE() << "group of " << size << " bytes for " << header.count << " entries";
        return {};
    }
    std::vector<GroupEntry> entries(header.count);
    std::memcpy(entries.data(), *group + sizeof header, entries.size() * sizeof(GroupEntry));
    return entries;
}

// An icon's colour bitmap size.
SIZE IconSize(HICON icon)
{
    ICONINFO info = {};
    SIZE size = {0, 0};
    if (!GetIconInfo(icon, &info)) return size;
    BITMAP bitmap = {};
    HBITMAP shown = info.hbmColor ? info.hbmColor : info.hbmMask;
    if (GetObjectA(shown, sizeof bitmap, &bitmap)) size = {bitmap.bmWidth, bitmap.bmHeight};
    if (info.hbmColor) DeleteObject(info.hbmColor);
    if (info.hbmMask) DeleteObject(info.hbmMask);
    return size;
}

// An icon drawn at 32 x 32 over a background of one colour.
class DrawnIcon {
public:
    DrawnIcon(HICON icon, COLORREF background)
    {
        HDC screen = GetDC(nullptr);
        dc_ = CreateCompatibleDC(screen);
        bitmap_ = CreateCompatibleBitmap(screen, 32, 32);
        ReleaseDC(nullptr, screen);
        old_ = SelectObject(dc_, bitmap_);
        RECT all = {0, 0, 32, 32};
        HBRUSH brush = CreateSolidBrush(background);
        FillRect(dc_, &all, brush);
        DeleteObject(brush);
        drawn_ = DrawIconEx(dc_, 0, 0, icon, 32, 32, 0, nullptr, DI_NORMAL) != FALSE;
    }
    ~DrawnIcon()
    {
        SelectObject(dc_, old_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
    DrawnIcon(const DrawnIcon&) = delete;
    DrawnIcon& operator=(const DrawnIcon&) = delete;

    bool Drawn() const { return drawn_; }
    COLORREF Pixel(int x, int y) const { return GetPixel(dc_, x, y); }

    // Sums of the colour channels over the pixels x0..x1 of row y.
    void RowSums(int y, int x0, int x1, int* red, int* green, int* blue) const
    {
        *red = *green = *blue = 0;
        for (int x = x0; x <= x1; ++x) {
            COLORREF c = Pixel(x, y);
            *red += GetRValue(c);
            *green += GetGValue(c);
            *blue += GetBValue(c);
        }
    }

private:
    HDC dc_;
    HBITMAP bitmap_;
    HGDIOBJ old_;
    bool drawn_;
};

const COLORREF Background = RGB(0, 255, 0);

// What every image of the icon must show: the sky dark at the top and blue
// at the bottom (rows clear of the stars, the planet and the ring), and the
// background through the transparent corners.
void ExpectSkyAndCorners(HICON icon)
{
    ASSERT_NE(icon, nullptr);
    DrawnIcon drawn(icon, Background);
    ASSERT_TRUE(drawn.Drawn());
    int r, g, b;
    drawn.RowSums(1, 14, 21, &r, &g, &b);
    EXPECT_LT(r + g + b, 8 * 40) << "top row: " << r << "," << g << "," << b;
    drawn.RowSums(30, 14, 21, &r, &g, &b);
    EXPECT_GT(b, 8 * 170) << "bottom row";
    EXPECT_LT(r + g, 8 * 20) << "bottom row";
    EXPECT_EQ(drawn.Pixel(0, 0), Background);
    EXPECT_EQ(drawn.Pixel(31, 0), Background);
    EXPECT_EQ(drawn.Pixel(0, 31), Background);
    EXPECT_EQ(drawn.Pixel(31, 31), Background);
    EXPECT_NE(drawn.Pixel(16, 16), Background);
}

std::string VersionString(const std::vector<char>& info, const char* name)
{
    char* value = nullptr;
    UINT length = 0;
    std::string path = std::string("\\StringFileInfo\\040904E4\\") + name;
    if (!VerQueryValueA(info.data(), path.c_str(), reinterpret_cast<void**>(&value), &length) || !value) {
        return "(missing)";
    }
    return std::string(value, std::strlen(value));
}

std::vector<char> OwnVersionInfo()
{
    char path[MAX_PATH];
    EXPECT_GT(GetModuleFileNameA(nullptr, path, sizeof path), 0u);
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeA(path, &ignored);
    EXPECT_GT(size, 0u) << "no version resource in " << path;
    std::vector<char> info(size);
    if (size == 0 || !GetFileVersionInfoA(path, 0, size, info.data())) {
        ADD_FAILURE() << "GetFileVersionInfoA failed on " << path;
        info.clear();
    }
    return info;
}

}  // namespace

TEST(ProgramIcon, GroupHoldsA16AndA256Colour32PixelImage)
{
    const BYTE* group = nullptr;
    std::vector<GroupEntry> entries = GroupEntries(&group);
    ASSERT_EQ(entries.size(), 2u);
    int sixteen = 0, twoFiftySix = 0;
    for (const GroupEntry& e : entries) {
        SCOPED_TRACE("image " + std::to_string(e.id));
        EXPECT_EQ(e.width, 32);
        EXPECT_EQ(e.height, 32);
        EXPECT_EQ(e.planes, 1);
        if (e.bitCount == 4 && e.colourCount == 16) ++sixteen;
        if (e.bitCount == 8 && e.colourCount == 0) ++twoFiftySix;
        // The image the entry names is there, as large as the entry says,
        // and its bitmap header agrees.
        DWORD size = 0;
        const BYTE* image = ResourceBytes(e.id, RT_ICON, &size);
        ASSERT_NE(image, nullptr);
        EXPECT_EQ(size, e.bytesInRes);
        ASSERT_GE(size, sizeof(BITMAPINFOHEADER));
        BITMAPINFOHEADER header;
        std::memcpy(&header, image, sizeof header);
        EXPECT_EQ(header.biSize, sizeof header);
        EXPECT_EQ(header.biWidth, 32);
        EXPECT_EQ(header.biHeight, 64);
        EXPECT_EQ(header.biBitCount, e.bitCount);
    }
    EXPECT_EQ(sixteen, 1);
    EXPECT_EQ(twoFiftySix, 1);
}

TEST(ProgramIcon, WindowsPicksThe256ColourImageOnATrueColourDisplay)
{
    HDC screen = GetDC(nullptr);
    int screenBits = GetDeviceCaps(screen, BITSPIXEL);
    ReleaseDC(nullptr, screen);
    ASSERT_GT(screenBits, 8) << "the test display has more than 256 colours";

    const BYTE* group = nullptr;
    std::vector<GroupEntry> entries = GroupEntries(&group);
    ASSERT_EQ(entries.size(), 2u);
    int picked = LookupIconIdFromDirectoryEx(const_cast<BYTE*>(group), TRUE, 32, 32, LR_DEFAULTCOLOR);
    const GroupEntry& eightBit = entries[0].bitCount == 8 ? entries[0] : entries[1];
    EXPECT_EQ(picked, eightBit.id);

    HICON loaded = static_cast<HICON>(
        LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(ProgramIconId), IMAGE_ICON, 32, 32, LR_DEFAULTCOLOR));
    ASSERT_NE(loaded, nullptr);
    SIZE size = IconSize(loaded);
    EXPECT_EQ(size.cx, 32);
    EXPECT_EQ(size.cy, 32);
    DestroyIcon(loaded);
}

TEST(ProgramIcon, BothImagesDrawTheSkyInsideTheTransparentCorners)
{
    const BYTE* group = nullptr;
    std::vector<GroupEntry> entries = GroupEntries(&group);
    ASSERT_EQ(entries.size(), 2u);
    for (const GroupEntry& e : entries) {
        SCOPED_TRACE("image of " + std::to_string(e.bitCount) + " bits");
        DWORD size = 0;
        const BYTE* image = ResourceBytes(e.id, RT_ICON, &size);
        ASSERT_NE(image, nullptr);
        const DWORD iconFormat = 0x00030000;  // the format every icon resource has
        HICON icon = CreateIconFromResourceEx(const_cast<BYTE*>(image), size, TRUE, iconFormat, 32, 32, LR_DEFAULTCOLOR);
        ExpectSkyAndCorners(icon);
        if (icon) DestroyIcon(icon);
    }
}

TEST(ProgramIcon, LoadIconGivesTheProgramsPicture)
{
    // Shared icons from LoadIcon are not destroyed.
    HICON icon = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(ProgramIconId));
    ASSERT_NE(icon, nullptr);
    SIZE size = IconSize(icon);
    EXPECT_EQ(size.cx, GetSystemMetrics(SM_CXICON));
    EXPECT_EQ(size.cy, GetSystemMetrics(SM_CYICON));
    ExpectSkyAndCorners(icon);
}

TEST(VersionResource, NamesTheProgramAndItsVersionInUsEnglish)
{
    std::vector<char> info = OwnVersionInfo();
    ASSERT_FALSE(info.empty());

    WORD* translation = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(info.data(), "\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation),
                               &length));
    ASSERT_EQ(length, 4u);
    EXPECT_EQ(translation[0], 0x0409);
    EXPECT_EQ(translation[1], 1252);

    EXPECT_EQ(VersionString(info, "FileDescription"), "Halvorendyne");
    EXPECT_EQ(VersionString(info, "ProductName"), "Halvorendyne");
    EXPECT_EQ(VersionString(info, "FileVersion"), HALV_PROJECT_VERSION);
    EXPECT_EQ(VersionString(info, "ProductVersion"), HALV_PROJECT_VERSION);
    EXPECT_EQ(VersionString(info, "OriginalFilename"), "Halvdyne.exe");
    for (const char* name : {"CompanyName", "LegalCopyright", "InternalName"}) {
        std::string value = VersionString(info, name);
        EXPECT_TRUE(value != "(missing)" && !value.empty()) << name;
    }
}

TEST(VersionResource, BinaryVersionMatchesTheText)
{
    std::vector<char> info = OwnVersionInfo();
    ASSERT_FALSE(info.empty());
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(info.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
    ASSERT_EQ(length, sizeof(VS_FIXEDFILEINFO));
    EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));

    const WORD binary[4] = {HALV_VERSION_BINARY};
    EXPECT_EQ(fixed->dwFileVersionMS, static_cast<DWORD>(MAKELONG(binary[1], binary[0])));
    EXPECT_EQ(fixed->dwFileVersionLS, static_cast<DWORD>(MAKELONG(binary[3], binary[2])));
    EXPECT_EQ(fixed->dwProductVersionMS, fixed->dwFileVersionMS);
    EXPECT_EQ(fixed->dwProductVersionLS, fixed->dwFileVersionLS);

    // One version everywhere: the header's text, its numbers, and the
    // project's version in CMakeLists.txt.
    std::string fromNumbers = std::to_string(HIWORD(fixed->dwFileVersionMS)) + "." +
                              std::to_string(LOWORD(fixed->dwFileVersionMS));
    EXPECT_EQ(fromNumbers, HALV_PROJECT_VERSION);
    EXPECT_STREQ(HALV_VERSION_TEXT, HALV_PROJECT_VERSION);
    EXPECT_EQ(fixed->dwFileVersionLS, 0u);
}
