#include "display/display_surfaces.h"

#include "app/app_state.h"

HDC WindowDC = nullptr;
HDC BackgroundBuffer = nullptr;
HDC FrameBuffer = nullptr;
HPALETTE BackgroundPalette = nullptr;
bool PaletteStale = true;

namespace {

// LOGPALETTE with 222 entries: 4 + 222 * 4 = 892 bytes, kept for the life of
// the window so the palette can be created again.
union PaletteBlock {
    LOGPALETTE header;
    unsigned char bytes[sizeof(LOGPALETTE) - sizeof(PALETTEENTRY) + PaletteSize * sizeof(PALETTEENTRY)];
};
static_assert(sizeof(PaletteBlock) == 892, "palette block");
PaletteBlock Palette;

HBITMAP BackgroundBitmap = nullptr;
HBITMAP FrameBitmap = nullptr;
HGDIOBJ PreviousBackgroundBitmap = nullptr;
HGDIOBJ PreviousFrameBitmap = nullptr;
HPALETTE PreviousPalettes[3] = {};
HANDLE RevealThread = nullptr;

HDC* const PaletteContexts[3] = {&WindowDC, &BackgroundBuffer, &FrameBuffer};

HDC CreateBuffer(HBITMAP* bitmap, HGDIOBJ* previous)
{
    HDC buffer = CreateCompatibleDC(WindowDC);
    *bitmap = CreateCompatibleBitmap(WindowDC, ScreenWidth, ScreenHeight);
    *previous = SelectObject(buffer, *bitmap);
    return buffer;
}

void ReleaseBuffer(HDC buffer, HBITMAP bitmap, HGDIOBJ previous)
{
    SelectObject(buffer, previous);
    DeleteDC(buffer);
    DeleteObject(bitmap);
}

// SelectPalette gives NULL when another thread holds the context (the
// banner reveal copies through WindowDC): the palette kept from before is
// then still the one to put back, and ours is not one to keep.
void SelectAndRealizePalette(HPALETTE replaced)
{
    for (int i = 0; i < 3; ++i) {
        HPALETTE previous = SelectPalette(*PaletteContexts[i], BackgroundPalette, FALSE);
        if (previous != nullptr && previous != replaced) PreviousPalettes[i] = previous;
        RealizePalette(*PaletteContexts[i]);
    }
}

void DeselectPalette()
{
    for (int i = 0; i < 3; ++i) {
        HPALETTE previous = PreviousPalettes[i];
        SelectPalette(*PaletteContexts[i], previous ? previous : static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE)), FALSE);
    }
}

// A palette still selected somewhere is not deleted (it stays, unused).
void DeletePaletteIfFree(HPALETTE palette)
{
    for (int i = 0; i < 3; ++i) {
        if (GetCurrentObject(*PaletteContexts[i], OBJ_PAL) == palette) return;
    }
    DeleteObject(palette);
}

}  // namespace

const LOGPALETTE* BackgroundPaletteBlock()
{
    return &Palette.header;
}

void CreateDisplaySurfaces(HWND window)
{
    WindowDC = GetWindowDC(window);
    BackgroundBuffer = CreateBuffer(&BackgroundBitmap, &PreviousBackgroundBitmap);
    FrameBuffer = CreateBuffer(&FrameBitmap, &PreviousFrameBitmap);
    CreateBackgroundPalette();
}

void KeepButtonsOutOfWindowDC()
{
    RECT window;
    if (!GetWindowRect(MainWindowHandle, &window)) return;
    for (int id = 1; id <= CommandCount; ++id) {
        RECT button;
        if (ButtonHandles[id] == nullptr || !GetWindowRect(ButtonHandles[id], &button)) continue;
        ExcludeClipRect(WindowDC, button.left - window.left, button.top - window.top, button.right - window.left,
                        button.bottom - window.top);
    }
}

