// The settings files on a real (Wine) file system: SaveSettings and
// LoadSettings with their real message boxes, which the spy answers.
// Every case works in a fresh folder of its own under the temporary folder.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "files/settings_file.h"
#include "files/settings_image.h"
#include "model/estimation.h"
#include "model/settings_record.h"
#include "tests/support/message_box_spy.h"
#include "tests/support/worked_example.h"

namespace {

const char ProgramCaption[] = "Halvorendyne";
const char NotSavedText[] = "File error. Settings NOT saved.";
const char NotLoadedText[] = "File error. Settings NOT loaded.";
const char SavedText[] = "Settings saved.";

// ---------------------------------------------------------------------------
// The record

void SetText(char** field, const char* text)
{
    FreeText(*field);
    *field = DuplicateText(text);
}

// Back to the program's start state: all zero, no texts, MaxYears set.
void ResetRecord()
{
    FreeText(Settings.AuthorName);
    FreeText(Settings.AuthorAbout);
    FreeText(Settings.SettingsComments);
    std::memset(&Settings, 0, sizeof Settings);
    InitSettingsRecord();
}

// The derived results: SuitableStarCount through InhabitedPlanetExponent.
const std::size_t ResultsOffset = offsetof(SettingsRecord, SuitableStarCount);
const std::size_t ResultsSize = offsetof(SettingsRecord, Alignment2) - ResultsOffset;

unsigned char* ResultBytes()
{
    return reinterpret_cast<unsigned char*>(&Settings) + ResultsOffset;
}

// The worked example's parameters, with every reserved byte distinct.
void FillWorkedExampleFile()
{
    FillWorkedExample();
    SettingsRecord& s = Settings;
    for (std::size_t i = 0; i < sizeof s.Reserved; ++i) s.Reserved[i] = static_cast<std::uint8_t>(i + 1);
    s.CurrentPage = 4;
}

// A different value in every field, so that no two fields could swap.
void FillDistinctValues()
{
    SettingsRecord& s = Settings;
    s.StarCount = 400000000000LL;
    float* shares[] = {&s.PlanetShare,   &s.PopulationIShare, &s.MultipleSystemShare, &s.HeavyElementShare,
                       &s.DwarfShare,    &s.SunLikeShare,     &s.GiantShare,          &s.EcoSingleProb,
                       &s.EcoDwarfProb,  &s.EcoSunLikeProb,   &s.EcoGiantProb,        &s.PlanetInEcoProb,
                       &s.MassMixProb,   &s.OrbitAxisProb,    &s.LifeEvolvesProb};
    for (std::size_t i = 0; i < sizeof shares / sizeof shares[0]; ++i) {
        *shares[i] = 0.9f - 0.05f * static_cast<float>(i);
    }
    s.FirstLifeYears = 3900000001LL;
    s.FirstCivilizationYears = 4500000002LL;
    s.CivilizationSpanYears = 10003;
    s.StarDistanceLy = 7.25f;
    s.GalaxySizeRatio = 1.5f;
    s.GalaxyCount = 200000000004LL;
    for (std::size_t i = 0; i < sizeof s.Reserved; ++i) s.Reserved[i] = static_cast<std::uint8_t>(0xFF - 3 * i);
    s.CurrentPage = 5;
}

// Values the wizard never makes; the file must carry them all the same.
void FillExtremes()
{
    SettingsRecord& s = Settings;
    s.StarCount = std::numeric_limits<std::int64_t>::max();
    s.PlanetShare = std::numeric_limits<float>::quiet_NaN();
    s.PopulationIShare = -0.0f;
    s.MultipleSystemShare = std::numeric_limits<float>::denorm_min();
    s.HeavyElementShare = FLT_MAX;
    s.DwarfShare = -1;
    s.SunLikeShare = std::numeric_limits<float>::infinity();
    s.GiantShare = 1;
    s.LifeEvolvesProb = 1e-30f;
    s.FirstLifeYears = std::numeric_limits<std::int64_t>::min();
    s.FirstCivilizationYears = -1;
    s.CivilizationSpanYears = FixedMaxYears;
    s.StarDistanceLy = -5;
    s.GalaxyCount = 1;
    std::memset(s.Reserved, 0xFF, sizeof s.Reserved);
    s.CurrentPage = 0xFF;
}

// A copy of the whole record and of its texts, to tell "nothing changed".
struct RecordSnapshot {
    SettingsRecord record;
    std::string texts[SettingsTextCount];
    bool present[SettingsTextCount];
};

RecordSnapshot TakeSnapshot()
{
    RecordSnapshot snapshot;
    std::memcpy(&snapshot.record, &Settings, sizeof Settings);
    const char* texts[] = {Settings.AuthorName, Settings.AuthorAbout, Settings.SettingsComments};
    for (std::size_t i = 0; i < SettingsTextCount; ++i) {
        snapshot.present[i] = texts[i] != nullptr;
        snapshot.texts[i] = texts[i] ? texts[i] : "";
    }
    return snapshot;
}

// Every byte of the record (the text pointers too: no text was replaced)
// and every text as before.
void ExpectRecordUnchanged(const RecordSnapshot& before)
{
    EXPECT_EQ(std::memcmp(&before.record, &Settings, sizeof Settings), 0) << "the record changed";
    EXPECT_EQ(Settings.SettingsFileTime, before.record.SettingsFileTime);
    const char* texts[] = {Settings.AuthorName, Settings.AuthorAbout, Settings.SettingsComments};
    for (std::size_t i = 0; i < SettingsTextCount; ++i) {
        SCOPED_TRACE("text " + std::to_string(i));
        ASSERT_EQ(texts[i] != nullptr, before.present[i]);
        if (texts[i]) {
            EXPECT_EQ(std::string(texts[i]), before.texts[i]);
        }
    }
}

// A record unlike any the tests save: every stored byte 0xA5, other texts,
// results that ComputeResults would never give, and a known file time.
void FillStaleRecord()
{
    ResetRecord();
    std::memset(StoredBlockBytes(), 0xA5, StoredBlockSize);
    std::memset(ResultBytes(), 0x5A, ResultsSize);
    Settings.SettingsFileTime = 0x0123456789ABCDEFULL;
    SetText(&Settings.AuthorName, "Stale author");
    SetText(&Settings.AuthorAbout, "Stale\r\nabout");
    SetText(&Settings.SettingsComments, "Stale comments");
}

// ---------------------------------------------------------------------------
// Files

bool WriteBytes(const std::string& path, const std::vector<unsigned char>& bytes)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    BOOL ok = bytes.empty() || WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    return ok && written == bytes.size();
}

