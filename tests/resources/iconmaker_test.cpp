// iconmaker as the build runs it: the file it writes, read back field by
// field, and its failures. ICONMAKER_PATH is the tool built beside this test.
#include <gtest/gtest.h>

#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

struct Rgb {
    int r, g, b;
};

// A scratch folder of the test's own, removed with its contents afterwards.
class IconmakerTest : public testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/iconmaker-test-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        folder_ = pattern;
    }
    void TearDown() override
    {
        if (!folder_.empty()) std::system(("rm -rf '" + folder_ + "'").c_str());
    }

    // Runs the tool with the given arguments; returns its exit status and
    // keeps what it wrote on stderr.
    int Run(const std::string& arguments)
    {
        std::string errors = folder_ + "/stderr.txt";
        int status = std::system((std::string(ICONMAKER_PATH) + " " + arguments + " 2>'" + errors + "'").c_str());
        stderr_ = ReadFile(errors);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    static std::string ReadFile(const std::string& path)
    {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    Bytes MakeIcon(const std::string& name)
    {
        std::string path = folder_ + "/" + name;
        EXPECT_EQ(Run("'" + path + "'"), 0) << stderr_;
        EXPECT_EQ(stderr_, "");
        std::string text = ReadFile(path);
        return Bytes(text.begin(), text.end());
    }

    std::string folder_;
    std::string stderr_;
};

unsigned Word(const Bytes& b, std::size_t at) { return at + 2 <= b.size() ? b[at] | b[at + 1] << 8 : 0xDEAD; }
std::uint32_t Dword(const Bytes& b, std::size_t at)
{
    return Word(b, at) | static_cast<std::uint32_t>(Word(b, at + 2)) << 16;
}

// One image of the file as it is laid out: BITMAPINFOHEADER, palette,
// colour rows, mask rows (bottom row first).
struct IconImage {
    const Bytes* file;
    std::size_t start;
    int bits;

    std::size_t PaletteStart() const { return start + 40; }
    std::size_t ColourStart() const { return PaletteStart() + 4 * (std::size_t{1} << bits); }
    std::size_t MaskStart() const { return ColourStart() + 32 * (32 * bits / 8); }

    int Index(int x, int y) const
    {
        std::size_t row = ColourStart() + static_cast<std::size_t>(31 - y) * (32 * bits / 8);
        std::uint8_t byte = (*file)[row + static_cast<std::size_t>(x * bits / 8)];
        return bits == 8 ? byte : (x % 2 == 0 ? byte >> 4 : byte & 15);
    }
    Rgb PaletteEntry(int index) const
    {
        std::size_t at = PaletteStart() + 4 * static_cast<std::size_t>(index);
        return {(*file)[at + 2], (*file)[at + 1], (*file)[at]};
    }
    Rgb Pixel(int x, int y) const { return PaletteEntry(Index(x, y)); }
    bool Transparent(int x, int y) const
    {
        std::size_t row = MaskStart() + static_cast<std::size_t>(31 - y) * 4;
        return ((*file)[row + static_cast<std::size_t>(x / 8)] >> (7 - x % 8) & 1) != 0;
    }
};

// Mean colour of the pixels x0..x1 of row y.
Rgb RowMean(const IconImage& image, int y, int x0, int x1)
{
    Rgb sum = {0, 0, 0};
    for (int x = x0; x <= x1; ++x) {
        Rgb c = image.Pixel(x, y);
        sum.r += c.r;
        sum.g += c.g;
        sum.b += c.b;
    }
    int n = x1 - x0 + 1;
    return {sum.r / n, sum.g / n, sum.b / n};
}

const std::size_t FourBitImageSize = 40 + 16 * 4 + 32 * 16 + 32 * 4;
const std::size_t EightBitImageSize = 40 + 256 * 4 + 32 * 32 + 32 * 4;

}  // namespace

TEST_F(IconmakerTest, WritesTheSameBytesEveryRun)
{
    Bytes first = MakeIcon("first.ico");
    Bytes second = MakeIcon("second.ico");
    ASSERT_EQ(first.size(), 6 + 2 * 16 + FourBitImageSize + EightBitImageSize);
    EXPECT_TRUE(first == second);
}