void CreateBackgroundPalette()
{
    Palette.header.palVersion = 0x300;
    Palette.header.palNumEntries = PaletteSize;
    PALETTEENTRY* entries = Palette.header.palPalEntry;
    for (int i = 0; i < PaletteSize; ++i) {
        entries[i].peRed = 0;
        entries[i].peGreen = 0;
        entries[i].peBlue = static_cast<BYTE>(PaletteSize - i);
        entries[i].peFlags = PC_RESERVED;
    }
    BackgroundPalette = CreatePalette(&Palette.header);
    SelectAndRealizePalette(nullptr);
}

void NotePaletteChange()
{
    PaletteStale = true;
}

void RefreshPalette()
{
    if (!PaletteStale) return;
    PaletteStale = false;
    HPALETTE old = BackgroundPalette;
    DeselectPalette();
    BackgroundPalette = CreatePalette(&Palette.header);
    SelectAndRealizePalette(old);
    DeletePaletteIfFree(old);
}

void DestroyDisplaySurfaces(HWND window)
{
    // The reveal copies from BackgroundBuffer to WindowDC: let it finish.
    if (RevealThread) {
        WaitForSingleObject(RevealThread, INFINITE);
        CloseHandle(RevealThread);
        RevealThread = nullptr;
    }
    DeselectPalette();
    DeletePaletteIfFree(BackgroundPalette);
    BackgroundPalette = nullptr;
    ReleaseBuffer(BackgroundBuffer, BackgroundBitmap, PreviousBackgroundBitmap);
    ReleaseBuffer(FrameBuffer, FrameBitmap, PreviousFrameBitmap);
    BackgroundBuffer = FrameBuffer = nullptr;
    ReleaseDC(window, WindowDC);
    WindowDC = nullptr;
}

void StartBannerReveal()
{
    RevealThread = CreateThread(nullptr, 1024, BannerReveal, nullptr, 0, nullptr);
}

int RevealDirection(std::uint32_t seed)
{
    seed = seed * 134775813u + 1u;
    return static_cast<int>(seed >> 31);
}

void BannerRevealColumns(int direction, int screenWidth, int columns[2 * RevealSteps])
{
    const int centre = screenWidth - 101;
    const int left = screenWidth - BannerStripOffset;
    const int right = screenWidth - 61;
    for (int i = 0; i < RevealSteps; ++i) {
        columns[2 * i] = direction == 0 ? centre - i : left + i;
        columns[2 * i + 1] = direction == 0 ? centre + i : right - i;
    }
}

DWORD WINAPI BannerReveal(LPVOID)
{
    SYSTEMTIME now;
    GetSystemTime(&now);
    std::uint32_t seed = ((now.wHour * 60u + now.wMinute) * 60u + now.wSecond) * 1000u + now.wMilliseconds;
    int columns[2 * RevealSteps];
    BannerRevealColumns(RevealDirection(seed), ScreenWidth, columns);
    for (int i = 0; i < RevealSteps; ++i) {
        CopyBannerColumn(columns[2 * i]);
        CopyBannerColumn(columns[2 * i + 1]);
        WaitTicks(1);
    }
    // Copies from a thread without a message loop can be lost (on Wine a few
    // columns stay plain): one ordinary repair paint of the strip on the
    // user-interface thread copies it again from the same pixels.
    const RECT strip = {ScreenWidth - BannerStripOffset, 0, ScreenWidth - BannerStripOffset + BannerStripWidth,
                        BannerStripHeight};
    InvalidateRect(MainWindowHandle, &strip, FALSE);
    return 0;
}

void CopyBannerColumn(int x)
{
    BitBlt(WindowDC, x, 0, 1, BannerStripHeight, BackgroundBuffer, x, 0, SRCCOPY);
}

DWORD WaitTicks(std::uint16_t milliseconds)
{
    DWORD start = GetTickCount();
    for (;;) {
        // The signed difference survives the counter's wrap-around.
        LONG elapsed = static_cast<LONG>(GetTickCount() - start);
        if (elapsed >= static_cast<LONG>(milliseconds)) return static_cast<DWORD>(elapsed);
    }
}