std::vector<unsigned char> ReadBytes(const std::string& path)
{
    std::vector<unsigned char> bytes;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return bytes;
    unsigned char chunk[4096];
    DWORD got = 0;
    while (ReadFile(file, chunk, sizeof chunk, &got, nullptr) && got > 0) bytes.insert(bytes.end(), chunk, chunk + got);
    CloseHandle(file);
    return bytes;
}

bool FileExists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::uint64_t AsNumber(const FILETIME& time)
{
    return (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

// The last-write time as the directory reports it (0 when unreadable).
std::uint64_t LastWriteTime(const std::string& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return 0;
    return AsNumber(data.ftLastWriteTime);
}

bool SetLastWriteTime(const std::string& path, std::uint64_t time)
{
    HANDLE file = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    FILETIME lastWrite;
    lastWrite.dwLowDateTime = static_cast<DWORD>(time);
    lastWrite.dwHighDateTime = static_cast<DWORD>(time >> 32);
    BOOL ok = SetFileTime(file, nullptr, nullptr, &lastWrite);
    CloseHandle(file);
    return ok != FALSE;
}

// The image the writer must produce for the current record.
std::vector<unsigned char> ImageOfCurrentSettings()
{
    std::vector<unsigned char> image(MaxSettingsImageSize);
    image.resize(EncodeCurrentSettings(image.data()));
    return image;
}

// ---------------------------------------------------------------------------
// Fixtures

// A hidden window to own message boxes, and the spy armed, so that no box
// can wait for a user.
class SpiedTest : public testing::Test {
protected:
    void SetUp() override
    {
        owner_ = CreateWindowExA(0, "STATIC", "Test owner", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr,
                                 GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(owner_, nullptr);
        ASSERT_FALSE(IsWindowVisible(owner_));
        ASSERT_TRUE(SpyOnMessageBoxes());
    }

    void TearDown() override
    {
        StopSpying();
        if (owner_) DestroyWindow(owner_);
    }

    // Exactly one box was shown, and it is this one.
    static void ExpectOneMessage(const char* text, const std::string& caption, UINT icon, HWND owner)
    {
        ASSERT_EQ(SpiedMessages().size(), 1u);
        const SpiedMessage& message = SpiedMessages()[0];
        EXPECT_EQ(message.text, text);
        EXPECT_EQ(message.caption, caption);
        EXPECT_EQ(message.icon, icon);
        EXPECT_EQ(message.owner, owner);
    }

    static void ExpectNoMessage()
    {
        EXPECT_TRUE(SpiedMessages().empty()) << "shown: \"" << SpiedMessages()[0].text << "\"";
    }

    HWND owner_ = nullptr;
};

// Also a fresh folder of the case's own, and the record at start values.
class SettingsFileWin : public SpiedTest {
protected:
    void SetUp() override
    {
        SpiedTest::SetUp();
        if (HasFatalFailure()) return;
        char temp[MAX_PATH];
        DWORD length = GetTempPathA(MAX_PATH, temp);
        ASSERT_GT(length, 0u);
        ASSERT_LT(length, static_cast<DWORD>(MAX_PATH));
        static int folderCount = 0;
        folder_ = std::string(temp) + "halv-files-" + std::to_string(GetCurrentProcessId()) + "-" +
                  std::to_string(++folderCount);
        ASSERT_TRUE(CreateDirectoryA(folder_.c_str(), nullptr)) << folder_ << " error " << GetLastError();
        MainWindowHandle = nullptr;
        SettingsChanged = false;
        ResetRecord();
    }

    void TearDown() override
    {
        ResetRecord();
        MainWindowHandle = nullptr;
        SettingsChanged = false;
        if (!folder_.empty()) RemoveFolder(folder_);
        SpiedTest::TearDown();
    }

    std::string PathIn(const char* name) const { return folder_ + "\\" + name; }

    // A new folder in the case's own whose path has length characters.
    std::string LongFolder(std::size_t length)
    {
        std::string folder = folder_ + "\\" + std::string(length - folder_.size() - 1, 'f');
        EXPECT_TRUE(CreateDirectoryA(folder.c_str(), nullptr)) << folder << " error " << GetLastError();
        return folder;
    }

    void RemoveFolder(const std::string& folder)
    {
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
        if (search != INVALID_HANDLE_VALUE) {
            do {
                std::string path = folder + "\\" + found.cFileName;
                if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
                    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                    DeleteFileA(path.c_str());
                } else if (found.cFileName[0] != '.') {
                    RemoveFolder(path);
                }
            } while (FindNextFileA(search, &found));
            FindClose(search);
        }
        EXPECT_TRUE(RemoveDirectoryA(folder.c_str())) << folder;
    }

    std::string folder_;
};

}  // namespace

// ---------------------------------------------------------------------------
// The spy itself: the settings tests below rely on what it reads.

using MessageBoxSpy = SpiedTest;

TEST_F(MessageBoxSpy, ReadsTextCaptionOwnerAndIcon)
{
    const struct {
        UINT style;
        UINT icon;
    } cases[] = {
        {MB_OK | MB_ICONERROR, MB_ICONERROR},
        {MB_OK | MB_ICONINFORMATION, MB_ICONINFORMATION},
        {MB_OK | MB_ICONEXCLAMATION, MB_ICONEXCLAMATION},
        {MB_OK | MB_ICONQUESTION, MB_ICONQUESTION},
        {MB_OK, 0},
    };
    for (HWND owner : {static_cast<HWND>(nullptr), owner_}) {
        for (const auto& c : cases) {
            SCOPED_TRACE("style " + std::to_string(c.style) + (owner ? ", owned" : ", no owner"));
            ASSERT_TRUE(SpyOnMessageBoxes());
            std::string text = "Line one\nstyle " + std::to_string(c.style);
            EXPECT_EQ(MessageBoxA(owner, text.c_str(), "Spy caption", c.style), IDOK);
            ASSERT_EQ(SpiedMessages().size(), 1u);
            EXPECT_EQ(SpiedMessages()[0].text, text);
            EXPECT_EQ(SpiedMessages()[0].caption, "Spy caption");
            EXPECT_EQ(SpiedMessages()[0].owner, owner);
            EXPECT_EQ(SpiedMessages()[0].icon, c.icon);
            EXPECT_EQ(SpiedMessages()[0].answer, IDOK);
        }
    }
}

TEST_F(MessageBoxSpy, PressesTheChosenOrTheDefaultButton)
{
    const struct {
        UINT style;
        int answer;  // 0: the default button
        int pressed;
    } cases[] = {
        {MB_OK, 0, IDOK},
        {MB_YESNO, 0, IDYES},
        {MB_YESNO | MB_DEFBUTTON2, 0, IDNO},
        {MB_YESNOCANCEL | MB_DEFBUTTON3, 0, IDCANCEL},
        {MB_YESNOCANCEL, IDNO, IDNO},
        {MB_YESNOCANCEL | MB_ICONQUESTION, IDCANCEL, IDCANCEL},
        {MB_OKCANCEL | MB_DEFBUTTON2, 0, IDCANCEL},
        {MB_RETRYCANCEL, IDRETRY, IDRETRY},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("style " + std::to_string(c.style) + ", answer " + std::to_string(c.answer));
        ASSERT_TRUE(SpyOnMessageBoxes(c.answer));
        EXPECT_EQ(MessageBoxA(owner_, "Which one?", "Spy caption", c.style), c.pressed);
        ASSERT_EQ(SpiedMessages().size(), 1u);
        EXPECT_EQ(SpiedMessages()[0].answer, c.pressed);
    }
}

TEST_F(MessageBoxSpy, SeesEveryBoxInTurn)
{
    EXPECT_EQ(MessageBoxA(nullptr, "first", "one", MB_OK | MB_ICONERROR), IDOK);
    EXPECT_EQ(MessageBoxA(owner_, "second", "two", MB_OK), IDOK);
    ASSERT_EQ(SpiedMessages().size(), 2u);
    EXPECT_EQ(SpiedMessages()[0].text, "first");
    EXPECT_EQ(SpiedMessages()[1].text, "second");
    EXPECT_EQ(SpiedMessages()[1].owner, owner_);
    StopSpying();
    EXPECT_EQ(SpiedMessages().size(), 2u) << "the record stays readable";
}

namespace {

// An ordinary dialog: a label with the same id as a message box's text,
// and an edit. It closes itself with 42 from a timer.
INT_PTR CALLBACK SelfClosingDialog(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    if (message == WM_INITDIALOG) {
        SetTimer(dialog, 1, 0, nullptr);
        return TRUE;
    }
    if (message == WM_TIMER && wParam == 1) {
        KillTimer(dialog, 1);
        EndDialog(dialog, 42);
        return TRUE;
    }
    return FALSE;
}

// Appends a control to an in-memory dialog template.
void AddItem(std::vector<WORD>* words, DWORD style, short y, WORD id, WORD classAtom)
{
    while (words->size() % 2) words->push_back(0);  // DWORD alignment
    DLGITEMTEMPLATE item = {style | WS_CHILD | WS_VISIBLE, 0, 5, y, 100, 12, id};
    const WORD* raw = reinterpret_cast<const WORD*>(&item);
    words->insert(words->end(), raw, raw + sizeof item / sizeof(WORD));
    words->push_back(0xFFFF);
    words->push_back(classAtom);
    words->push_back(0);  // no text
    words->push_back(0);  // no creation data
}

}  // namespace

TEST_F(MessageBoxSpy, LeavesOtherDialogsAlone)
{
    std::vector<WORD> words;
    DLGTEMPLATE header = {WS_POPUP | WS_CAPTION | DS_MODALFRAME, 0, 2, 10, 10, 120, 60};
    const WORD* raw = reinterpret_cast<const WORD*>(&header);
    words.insert(words.end(), raw, raw + sizeof header / sizeof(WORD));
    words.push_back(0);  // no menu
    words.push_back(0);  // the dialog class
    words.push_back(0);  // no title
    AddItem(&words, SS_LEFT, 5, 0xFFFF, 0x0082);       // static
    AddItem(&words, ES_AUTOHSCROLL, 20, 100, 0x0081);  // edit
    INT_PTR result = DialogBoxIndirectParamA(GetModuleHandleA(nullptr), reinterpret_cast<LPCDLGTEMPLATEA>(words.data()),
                                             owner_, SelfClosingDialog, 0);
    EXPECT_EQ(result, 42) << "the dialog was closed by someone else";
    EXPECT_TRUE(SpiedMessages().empty());
}

// ---------------------------------------------------------------------------
// Save, then load

TEST_F(SettingsFileWin, RoundTripRestoresStoredBlockTextsAndResults)
{
    const std::string longComment(MaxSettingsTextLength, 'c');
    const struct {
        const char* name;
        void (*fill)();
        const char* texts[SettingsTextCount];  // null: no text
        bool changedBeforeLoad;
    } cases[] = {
        {"worked example, CR LF texts",
         FillWorkedExampleFile,
         {"Ann Example\r\nObservatory Road 1", "Line one\r\nLine two\r\n", "\r\n\r\nAfter two empty lines\r\n\xE9t\xE9"},
         true},
        {"distinct values, no texts", FillDistinctValues, {nullptr, nullptr, nullptr}, false},
        {"extremes, longest comment", FillExtremes, {"A", nullptr, longComment.c_str()}, true},
    };
    // Every field of the stored block, to name the one that did not come back.
#define FIELD(name) {#name, offsetof(SettingsRecord, name), sizeof(SettingsRecord::name)}
    const struct {
        const char* name;
        std::size_t offset;
        std::size_t size;
    } fields[] = {
        FIELD(StarCount),        FIELD(PlanetShare),     FIELD(PopulationIShare),       FIELD(MultipleSystemShare),
        FIELD(HeavyElementShare), FIELD(DwarfShare),     FIELD(SunLikeShare),           FIELD(GiantShare),
        FIELD(EcoSingleProb),    FIELD(EcoDwarfProb),    FIELD(EcoSunLikeProb),         FIELD(EcoGiantProb),
        FIELD(PlanetInEcoProb),  FIELD(MassMixProb),     FIELD(OrbitAxisProb),          FIELD(LifeEvolvesProb),
        FIELD(FirstLifeYears),   FIELD(FirstCivilizationYears), FIELD(CivilizationSpanYears), FIELD(StarDistanceLy),
        FIELD(GalaxySizeRatio),  FIELD(GalaxyCount),     FIELD(Reserved),               FIELD(CurrentPage),
    };
#undef FIELD
    std::size_t covered = 0;
    for (const auto& field : fields) covered += field.size;
    ASSERT_EQ(covered, StoredBlockSize) << "the field list must cover the stored block";

    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ResetRecord();
        c.fill();
        SetText(&Settings.AuthorName, c.texts[0]);
        SetText(&Settings.AuthorAbout, c.texts[1]);
        SetText(&Settings.SettingsComments, c.texts[2]);
        ComputeResults();
        std::vector<unsigned char> results(ResultBytes(), ResultBytes() + ResultsSize);
        std::vector<unsigned char> block(StoredBlockBytes(), StoredBlockBytes() + StoredBlockSize);
        std::vector<unsigned char> image = ImageOfCurrentSettings();

        const std::string path = PathIn("round trip.hvd");
        SettingsChanged = true;
        ASSERT_TRUE(SaveSettings(path.c_str(), false));
        ExpectNoMessage();
        EXPECT_FALSE(SettingsChanged) << "a successful save clears the flag";
        EXPECT_EQ(ReadBytes(path), image) << "the file is not the image of the record";

        FillStaleRecord();
        SettingsChanged = c.changedBeforeLoad;
        ASSERT_TRUE(LoadSettings(path.c_str()));
        ExpectNoMessage();
        EXPECT_EQ(SettingsChanged, c.changedBeforeLoad) << "a load leaves the flag alone";

        for (const auto& field : fields) {
            SCOPED_TRACE(field.name);
            EXPECT_EQ(std::memcmp(StoredBlockBytes() + field.offset, block.data() + field.offset, field.size), 0);
        }
        const char* loaded[] = {Settings.AuthorName, Settings.AuthorAbout, Settings.SettingsComments};
        for (std::size_t i = 0; i < SettingsTextCount; ++i) {
            SCOPED_TRACE("text " + std::to_string(i));
            if (c.texts[i] == nullptr) {
                EXPECT_EQ(loaded[i], nullptr);
            } else {
                ASSERT_NE(loaded[i], nullptr);
                EXPECT_EQ(std::string(loaded[i]), c.texts[i]);
            }
        }
        EXPECT_EQ(std::memcmp(ResultBytes(), results.data(), ResultsSize), 0) << "the results were not recomputed";
    }
}

