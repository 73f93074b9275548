#include "tests/wizard/wizard_driver.h"

#include <cstdint>
#include <limits>
#include <vector>

#include "model/settings_record.h"
#include "resources/resource_ids.h"
#include "wizard/settings_wizard.h"
#include "wizard/wizard_frame.h"

const char* const PageCaptions[6] = {"",
                                     "Step 1 of 5: Stars in our Galaxy #1",
                                     "Step 2 of 5: Stars in our Galaxy #2",
                                     "Step 3 of 5: Habitable Planets",
                                     "Step 4 of 5: Advanced Civilizations",
                                     "Step 5 of 5: Textual Settings Description"};
const int FirstEditOf[6] = {0, IDC_STAR_COUNT, IDC_DWARF_SHARE, IDC_PLANET_IN_ECO_PROB, IDC_FIRST_LIFE_YEARS,
                            IDC_AUTHOR_NAME};
const int LastEditOf[6] = {0, IDC_HEAVY_ELEMENT_SHARE, IDC_ECO_GIANT_PROB, IDC_LIFE_EVOLVES_PROB, IDC_GALAXY_COUNT,
                           IDC_SETTINGS_COMMENTS};

namespace {

const UINT TickMilliseconds = 10;
const DWORD RunLimitMilliseconds = 20000;

const std::vector<WizardStep>* Steps = nullptr;
std::size_t NextStep = 0;
bool StepRunning = false;
bool LeftOpen = false;
DWORD StartTick = 0;

void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD)
{
    HWND frame = WizardFrameHandle;
    // The dialog manager shows the frame when its queue first runs empty.
    if (StepRunning || Steps == nullptr || frame == nullptr || !IsWindowVisible(frame) || !IsWindowEnabled(frame)) return;
    if (NextStep >= Steps->size() || GetTickCount() - StartTick > RunLimitMilliseconds) {
        LeftOpen = true;
        EndDialog(frame, IDCANCEL);
        return;
    }
    // The wizard takes the keys only while it is in front.
    if (GetForegroundWindow() != frame) SetForegroundWindow(frame);
    StepRunning = true;
    (*Steps)[NextStep++]();
    StepRunning = false;
}

// The frame is activated inside its WM_INITDIALOG, before its page exists:
// then it holds only buttons and a static with id -1, which is what the
// message box spy takes for a message box (it would answer it with OK).
// This hook, set after the spy's and so called before it, keeps the
// frame's activations from the spy.
HHOOK FrameActivationHook = nullptr;

LRESULT CALLBACK HideFrameActivation(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_ACTIVATE && WizardFrameHandle != nullptr && reinterpret_cast<HWND>(wParam) == WizardFrameHandle) {
        return 0;  // allowed, and not passed on
    }
    return CallNextHookEx(FrameActivationHook, code, wParam, lParam);
}

INPUT KeyInput(WORD virtualKey, bool up)
{
    INPUT input = {};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = virtualKey;
    input.ki.wScan = static_cast<WORD>(MapVirtualKeyA(virtualKey, MAPVK_VK_TO_VSC));
    switch (virtualKey) {
    case VK_LEFT: case VK_RIGHT: case VK_UP: case VK_DOWN: case VK_HOME: case VK_END:
        input.ki.dwFlags = KEYEVENTF_EXTENDEDKEY;
        break;
    default: break;
    }
    if (up) input.ki.dwFlags |= KEYEVENTF_KEYUP;
    return input;
}

INPUT MouseInput(DWORD flags, LONG x, LONG y)
{
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dx = (x * 65536 + GetSystemMetrics(SM_CXSCREEN) / 2) / GetSystemMetrics(SM_CXSCREEN);
    input.mi.dy = (y * 65536 + GetSystemMetrics(SM_CYSCREEN) / 2) / GetSystemMetrics(SM_CYSCREEN);
    input.mi.dwFlags = flags | MOUSEEVENTF_ABSOLUTE;
    return input;
}

}  // namespace

WizardRun DriveWizard(const std::vector<WizardStep>& steps, const std::function<void()>& open)
{
    Steps = &steps;
    NextStep = 0;
    StepRunning = false;
    LeftOpen = false;
    StartTick = GetTickCount();
    FrameActivationHook = SetWindowsHookExA(WH_CBT, HideFrameActivation, nullptr, GetCurrentThreadId());
    EXPECT_NE(FrameActivationHook, nullptr);
    UINT_PTR timer = SetTimer(nullptr, 0, TickMilliseconds, Tick);
    EXPECT_NE(timer, 0u);
    open();
    KillTimer(nullptr, timer);
    UnhookWindowsHookEx(FrameActivationHook);
    FrameActivationHook = nullptr;
    Steps = nullptr;
    EXPECT_EQ(WizardFrameHandle, nullptr) << "the wizard is still open";
    return {NextStep, LeftOpen};
}

HWND PageControl(int id)
{
    return GetDlgItem(WizardPageHandle, id);
}

HWND FrameButton(int id)
{
    return GetDlgItem(WizardFrameHandle, id);
}

void SetField(int id, const std::string& text)
{
    EXPECT_NE(PageControl(id), nullptr) << "no field " << id;
    SetDlgItemTextA(WizardPageHandle, id, text.c_str());
    // Marked as edited, as typing marks it: the wizard reads only edited fields.
    SendDlgItemMessageA(WizardPageHandle, id, EM_SETMODIFY, TRUE, 0);
}

std::string FieldText(int id)
{
    HWND control = PageControl(id);
    if (control == nullptr) return "<no field " + std::to_string(id) + ">";
    std::string text(static_cast<std::size_t>(GetWindowTextLengthA(control)) + 1, '\0');
    text.resize(static_cast<std::size_t>(GetWindowTextA(control, &text[0], static_cast<int>(text.size()))));
    return text;
}

