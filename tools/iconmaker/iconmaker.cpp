// iconmaker: writes the program's icon file.
//
//   iconmaker OUT.ico
//
// One icon group with two 32 x 32 images of the same picture, the results
// screen in small: the sky from near-black at the top to bright blue at the
// bottom, a ringed planet lit from the upper right and a bright star. The
// first image uses the 16 VGA colours (4 bits per pixel, ordered dither),
// the second 256 colours chosen for it (8 bits per pixel). The AND mask is
// transparent outside a rounded square.
//
// The picture is computed in integers only, so every compiler and machine
// writes the same bytes. Exit status: 0 success, 2 failure (one line on
// stderr).
#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "tools/tool_output.h"

namespace {

const int IconSide = 32;
const int PixelCount = IconSide * IconSide;

struct Colour {
    int r, g, b;
};

// --- the picture --------------------------------------------------------------
// Shapes are measured in eighths of a pixel and sampled 4 x 4 times per
// pixel, at the centres of the quarter-pixel cells.
const int Unit = 8;
const int SamplesPerSide = 4;

// The sky of the results screen, constant along each pixel row.
const int SkyTopBlue = 6;
const int SkyBottomBlue = 222;

// Planet centre and radius.
const int PlanetX = 14 * Unit;
const int PlanetY = 18 * Unit;
const int PlanetRadius = 8 * Unit;

// Light direction (towards the light, upper right and in front), 1024 = 1.
const int LightX = 480;
const int LightY = -560;
const int LightZ = 690;

// The ring: tilted by about -24 degrees (rising to the right), seen from a
// little above, so its circle is squashed to 3/10 across.
const int RingCos = 935;  // 1024 cos(24 deg)
const int RingSin = -417;  // 1024 sin(-24 deg)
const int RingInner = 10 * Unit + Unit / 2;
const int RingMiddle = 12 * Unit;
const int RingOuter = 14 * Unit;

const Colour PlanetLight = {240, 168, 84};
const Colour PlanetBand = {196, 112, 58};
const Colour RingInnerColour = {236, 222, 184};
const Colour RingOuterColour = {178, 160, 128};
const Colour StarColour = {255, 255, 236};

int SquareRoot(int value)
{
    int root = 0;
    while ((root + 1) * (root + 1) <= value) ++root;
    return root;
}

Colour Scale(const Colour& c, int numerator, int denominator)
{
    return {c.r * numerator / denominator, c.g * numerator / denominator, c.b * numerator / denominator};
}

// a + (b - a) * weight / 256
Colour Mix(const Colour& a, const Colour& b, int weight)
{
    return {a.r + (b.r - a.r) * weight / 256, a.g + (b.g - a.g) * weight / 256, a.b + (b.b - a.b) * weight / 256};
}

Colour SkyColour(int row)
{
    return {0, 0, SkyTopBlue + (SkyBottomBlue - SkyTopBlue) * row / (IconSide - 1)};
}

// The colour of the planet's surface at (dx, dy) from its centre, which
// must lie inside the disc.
Colour PlanetSurface(int dx, int dy)
{
    int dz = SquareRoot(PlanetRadius * PlanetRadius - dx * dx - dy * dy);
    int lambert = (dx * LightX + dy * LightY + dz * LightZ) / PlanetRadius;  // -1024 ... 1024
    int light = 70 + std::max(lambert, 0) * 954 / 1024;                       // 70 ... 1024
    // Cloud bands run parallel to the ring.
    int across = (-dx * RingSin + dy * RingCos) / 1024;
    int band = (across + PlanetRadius) * 5 / PlanetRadius;
    Colour surface = (band % 2 == 1) ? PlanetBand : PlanetLight;
    return Scale(surface, light, 1024);
}

// Whether (dx, dy) from the planet's centre lies on the ring; sets front
// when that part of the ring passes in front of the planet, colour to its
// colour.
bool OnRing(int dx, int dy, bool* front, Colour* colour)
{
    int along = (dx * RingCos + dy * RingSin) / 1024;
    int across = (-dx * RingSin + dy * RingCos) / 1024;
    int stretched = across * 10 / 3;
    int distance2 = along * along + stretched * stretched;
    if (distance2 < RingInner * RingInner || distance2 > RingOuter * RingOuter) return false;
    *front = across > 0;
    *colour = distance2 < RingMiddle * RingMiddle ? RingInnerColour : RingOuterColour;
    if (!*front) *colour = Scale(*colour, 7, 8);
    return true;
}

// What a sample or pixel shows; the 16-colour image shades each kind with
// a ramp of VGA colours of its own.
enum class Material { Sky, Ring, Planet, Star, Count };

struct Sample {
    Colour colour;
    Material material;
};

Sample SampleAt(int x, int y)
{
    Sample sample = {SkyColour(y / Unit), Material::Sky};
    int dx = x - PlanetX;
    int dy = y - PlanetY;
    bool ringFront = false;
    Colour ringColour = sample.colour;
    bool ring = OnRing(dx, dy, &ringFront, &ringColour);
    if (ring && !ringFront) sample = {ringColour, Material::Ring};
    if (dx * dx + dy * dy < PlanetRadius * PlanetRadius) sample = {PlanetSurface(dx, dy), Material::Planet};
    if (ring && ringFront) sample = {ringColour, Material::Ring};
    return sample;
}

// A star's light on the pixels around it: weights out of 256 by offset.
struct StarRay {
    int dx, dy, weight;
};
const StarRay BrightStar[] = {
    {0, 0, 256},  {-1, 0, 190}, {1, 0, 190}, {0, -1, 190}, {0, 1, 190},  {-2, 0, 90},
    {2, 0, 90},   {0, -2, 90},  {0, 2, 90},  {-1, -1, 40}, {1, -1, 40}, {-1, 1, 40},
    {1, 1, 40},
};
const int BrightStarX = 26;
const int BrightStarY = 6;

// Faint single-pixel stars in the dark upper sky.
struct FaintStar {
    int x, y, weight;
};
const FaintStar FaintStars[] = {{5, 4, 150}, {13, 2, 110}, {20, 7, 90}, {29, 13, 80}};

// Corner radius of the opaque rounded square, in pixels.
const int CornerRadius = 5;

struct Picture {
    Colour pixels[PixelCount];
    Material materials[PixelCount];  // what most of each pixel shows
    bool opaque[PixelCount];
};

bool InsideRoundedSquare(int px, int py)
{
    // Distance from the nearest corner circle's centre, in half pixels.
    int cx = std::max(0, std::max(2 * CornerRadius - (2 * px + 1), (2 * px + 1) - 2 * (IconSide - CornerRadius)));
    int cy = std::max(0, std::max(2 * CornerRadius - (2 * py + 1), (2 * py + 1) - 2 * (IconSide - CornerRadius)));
    // A quarter pixel over the radius, so that the edges do not look bitten.
    return cx * cx + cy * cy <= 4 * CornerRadius * CornerRadius + 2 * CornerRadius;
}

void AddStarLight(Picture* picture, int px, int py, int weight)
{
    int i = py * IconSide + px;
    picture->pixels[i] = Mix(picture->pixels[i], StarColour, weight);
    if (weight >= 64) picture->materials[i] = Material::Star;
}

void DrawPicture(Picture* picture)
{
    const int samples = SamplesPerSide * SamplesPerSide;
    const int step = Unit / SamplesPerSide;
    for (int py = 0; py < IconSide; ++py) {
        for (int px = 0; px < IconSide; ++px) {
            int r = 0, g = 0, b = 0;
            int materialSamples[static_cast<int>(Material::Count)] = {};
            for (int sy = 0; sy < SamplesPerSide; ++sy) {
                for (int sx = 0; sx < SamplesPerSide; ++sx) {
                    Sample s = SampleAt(px * Unit + sx * step + step / 2, py * Unit + sy * step + step / 2);
                    r += s.colour.r;
                    g += s.colour.g;
                    b += s.colour.b;
                    ++materialSamples[static_cast<int>(s.material)];
                }
            }
            int i = py * IconSide + px;
            picture->pixels[i] = {(r + samples / 2) / samples, (g + samples / 2) / samples,
                                  (b + samples / 2) / samples};
            int most = 0;
            for (int m = 1; m < static_cast<int>(Material::Count); ++m) {
                if (materialSamples[m] > materialSamples[most]) most = m;
            }
            picture->materials[i] = static_cast<Material>(most);
            picture->opaque[i] = InsideRoundedSquare(px, py);
        }
    }
    for (const StarRay& ray : BrightStar) AddStarLight(picture, BrightStarX + ray.dx, BrightStarY + ray.dy, ray.weight);
    for (const FaintStar& star : FaintStars) AddStarLight(picture, star.x, star.y, star.weight);
}

// --- colour reduction ---------------------------------------------------------

// The standard 16-colour VGA palette, in its usual order.
const Colour VgaPalette[16] = {
    {0, 0, 0},     {128, 0, 0},   {0, 128, 0},   {128, 128, 0},   {0, 0, 128},   {128, 0, 128},
    {0, 128, 128}, {192, 192, 192}, {128, 128, 128}, {255, 0, 0},   {0, 255, 0},   {255, 255, 0},
    {0, 0, 255},   {255, 0, 255}, {0, 255, 255}, {255, 255, 255},
};

int DistanceSquared(const Colour& a, const Colour& b)
{
    return (a.r - b.r) * (a.r - b.r) + (a.g - b.g) * (a.g - b.g) + (a.b - b.b) * (a.b - b.b);
}

// The palette entry nearest to c; the first one on a tie.
int Nearest(const std::vector<Colour>& palette, const Colour& c)
{
    int best = 0;
    for (int i = 1; i < static_cast<int>(palette.size()); ++i) {
        if (DistanceSquared(palette[i], c) < DistanceSquared(palette[best], c)) best = i;
    }
    return best;
}

// A ramp of VGA colours for one material: entries by rising level.
struct RampStep {
    int level;
    int vgaIndex;
};
const RampStep SkyRamp[] = {{0, 0}, {128, 4}, {255, 12}};              // black, navy, blue
const RampStep PlanetRamp[] = {{0, 0}, {36, 1}, {84, 9}, {170, 11}};   // black, maroon, red, yellow
const RampStep LightRamp[] = {{0, 0}, {100, 8}, {170, 7}, {230, 15}};  // black, grey, silver, white

struct Ramp {
    const RampStep* steps;
    int count;
};

template <int N>
Ramp RampOf(const RampStep (&steps)[N])
{
    return {steps, N};
}

// The index for a level on a ramp, at a Bayer threshold of 0 ... 15.
int RampIndex(const Ramp& ramp, int level, int threshold)
{
    int k = 0;
    while (k + 2 < ramp.count && level > ramp.steps[k + 1].level) ++k;
    const RampStep& low = ramp.steps[k];
    const RampStep& high = ramp.steps[k + 1];
    int span = high.level - low.level;
    int sixteenths = (std::min(std::max(level - low.level, 0), span) * 16 + span / 2) / span;
    return sixteenths > threshold ? high.vgaIndex : low.vgaIndex;
}

// 16 colours: each pixel takes the two neighbouring colours of its
// material's ramp around its level (the blue of the sky, the brightness of
// everything else), mixed by a 4 x 4 Bayer pattern in the right proportion.
std::vector<int> ReduceToVga(const Picture& picture, std::vector<Colour>* palette)
{
    static const int Bayer[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};
    palette->assign(VgaPalette, VgaPalette + 16);
    std::vector<int> indices(PixelCount);
    for (int py = 0; py < IconSide; ++py) {
        for (int px = 0; px < IconSide; ++px) {
            int i = py * IconSide + px;
            const Colour& c = picture.pixels[i];
            int brightness = (3 * c.r + 4 * c.g + c.b) / 8;
            int threshold = Bayer[py % 4][px % 4];
            switch (picture.materials[i]) {
            case Material::Sky: indices[i] = RampIndex(RampOf(SkyRamp), c.b, threshold); break;
            case Material::Planet: indices[i] = RampIndex(RampOf(PlanetRamp), brightness, threshold); break;
            default: indices[i] = RampIndex(RampOf(LightRamp), brightness, threshold); break;
            }
        }
    }
    return indices;
}

// One of the picture's colours and how many pixels have it.
struct ColourCount {
    Colour colour;
    int count;
};

int Channel(const Colour& c, int channel) { return channel == 0 ? c.r : channel == 1 ? c.g : c.b; }

// 256 colours: entry 0 is black, for the transparent pixels; the other 255
// come from a median cut: the box of colours with the widest channel range
// is split at its pixel median until there are 255 boxes or every box holds
// one colour, and each box's entry is its pixel-weighted mean.
std::vector<int> ReduceTo256(const Picture& picture, std::vector<Colour>* palette)
{
    std::map<std::uint32_t, int> counts;  // ordered, so the cut does not depend on hashing
    for (const Colour& c : picture.pixels) ++counts[static_cast<std::uint32_t>(c.r << 16 | c.g << 8 | c.b)];
    std::vector<ColourCount> colours;
    for (const auto& entry : counts) {
        Colour c = {static_cast<int>(entry.first >> 16), static_cast<int>(entry.first >> 8 & 255),
                    static_cast<int>(entry.first & 255)};
        colours.push_back({c, entry.second});
    }

    struct Box {
        std::size_t begin, end;
    };
    std::vector<Box> boxes = {{0, colours.size()}};
    while (boxes.size() < 255) {
        int widest = -1, widestChannel = 0;
        std::size_t widestBox = 0;
        for (std::size_t i = 0; i < boxes.size(); ++i) {
            if (boxes[i].end - boxes[i].begin < 2) continue;
            for (int channel = 0; channel < 3; ++channel) {
                int low = 255, high = 0;
                for (std::size_t k = boxes[i].begin; k < boxes[i].end; ++k) {
                    low = std::min(low, Channel(colours[k].colour, channel));
                    high = std::max(high, Channel(colours[k].colour, channel));
                }
                if (high - low > widest) {
                    widest = high - low;
                    widestChannel = channel;
                    widestBox = i;
                }
            }
        }
        if (widest < 0) break;
        Box box = boxes[widestBox];
        // Distinct colours never compare equal, so the order is total.
        std::sort(colours.begin() + box.begin, colours.begin() + box.end,
                  [widestChannel](const ColourCount& a, const ColourCount& b) {
                      for (int k = 0; k < 3; ++k) {
                          int channel = (widestChannel + k) % 3;
                          if (Channel(a.colour, channel) != Channel(b.colour, channel)) {
                              return Channel(a.colour, channel) < Channel(b.colour, channel);
                          }
                      }
                      return false;
                  });
        int total = 0;
        for (std::size_t k = box.begin; k < box.end; ++k) total += colours[k].count;
        std::size_t split = box.begin + 1;
        for (int below = colours[box.begin].count; split < box.end - 1 && 2 * below < total; ++split) {
            below += colours[split].count;
        }
        boxes[widestBox] = {box.begin, split};
        boxes.push_back({split, box.end});
    }

    palette->assign(256, Colour{0, 0, 0});
    for (std::size_t i = 0; i < boxes.size(); ++i) {
        long r = 0, g = 0, b = 0, n = 0;
        for (std::size_t k = boxes[i].begin; k < boxes[i].end; ++k) {
            r += static_cast<long>(colours[k].colour.r) * colours[k].count;
            g += static_cast<long>(colours[k].colour.g) * colours[k].count;
            b += static_cast<long>(colours[k].colour.b) * colours[k].count;
            n += colours[k].count;
        }
        (*palette)[i + 1] = {static_cast<int>((r + n / 2) / n), static_cast<int>((g + n / 2) / n),
                             static_cast<int>((b + n / 2) / n)};
    }
    std::vector<int> indices(PixelCount);
    std::vector<Colour> used(palette->begin(), palette->begin() + static_cast<long>(boxes.size() + 1));
    for (int i = 0; i < PixelCount; ++i) indices[i] = Nearest(used, picture.pixels[i]);
    return indices;
}

// --- the icon file ------------------------------------------------------------

void Put16(std::vector<std::uint8_t>* out, unsigned value)
{
    out->push_back(static_cast<std::uint8_t>(value & 255));
    out->push_back(static_cast<std::uint8_t>(value >> 8 & 255));
}

void Put32(std::vector<std::uint8_t>* out, std::uint32_t value)
{
    Put16(out, value & 0xFFFF);
    Put16(out, value >> 16);
}

// One icon image: BITMAPINFOHEADER (height doubled for the AND mask), the
// palette as RGBQUADs, then the colour rows and the mask rows, each bottom
// row first and padded to four bytes. Transparent pixels take entry 0,
// black in both palettes, so that they leave the screen unchanged.
std::vector<std::uint8_t> IconImage(const Picture& picture, const std::vector<Colour>& palette,
                                    const std::vector<int>& indices, int bitsPerPixel)
{
    const unsigned colourRow = (IconSide * bitsPerPixel + 31) / 32 * 4;
    const unsigned maskRow = (IconSide + 31) / 32 * 4;
    std::vector<std::uint8_t> image;
    Put32(&image, 40);                                  // biSize
    Put32(&image, IconSide);                            // biWidth
    Put32(&image, 2 * IconSide);                        // biHeight: colour rows and mask rows
    Put16(&image, 1);                                   // biPlanes
    Put16(&image, static_cast<unsigned>(bitsPerPixel)); // biBitCount
    Put32(&image, 0);                                   // biCompression: BI_RGB
    Put32(&image, (colourRow + maskRow) * IconSide);    // biSizeImage
    Put32(&image, 0);                                   // biXPelsPerMeter
    Put32(&image, 0);                                   // biYPelsPerMeter
    Put32(&image, 0);                                   // biClrUsed: all 2^bits entries follow
    Put32(&image, 0);                                   // biClrImportant
    for (const Colour& c : palette) {
        image.push_back(static_cast<std::uint8_t>(c.b));
        image.push_back(static_cast<std::uint8_t>(c.g));
        image.push_back(static_cast<std::uint8_t>(c.r));
        image.push_back(0);
    }
    for (int py = IconSide - 1; py >= 0; --py) {
        std::vector<std::uint8_t> row(colourRow, 0);
        for (int px = 0; px < IconSide; ++px) {
            int i = py * IconSide + px;
            unsigned index = picture.opaque[i] ? static_cast<unsigned>(indices[i]) : 0;
            if (bitsPerPixel == 8) {
                row[px] = static_cast<std::uint8_t>(index);
            } else {
                row[px / 2] |= static_cast<std::uint8_t>(px % 2 == 0 ? index << 4 : index);
            }
        }
        image.insert(image.end(), row.begin(), row.end());
    }
    for (int py = IconSide - 1; py >= 0; --py) {
        std::vector<std::uint8_t> row(maskRow, 0);
        for (int px = 0; px < IconSide; ++px) {
            if (!picture.opaque[py * IconSide + px]) row[px / 8] |= static_cast<std::uint8_t>(0x80 >> (px % 8));
        }
        image.insert(image.end(), row.begin(), row.end());
    }
    return image;
}

std::vector<std::uint8_t> IconFile()
{
    static Picture picture;
    DrawPicture(&picture);
    std::vector<Colour> vga, chosen;
    std::vector<int> vgaIndices = ReduceToVga(picture, &vga);
    std::vector<int> chosenIndices = ReduceTo256(picture, &chosen);
    std::vector<std::uint8_t> images[2] = {IconImage(picture, vga, vgaIndices, 4),
                                           IconImage(picture, chosen, chosenIndices, 8)};
    const int colourCounts[2] = {16, 0};  // bColorCount: 0 stands for 256 or more
    const int bitCounts[2] = {4, 8};

    std::vector<std::uint8_t> file;
    Put16(&file, 0);  // idReserved
    Put16(&file, 1);  // idType: icon
    Put16(&file, 2);  // idCount
    std::uint32_t offset = 6 + 2 * 16;
    for (int i = 0; i < 2; ++i) {
        file.push_back(IconSide);  // bWidth
        file.push_back(IconSide);  // bHeight
        file.push_back(static_cast<std::uint8_t>(colourCounts[i]));
        file.push_back(0);  // bReserved
        Put16(&file, 1);    // wPlanes
        Put16(&file, static_cast<unsigned>(bitCounts[i]));
        Put32(&file, static_cast<std::uint32_t>(images[i].size()));  // dwBytesInRes
        Put32(&file, offset);                                        // dwImageOffset
        offset += static_cast<std::uint32_t>(images[i].size());
    }
    for (const std::vector<std::uint8_t>& image : images) file.insert(file.end(), image.begin(), image.end());
    return file;
}

int Fail(const std::string& file, const std::string& problem)
{
    std::fprintf(stderr, "iconmaker: %s: %s\n", file.c_str(), problem.c_str());
    return 2;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: iconmaker OUT.ico\n");
        return 2;
    }
    const std::string outputPath = argv[1];
    std::vector<std::uint8_t> bytes = IconFile();

    std::string problem;
    if (!WriteFileWhole(outputPath, bytes.data(), bytes.size(), &problem)) return Fail(outputPath, problem);
    return 0;
}