TEST_F(SettingsFileWin, WorkedExampleGivesItsResultsAfterLoad)
{
    FillWorkedExampleFile();
    const std::string path = PathIn("worked.hvd");
    ASSERT_TRUE(SaveSettings(path.c_str(), false));
    FillStaleRecord();
    ASSERT_TRUE(LoadSettings(path.c_str()));
    EXPECT_EQ(Settings.SuitableStarCount, 85938);
    EXPECT_EQ(Settings.InhabitedPlanetTotal, 5371);
    EXPECT_EQ(Settings.GalaxyCivilizationCount, 54);
    EXPECT_EQ(Settings.UniverseCivilizationCount, 5400000000000LL);
    EXPECT_EQ(Settings.GalaxyCivilizationExponent, 0);
    EXPECT_EQ(Settings.UniverseCivilizationExponent, 0);
    EXPECT_EQ(Settings.MaxYears, FixedMaxYears) << "the time base is not part of the file";
}

TEST_F(SettingsFileWin, EmptyTextsGiveTheSmallestFile)
{
    FillDistinctValues();
    SetText(&Settings.AuthorName, "");  // an empty text is held as none
    const std::string path = PathIn("small.hvd");
    ASSERT_TRUE(SaveSettings(path.c_str(), false));
    std::vector<unsigned char> bytes = ReadBytes(path);
    ASSERT_EQ(bytes.size(), MinSettingsImageSize);
    for (std::size_t i = bytes.size() - 6; i < bytes.size(); ++i) EXPECT_EQ(bytes[i], 0) << "byte " << i;
    EXPECT_EQ(std::memcmp(bytes.data(), SettingsMagic, SettingsMagicSize), 0);
}