TEST_F(IconmakerTest, HeaderDescribesOne16AndOne256Colour32PixelImage)
{
    Bytes icon = MakeIcon("halvdyne.ico");
    EXPECT_EQ(Word(icon, 0), 0u);  // idReserved
    EXPECT_EQ(Word(icon, 2), 1u);  // idType: icon, not cursor
    ASSERT_EQ(Word(icon, 4), 2u);  // idCount

    struct Expected {
        int colourCount, bits;
        std::size_t size;
    };
    const Expected expected[2] = {{16, 4, FourBitImageSize}, {0, 8, EightBitImageSize}};
    std::size_t offset = 6 + 2 * 16;
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE("entry " + std::to_string(i));
        std::size_t entry = 6 + 16 * static_cast<std::size_t>(i);
        EXPECT_EQ(icon[entry + 0], 32);  // bWidth
        EXPECT_EQ(icon[entry + 1], 32);  // bHeight
        EXPECT_EQ(icon[entry + 2], expected[i].colourCount);
        EXPECT_EQ(icon[entry + 3], 0);                                   // bReserved
        EXPECT_EQ(Word(icon, entry + 4), 1u);                            // wPlanes
        EXPECT_EQ(Word(icon, entry + 6), unsigned(expected[i].bits));  // wBitCount
        EXPECT_EQ(Dword(icon, entry + 8), expected[i].size);             // dwBytesInRes
        EXPECT_EQ(Dword(icon, entry + 12), offset);                      // dwImageOffset
        offset += expected[i].size;
    }
    EXPECT_EQ(offset, icon.size());
}

TEST_F(IconmakerTest, EachImageIsA32By64BitmapWithItsMask)
{
    Bytes icon = MakeIcon("halvdyne.ico");
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE("entry " + std::to_string(i));
        std::size_t at = Dword(icon, 6 + 16 * static_cast<std::size_t>(i) + 12);
        unsigned bits = Word(icon, 6 + 16 * static_cast<std::size_t>(i) + 6);
        ASSERT_LT(at + 40, icon.size());
        EXPECT_EQ(Dword(icon, at + 0), 40u);   // biSize
        EXPECT_EQ(Dword(icon, at + 4), 32u);   // biWidth
        EXPECT_EQ(Dword(icon, at + 8), 64u);   // biHeight: colour rows and mask rows
        EXPECT_EQ(Word(icon, at + 12), 1u);    // biPlanes
        EXPECT_EQ(Word(icon, at + 14), bits);  // biBitCount
        EXPECT_EQ(Dword(icon, at + 16), 0u);   // biCompression: BI_RGB
        EXPECT_EQ(Dword(icon, at + 20), 32u * (32 * bits / 8) + 32u * 4);  // biSizeImage
        EXPECT_EQ(Dword(icon, at + 32), 0u);   // biClrUsed: the whole palette
        // RGBQUAD's fourth byte is reserved.
        for (std::size_t k = 0; k < (std::size_t{1} << bits); ++k) EXPECT_EQ(icon[at + 40 + 4 * k + 3], 0) << k;
    }
}

TEST_F(IconmakerTest, SixteenColourImageUsesTheVgaPalette)
{
    Bytes icon = MakeIcon("halvdyne.ico");
    IconImage image = {&icon, Dword(icon, 6 + 12), 4};
    const Rgb vga[16] = {{0, 0, 0},       {128, 0, 0},     {0, 128, 0},   {128, 128, 0}, {0, 0, 128},   {128, 0, 128},
                         {0, 128, 128},   {192, 192, 192}, {128, 128, 128}, {255, 0, 0}, {0, 255, 0},   {255, 255, 0},
                         {0, 0, 255},     {255, 0, 255},   {0, 255, 255}, {255, 255, 255}};
    for (int k = 0; k < 16; ++k) {
        Rgb c = image.PaletteEntry(k);
        EXPECT_TRUE(c.r == vga[k].r && c.g == vga[k].g && c.b == vga[k].b) << "entry " << k;
    }
}