std::string FrameCaption()
{
    char caption[128] = "";
    GetWindowTextA(WizardFrameHandle, caption, sizeof caption);
    return caption;
}

void PressButton(int id)
{
    ASSERT_NE(FrameButton(id), nullptr) << "no button " << id;
    SendMessageA(FrameButton(id), BM_CLICK, 0, 0);
}

void SendKey(WORD virtualKey, std::initializer_list<WORD> modifiers)
{
    std::vector<INPUT> inputs;
    for (WORD modifier : modifiers) inputs.push_back(KeyInput(modifier, false));
    inputs.push_back(KeyInput(virtualKey, false));
    inputs.push_back(KeyInput(virtualKey, true));
    for (auto it = modifiers.end(); it != modifiers.begin();) inputs.push_back(KeyInput(*--it, true));
    UINT sent = SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
    EXPECT_EQ(sent, inputs.size());
}

void ClickInField(int id)
{
    RECT area;
    ASSERT_TRUE(GetWindowRect(PageControl(id), &area)) << "no field " << id;
    LONG x = (area.left + area.right) / 2;
    LONG y = (area.top + area.bottom) / 2;
    INPUT inputs[] = {MouseInput(MOUSEEVENTF_MOVE, x, y), MouseInput(MOUSEEVENTF_LEFTDOWN, x, y),
                      MouseInput(MOUSEEVENTF_LEFTUP, x, y)};
    EXPECT_EQ(SendInput(3, inputs, sizeof(INPUT)), 3u);
}

void CancelWizard()
{
    SendMessageA(WizardFrameHandle, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
}

long double StoredValue(int id)
{
    typedef float SettingsRecord::*Real;
    typedef std::int64_t SettingsRecord::*Count;
    static const struct {
        int id;
        Real real;
        Count count;
    } Fields[] = {
        {IDC_STAR_COUNT, nullptr, &SettingsRecord::StarCount},
        {IDC_PLANET_SHARE, &SettingsRecord::PlanetShare, nullptr},
        {IDC_POPULATION_I_SHARE, &SettingsRecord::PopulationIShare, nullptr},
        {IDC_MULTIPLE_SYSTEM_SHARE, &SettingsRecord::MultipleSystemShare, nullptr},
        {IDC_HEAVY_ELEMENT_SHARE, &SettingsRecord::HeavyElementShare, nullptr},
        {IDC_DWARF_SHARE, &SettingsRecord::DwarfShare, nullptr},
        {IDC_SUN_LIKE_SHARE, &SettingsRecord::SunLikeShare, nullptr},
        {IDC_GIANT_SHARE, &SettingsRecord::GiantShare, nullptr},
        {IDC_ECO_SINGLE_PROB, &SettingsRecord::EcoSingleProb, nullptr},
        {IDC_ECO_DWARF_PROB, &SettingsRecord::EcoDwarfProb, nullptr},
        {IDC_ECO_SUN_LIKE_PROB, &SettingsRecord::EcoSunLikeProb, nullptr},
        {IDC_ECO_GIANT_PROB, &SettingsRecord::EcoGiantProb, nullptr},
        {IDC_PLANET_IN_ECO_PROB, &SettingsRecord::PlanetInEcoProb, nullptr},
        {IDC_MASS_MIX_PROB, &SettingsRecord::MassMixProb, nullptr},
        {IDC_ORBIT_AXIS_PROB, &SettingsRecord::OrbitAxisProb, nullptr},
        {IDC_LIFE_EVOLVES_PROB, &SettingsRecord::LifeEvolvesProb, nullptr},
        {IDC_FIRST_LIFE_YEARS, nullptr, &SettingsRecord::FirstLifeYears},
        {IDC_FIRST_CIVILIZATION_YEARS, nullptr, &SettingsRecord::FirstCivilizationYears},
        {IDC_CIVILIZATION_SPAN_YEARS, nullptr, &SettingsRecord::CivilizationSpanYears},
        {IDC_STAR_DISTANCE_LY, &SettingsRecord::StarDistanceLy, nullptr},
        {IDC_GALAXY_SIZE_RATIO, &SettingsRecord::GalaxySizeRatio, nullptr},
        {IDC_GALAXY_COUNT, nullptr, &SettingsRecord::GalaxyCount},
    };
    for (const auto& field : Fields) {
        if (field.id != id) continue;
        return field.real ? static_cast<long double>(Settings.*field.real) : static_cast<long double>(Settings.*field.count);
    }
    return std::numeric_limits<long double>::quiet_NaN();
}

int FocusedControl()
{
    HWND focus = GetFocus();
    if (focus == nullptr) return 0;
    HWND parent = GetParent(focus);
    if (parent != nullptr && (parent == WizardPageHandle || parent == WizardFrameHandle)) return GetDlgCtrlID(focus);
    return -1;
}

void WizardTest::SetUp()
{
    ProgramWindowTest::SetUp();
    if (HasFatalFailure()) return;
    WriteWorkingFile();
    StartProgram();
    WizardLeft = 0;
    WizardTop = 0;
    ShiftKeyDown = false;
}

bool WizardTest::RunWizard(std::uint8_t startPage, const std::vector<WizardStep>& steps)
{
    bool result = false;
    WizardRun run = DriveWizard(steps, [&] { result = RunSettingsWizard(startPage); });
    EXPECT_FALSE(run.leftOpen) << "the steps left the wizard open after " << run.stepsRun << " of " << steps.size();
    EXPECT_EQ(run.stepsRun, steps.size()) << "the wizard closed before the last step";
    return result;
}