TEST_F(SettingsFileWin, LoadIgnoresBytesAfterTheThirdText)
{
    FillDistinctValues();
    SetText(&Settings.SettingsComments, "Last text");
    std::vector<unsigned char> image = ImageOfCurrentSettings();
    std::vector<unsigned char> block(StoredBlockBytes(), StoredBlockBytes() + StoredBlockSize);
    image.insert(image.end(), {'m', 'o', 'r', 'e', 0, 1, 2});
    const std::string path = PathIn("longer.hvd");
    ASSERT_TRUE(WriteBytes(path, image));
    FillStaleRecord();
    ASSERT_TRUE(LoadSettings(path.c_str()));
    ExpectNoMessage();
    EXPECT_EQ(std::memcmp(StoredBlockBytes(), block.data(), StoredBlockSize), 0);
    ASSERT_NE(Settings.SettingsComments, nullptr);
    EXPECT_STREQ(Settings.SettingsComments, "Last text");
    EXPECT_EQ(Settings.AuthorName, nullptr);
}

// ---------------------------------------------------------------------------
// Messages of a successful save

TEST_F(SettingsFileWin, SavedMessageOnlyWhenAskedAndOwnedByTheMainWindow)
{
    const struct {
        bool showMessages;
        bool mainWindow;
    } cases[] = {{true, true}, {true, false}, {false, true}, {false, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.showMessages ? "with" : "without") + " messages, " +
                     (c.mainWindow ? "main window" : "no main window"));
        ASSERT_TRUE(SpyOnMessageBoxes());
        MainWindowHandle = c.mainWindow ? owner_ : nullptr;
        SettingsChanged = true;
        FillWorkedExampleFile();
        const std::string path = PathIn("saved.hvd");
        EXPECT_TRUE(SaveSettings(path.c_str(), c.showMessages));
        EXPECT_FALSE(SettingsChanged);
        if (c.showMessages) {
            ExpectOneMessage(SavedText, ProgramCaption, MB_ICONINFORMATION, MainWindowHandle);
        } else {
            ExpectNoMessage();
        }
    }
}