TEST_F(IconmakerTest, BothImagesShowTheSkyInsideARoundedSquare)
{
    Bytes icon = MakeIcon("halvdyne.ico");
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE("entry " + std::to_string(i));
        IconImage image = {&icon, Dword(icon, 6 + 16 * static_cast<std::size_t>(i) + 12), i == 0 ? 4 : 8};
        // Between the faint stars at the top and clear of planet and ring at the bottom.
        Rgb top = RowMean(image, 1, 14, 21);
        Rgb bottom = RowMean(image, 30, 14, 21);
        EXPECT_LT(top.r + top.g + top.b, 40) << top.r << "," << top.g << "," << top.b;
        EXPECT_GT(bottom.b, 170);
        EXPECT_LT(bottom.r + bottom.g, 20);
        // The light falls from the upper right: the planet is bright and warm
        // there, dark on the lower left; the star is near white.
        Rgb lit = RowMean(image, 13, 16, 18);
        Rgb dark = RowMean(image, 22, 8, 9);
        EXPECT_GT(lit.r, 150);
        EXPECT_GT(lit.r, lit.b + 80);
        EXPECT_LT(dark.r + dark.g + dark.b, (lit.r + lit.g + lit.b) / 2);
        Rgb star = image.Pixel(26, 6);
        EXPECT_GT(star.r + star.g + star.b, 3 * 230);

        // Transparent exactly in the corners; those pixels are black, so the
        // screen shows through unchanged.
        for (int y = 0; y < 32; ++y) {
            for (int x = 0; x < 32; ++x) {
                int fromEdgeX = x < 16 ? x : 31 - x;
                int fromEdgeY = y < 16 ? y : 31 - y;
                bool corner = fromEdgeX + fromEdgeY < 2;
                bool inside = fromEdgeX >= 2 || fromEdgeY >= 2;
                if (corner) {
                    EXPECT_TRUE(image.Transparent(x, y)) << x << "," << y;
                }
                if (inside) {
                    EXPECT_FALSE(image.Transparent(x, y)) << x << "," << y;
                }
                if (image.Transparent(x, y)) {
                    Rgb c = image.Pixel(x, y);
                    EXPECT_EQ(c.r + c.g + c.b, 0) << x << "," << y;
                }
            }
        }
    }
}

TEST_F(IconmakerTest, FailsWithOneLineAndNoFileWhenItCannotWrite)
{
    std::string target = folder_ + "/missing/halvdyne.ico";
    EXPECT_EQ(Run("'" + target + "'"), 2);
    EXPECT_EQ(stderr_.rfind("iconmaker: " + target + ": cannot create", 0), 0u) << stderr_;
    EXPECT_EQ(stderr_.find('\n'), stderr_.size() - 1) << stderr_;
    EXPECT_NE(access(target.c_str(), F_OK), 0);
    EXPECT_NE(access((target + ".partial").c_str(), F_OK), 0);
}

TEST_F(IconmakerTest, WantsExactlyOneArgument)
{
    for (const char* arguments : {"", "'a.ico' 'b.ico'"}) {
        SCOPED_TRACE(arguments);
        EXPECT_EQ(Run(arguments), 2);
        EXPECT_EQ(stderr_, "usage: iconmaker OUT.ico\n");
    }
}

TEST_F(IconmakerTest, ReplacesAnExistingFileWhole)
{
    std::string path = folder_ + "/halvdyne.ico";
    std::FILE* old = std::fopen(path.c_str(), "wb");
    ASSERT_NE(old, nullptr);
    std::string junk(10000, 'x');
    std::fwrite(junk.data(), 1, junk.size(), old);
    std::fclose(old);
    Bytes icon = MakeIcon("halvdyne.ico");
    EXPECT_EQ(icon.size(), 6 + 2 * 16 + FourBitImageSize + EightBitImageSize);
    EXPECT_NE(access((path + ".partial").c_str(), F_OK), 0);
}