// ---------------------------------------------------------------------------
// Saving over a protected file

TEST_F(SettingsFileWin, SaveOverReadOnlyFileMakesItWritableAndKeepsOtherAttributes)
{
    const struct {
        const char* name;
        DWORD attributes;
    } cases[] = {
        {"read-only", FILE_ATTRIBUTE_READONLY},
        {"read-only and hidden", FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN},
        {"read-only, hidden and archive", FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE},
        {"read-only, hidden and system", FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM},
        {"hidden", FILE_ATTRIBUTE_HIDDEN},
        {"system", FILE_ATTRIBUTE_SYSTEM},
    };
    FillDistinctValues();
    SetText(&Settings.AuthorName, "New author");
    const std::vector<unsigned char> image = ImageOfCurrentSettings();
    // In the case's folder a new file takes the old one's place; in one too
    // long for a new file beside it, the old file is written over.
    const std::string folders[] = {folder_, LongFolder(250)};
    for (std::size_t i = 0; i < 2 * std::size(cases); ++i) {
        const auto& c = cases[i % std::size(cases)];
        SCOPED_TRACE(std::string(c.name) + (i < std::size(cases) ? ", replaced" : ", in place"));
        ASSERT_TRUE(SpyOnMessageBoxes());
        const std::string path = folders[i / std::size(cases)] + "\\" + std::to_string(i) + ".hvd";
        ASSERT_TRUE(WriteBytes(path, {'o', 'l', 'd'}));
        ASSERT_TRUE(SetFileAttributesA(path.c_str(), c.attributes));
        ASSERT_EQ(GetFileAttributesA(path.c_str()) & c.attributes, c.attributes) << "attributes not set";
        SettingsChanged = true;
        EXPECT_TRUE(SaveSettings(path.c_str(), false));
        ExpectNoMessage();
        EXPECT_FALSE(SettingsChanged);
        EXPECT_EQ(ReadBytes(path), image);
        DWORD after = GetFileAttributesA(path.c_str());
        ASSERT_NE(after, INVALID_FILE_ATTRIBUTES);
        EXPECT_EQ(after & FILE_ATTRIBUTE_READONLY, 0u) << "still read-only";
        DWORD kept = c.attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE);
        EXPECT_EQ(after & kept, kept) << "lost attributes, now 0x" << std::hex << after;
        EXPECT_TRUE(WriteBytes(path, {'x'})) << "the file is not writable";
    }
}

// ---------------------------------------------------------------------------
// Failures

TEST_F(SettingsFileWin, SaveIntoMissingFolderFailsAndChangesNothing)
{
    const bool showMessageCases[] = {false, true};
    for (bool showMessages : showMessageCases) {
        SCOPED_TRACE(showMessages ? "with messages" : "without messages");
        ASSERT_TRUE(SpyOnMessageBoxes());
        MainWindowHandle = owner_;
        FillWorkedExampleFile();
        SetText(&Settings.AuthorName, "Kept");
        Settings.SettingsFileTime = 0x0102030405060708ULL;
        SettingsChanged = true;
        RecordSnapshot before = TakeSnapshot();
        const std::string path = PathIn("no such folder\\settings.hvd");
        EXPECT_FALSE(SaveSettings(path.c_str(), showMessages));
        if (showMessages) {
            ExpectOneMessage(NotSavedText, ProgramCaption, MB_ICONERROR, owner_);
        } else {
            ExpectNoMessage();
        }
        EXPECT_TRUE(SettingsChanged) << "a failed save must not clear the flag";
        ExpectRecordUnchanged(before);
        EXPECT_FALSE(FileExists(path));
    }
}

// A name that is a folder: the save fails, and the folder keeps its
// read-only attribute (only a file's is cleared for rewriting it).
TEST_F(SettingsFileWin, SaveOntoAFolderFailsAndLeavesItsAttributes)
{
    ASSERT_TRUE(SpyOnMessageBoxes());
    MainWindowHandle = owner_;
    FillWorkedExampleFile();
    const std::string path = PathIn("folder.hvd");
    ASSERT_TRUE(CreateDirectoryA(path.c_str(), nullptr));
    // Wine keeps no read-only attribute on a folder: there the attributes
    // are only seen to stay as they were.
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY);
    const DWORD before = GetFileAttributesA(path.c_str());
    ASSERT_TRUE(before & FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_FALSE(SaveSettings(path.c_str(), true));
    ExpectOneMessage(NotSavedText, ProgramCaption, MB_ICONERROR, owner_);
    EXPECT_EQ(GetFileAttributesA(path.c_str()), before);
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    RemoveDirectoryA(path.c_str());
}

TEST_F(SettingsFileWin, LoadOfMissingFileNamesThePathAndChangesNothing)
{
    // The start-up load passes a bare name, before the main window exists.
    struct CurrentDirectory {
        char previous[MAX_PATH];
        bool changed;
        explicit CurrentDirectory(const char* folder)
            : changed(GetCurrentDirectoryA(MAX_PATH, previous) > 0 && SetCurrentDirectoryA(folder))
        {
        }
        ~CurrentDirectory()
        {
            if (changed) SetCurrentDirectoryA(previous);  // else the folder could not be removed
        }
    } inFolder(folder_.c_str());
    ASSERT_TRUE(inFolder.changed);
    const struct {
        std::string path;
        bool mainWindow;
    } cases[] = {{PathIn("missing.hvd"), true}, {"Internal.hvd", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        ASSERT_TRUE(SpyOnMessageBoxes());
        MainWindowHandle = c.mainWindow ? owner_ : nullptr;
        FillStaleRecord();
        SettingsChanged = c.mainWindow;
        RecordSnapshot before = TakeSnapshot();
        EXPECT_FALSE(LoadSettings(c.path.c_str()));
        ExpectOneMessage(NotLoadedText, c.path, MB_ICONERROR, MainWindowHandle);
        ExpectRecordUnchanged(before);
        EXPECT_EQ(SettingsChanged, c.mainWindow);
    }
}

TEST_F(SettingsFileWin, DamagedFileIsRefusedAndChangesNothing)
{
    // The file the damages start from: texts of 3, 4 and 14 bytes.
    //   0 header, 32 stored block, 221 L1, 223 author, 226 L2, 228 about,
    //   232 L3, 234 comments, 248 end.
    SettingsRecord fileRecord;
    std::memset(&fileRecord, 0, sizeof fileRecord);
    fileRecord.StarCount = 77;
    fileRecord.CurrentPage = 2;
    const char* texts[] = {"Ann", "x\r\ny", "Line 1\r\nLine 2"};
    StoredText stored[SettingsTextCount];
    for (std::size_t i = 0; i < SettingsTextCount; ++i) {
        stored[i].bytes = reinterpret_cast<const unsigned char*>(texts[i]);
        stored[i].length = static_cast<std::uint16_t>(std::strlen(texts[i]));
    }
    std::vector<unsigned char> good(MaxSettingsImageSize);
    good.resize(EncodeSettingsImage(reinterpret_cast<const unsigned char*>(&fileRecord), stored, good.data()));
    ASSERT_EQ(good.size(), 248u);

    const struct {
        const char* name;
        std::size_t size;  // bytes kept
        int patchAt;       // -1: none
        unsigned char patch;
    } cases[] = {
        {"wrong first character", 248, 0, 'h'},
        {"other version number", 248, 30, '2'},
        {"no NUL after the magic", 248, 31, ' '},
        {"empty file", 0, -1, 0},
        {"cut inside the header", 31, -1, 0},
        {"header only", 32, -1, 0},
        {"cut inside the record", 132, -1, 0},
        {"one byte short of the record", 220, -1, 0},
        {"record without lengths", 221, -1, 0},
        {"cut inside the first length", 222, -1, 0},
        {"cut inside the author's name", 224, -1, 0},
        {"cut inside the second length", 227, -1, 0},
        {"cut inside the about text", 230, -1, 0},
        {"cut inside the third length", 233, -1, 0},
        {"cut inside the comments", 240, -1, 0},
        {"one byte short of the comments", 247, -1, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(SpyOnMessageBoxes());
        MainWindowHandle = owner_;
        std::vector<unsigned char> bytes(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(c.size));
        if (c.patchAt >= 0) bytes[static_cast<std::size_t>(c.patchAt)] = c.patch;
        const std::string path = PathIn("damaged.hvd");
        ASSERT_TRUE(WriteBytes(path, bytes));
        FillStaleRecord();
        SettingsChanged = true;
        RecordSnapshot before = TakeSnapshot();
        EXPECT_FALSE(LoadSettings(path.c_str()));
        ExpectOneMessage(NotLoadedText, ProgramCaption, MB_ICONERROR, owner_);
        ExpectRecordUnchanged(before);
        EXPECT_TRUE(SettingsChanged);
    }
    // The undamaged file loads, so the refusals above were the damages'.
    ASSERT_TRUE(SpyOnMessageBoxes());
    ASSERT_TRUE(WriteBytes(PathIn("good.hvd"), good));
    EXPECT_TRUE(LoadSettings(PathIn("good.hvd").c_str()));
    ExpectNoMessage();
    EXPECT_EQ(Settings.StarCount, 77);
    ASSERT_NE(Settings.SettingsComments, nullptr);
    EXPECT_STREQ(Settings.SettingsComments, "Line 1\r\nLine 2");
}

// ---------------------------------------------------------------------------
// The file time

TEST_F(SettingsFileWin, SettingsFileTimeIsTheFilesLastWriteTime)
{
    FillWorkedExampleFile();
    Settings.SettingsFileTime = 1;
    const std::string path = PathIn("timed.hvd");
    ASSERT_TRUE(SaveSettings(path.c_str(), false));
    std::uint64_t written = LastWriteTime(path);
    ASSERT_NE(written, 0u);
    EXPECT_EQ(Settings.SettingsFileTime, written) << "after a save";

    // 2 March 1998, 10:20:30.4567891 UTC: nothing the save could have set.
    const std::uint64_t chosen = 125333076304567891ULL;
    ASSERT_TRUE(SetLastWriteTime(path, chosen));
    ASSERT_EQ(LastWriteTime(path), chosen);
    FillStaleRecord();
    ASSERT_TRUE(LoadSettings(path.c_str()));
    EXPECT_EQ(Settings.SettingsFileTime, chosen) << "after a load";
    EXPECT_EQ(LastWriteTime(path), chosen) << "a load must not touch the file";
}

namespace {

// The names of the files in a folder, sorted.
std::vector<std::string> FileNames(const std::string& folder)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(found.cFileName);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace

// A program folder on a disk that runs full: Save over an existing file and
// Quit's save of "Internal.hvd" fail, each reported (Quit's too, without
// messages), the old files stay byte for byte and nothing else is left
// behind; one in a folder too long for a new file is not written in place
// either (not made: silent without messages). With room again all succeed
// and leave no new file behind. The disk is a small file system of the
// test's own (cmake/with-small-disk.sh).
TEST_F(SettingsFileWin, AFullDiskLeavesTheOldFilesAsTheyWere)
{
    const char* disk = std::getenv("HALV_SMALL_DISK");
    if (disk == nullptr) GTEST_SKIP() << "runs on a small disk of its own: the test settings_full_disk";
    std::string folder = std::string("Z:") + disk;
    std::replace(folder.begin(), folder.end(), '/', '\\');
    const std::string keep = folder + "\\keep.hvd";
    const std::string working = folder + "\\Internal.hvd";
    const std::string longFolder = folder + "\\" + std::string(250 - folder.size() - 1, 'f');
    const std::string inPlace = longFolder + "\\p.hvd";
    ASSERT_TRUE(CreateDirectoryA(longFolder.c_str(), nullptr));
    MainWindowHandle = owner_;
    FillWorkedExampleFile();
    ASSERT_TRUE(SaveSettings(keep.c_str(), false));
    ASSERT_TRUE(SaveSettings(working.c_str(), false));
    ASSERT_TRUE(SaveSettings(inPlace.c_str(), false));
    ASSERT_EQ(FileNames(folder), (std::vector<std::string>{"Internal.hvd", "keep.hvd"}));
    const std::vector<unsigned char> keptBytes = ReadBytes(keep);
    const std::vector<unsigned char> workingBytes = ReadBytes(working);
    const std::vector<unsigned char> inPlaceBytes = ReadBytes(inPlace);

    const std::string filler = folder + "\\filler";
    HANDLE file = CreateFileA(filler.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    const std::vector<char> chunk(4096, 'f');
    DWORD written = 0;
    int chunks = 0;
    while (WriteFile(file, chunk.data(), static_cast<DWORD>(chunk.size()), &written, nullptr) && written == chunk.size()) {
        ASSERT_LT(++chunks, 1000) << "the disk does not run full";
    }
    CloseHandle(file);
    // Comments that need more room than the old files had.
    SetText(&Settings.SettingsComments, std::string(6000, 'c').c_str());
    const std::vector<unsigned char> image = ImageOfCurrentSettings();
    const struct {
        const char* name;
        const std::string& path;
        bool showMessages;
        bool reported;
    } saves[] = {{"Save over keep.hvd", keep, true, true},
                 {"Quit's Internal.hvd", working, false, true},
                 {"in place, without messages", inPlace, false, false}};
    for (const auto& save : saves) {
        SCOPED_TRACE(save.name);
        ASSERT_TRUE(SpyOnMessageBoxes());
        SettingsChanged = true;
        EXPECT_FALSE(SaveSettings(save.path.c_str(), save.showMessages));
        if (save.reported) {
            ExpectOneMessage(NotSavedText, ProgramCaption, MB_ICONERROR, owner_);
        } else {
            ExpectNoMessage();
        }
        EXPECT_TRUE(SettingsChanged) << "a failed save must not clear the flag";
    }
    EXPECT_EQ(ReadBytes(keep), keptBytes);
    EXPECT_EQ(ReadBytes(working), workingBytes);
    EXPECT_EQ(ReadBytes(inPlace), inPlaceBytes);
    EXPECT_EQ(FileNames(folder), (std::vector<std::string>{"Internal.hvd", "filler", "keep.hvd"}));

    ASSERT_TRUE(DeleteFileA(filler.c_str()));
    for (const auto& save : saves) {
        SCOPED_TRACE(std::string(save.name) + ", with room again");
        ASSERT_TRUE(SpyOnMessageBoxes());
        EXPECT_TRUE(SaveSettings(save.path.c_str(), false));
        ExpectNoMessage();
        EXPECT_EQ(ReadBytes(save.path), image);
    }
    EXPECT_EQ(FileNames(folder), (std::vector<std::string>{"Internal.hvd", "keep.hvd"}));
    EXPECT_EQ(FileNames(longFolder), std::vector<std::string>{"p.hvd"});
    SetFileAttributesA(keep.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(keep.c_str());
    DeleteFileA(working.c_str());
    DeleteFileA(inPlace.c_str());
    RemoveDirectoryA(longFolder.c_str());
}

// A folder of 250 characters leaves no room for GetTempFileNameA's names
// (Windows also refuses a new file where the folder's permissions say so):
// the file is written in place, new or old, and cut to the new length.
TEST_F(SettingsFileWin, SaveWhereNoNewFileCanBeMadeWritesTheFileInPlace)
{
    const std::string folder = LongFolder(250);
    const std::string path = folder + "\\p.hvd";
    const char* const comments[] = {"A first, longer comment", nullptr};
    for (const char* comment : comments) {
        SCOPED_TRACE(comment ? "a new file" : "a shorter image over it");
        FillDistinctValues();
        SetText(&Settings.SettingsComments, comment);
        EXPECT_TRUE(SaveSettings(path.c_str(), false));
        EXPECT_EQ(ReadBytes(path), ImageOfCurrentSettings());
        EXPECT_EQ(Settings.SettingsFileTime, LastWriteTime(path));
    }
    ExpectNoMessage();
    EXPECT_EQ(FileNames(folder), std::vector<std::string>{"p.hvd"});
}
