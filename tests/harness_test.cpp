// The harness itself: the stand-in select-computer dialog driven, message boxes recorded and answered,
// and the watchdog turning a window no step expected into a failure instead of a hang.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>

#include "app/shell.h"
#include "lab/labconfig.h"
#include "resources/resource.h"
#include "tests/support/harness.h"
#include "tests/support/harness_dialog.h"

namespace {

const UINT kSelectFlags = 0x001F0002;
const DWORD kSelectHelpContext = 1031;
enum { kSelectName = 100, kSelectList = 101 };

// The lab's computers, as the select dialog lists them.
void SetLabComputers(std::initializer_list<const char *> names)
{
    LabReset();
    for (const char *name : names)
        LabSetComputerDword(name, "Platform", 500);
}

typedef UINT(WINAPI *SelectDialogFunction)(HWND, UINT, LPWSTR, UINT, BOOL *, LPWSTR, DWORD);

struct Selection {
    UINT result = 99;
    BOOL ok = 77;
    std::wstring name;
};

// Calls the select-computer dialog of the ntlanman.dll found on the library path, as the program does.
Selection CallSelectDialog(UINT capacity = 603, wchar_t *buffer = nullptr)
{
    Selection selection;
    wchar_t own[603];
    if (!buffer) {
        std::fill(own, own + 603, L'#');
        buffer = own;
    }
    HMODULE library = LoadLibraryA("ntlanman.dll");
    EXPECT_TRUE(library != NULL) << "ntlanman.dll not found";
    if (!library)
        return selection;
    auto select = (SelectDialogFunction)(void *)GetProcAddress(library, "I_SystemFocusDialog");
    EXPECT_TRUE(select != NULL);
    if (select) {
        wchar_t helpFile[] = L"network.hlp";
        selection.result = select(NULL, kSelectFlags, buffer, capacity, &selection.ok, helpFile, kSelectHelpContext);
        if (selection.ok)
            selection.name.assign(buffer, wcsnlen(buffer, capacity));
    }
    FreeLibrary(library);
    return selection;
}

bool Contains(const std::vector<std::string> &messages, const std::string &part)
{
    for (const std::string &message : messages)
        if (message.find(part) != std::string::npos)
            return true;
    return false;
}

// What the sample dialog saw of the user.
struct SampleState {
    int checkClicks = 0, comboChanges = 0, editChanges = 0, listChanges = 0, defaults = 0;
    bool confirmOk = false;  // OK asks "Save the changes?" first; No keeps the dialog open
};

INT_PTR CALLBACK SampleDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    SampleState *state = (SampleState *)GetWindowLongPtrA(dialog, DWLP_USER);
    switch (message) {
    case WM_INITDIALOG:
        SetWindowLongPtrA(dialog, DWLP_USER, lParam);
        for (const char *entry : {"5", "10", "15"}) {
            SendDlgItemMessageA(dialog, IDC_SAMPLE_COMBO, CB_ADDSTRING, 0, (LPARAM)entry);
            SendDlgItemMessageA(dialog, IDC_SAMPLE_LIST, LB_ADDSTRING, 0, (LPARAM)entry);
        }
        SendDlgItemMessageA(dialog, IDC_SAMPLE_COMBO, CB_SETCURSEL, 0, 0);
        SendDlgItemMessageA(dialog, IDC_SAMPLE_EDIT, EM_LIMITTEXT, 4, 0);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_SAMPLE_CHECK:
            state->checkClicks++;
            CheckDlgButton(dialog, IDC_SAMPLE_CHECK, IsDlgButtonChecked(dialog, IDC_SAMPLE_CHECK) ? 0 : 1);
            return TRUE;
        case IDC_SAMPLE_COMBO:
            state->comboChanges += HIWORD(wParam) == CBN_SELCHANGE;
            return TRUE;
        case IDC_SAMPLE_EDIT:
            state->editChanges += HIWORD(wParam) == EN_CHANGE;
            return TRUE;
        case IDC_SAMPLE_LIST:
            state->listChanges += HIWORD(wParam) == LBN_SELCHANGE;
            return TRUE;
        case IDC_SAMPLE_DEFAULT:
            state->defaults++;
            return TRUE;
        case IDOK:
            if (state->confirmOk &&
                MessageBoxA(dialog, "Save the changes?", "Harness Sample", MB_YESNO | MB_ICONQUESTION) != IDYES)
                return TRUE;
            EndDialog(dialog, IDOK);
            return TRUE;
        case IDCANCEL:
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        }
        break;
    }
    return FALSE;
}

}  // namespace

TEST(HarnessSelect, TypedNameComesBackWithOk)
{
    SetLabComputers({"VELMOR-PDC", "NT-WKSTA"});
    Driver driver;
    driver.OnDialog("Select Computer", [](HWND dialog) {
        ASSERT_EQ(2, ComboCount(dialog, kSelectList));
        EXPECT_EQ("NT-WKSTA", ComboItem(dialog, kSelectList, 0));  // sorted
        EXPECT_EQ("VELMOR-PDC", ComboItem(dialog, kSelectList, 1));
        EXPECT_TRUE(Enabled(dialog, IDOK));
        TypeText(dialog, kSelectName, "\\\\SOMEWHERE");
        Click(dialog, IDOK);
    });
    Selection selection = CallSelectDialog();
    EXPECT_EQ(0u, selection.result);
    EXPECT_EQ(TRUE, selection.ok);
    EXPECT_EQ(L"\\\\SOMEWHERE", selection.name);
}

TEST(HarnessSelect, ListEntryFillsTheName)
{
    SetLabComputers({"VELMOR-PDC", "VELMOR-BDC", "WIN95-PC"});
    Driver driver;
    driver.OnDialog("Select Computer", [](HWND dialog) {
        PickIndex(dialog, kSelectList, 2);
        EXPECT_EQ("WIN95-PC", ItemText(dialog, kSelectName));
        PickIndex(dialog, kSelectList, 0);
        EXPECT_EQ("VELMOR-BDC", ItemText(dialog, kSelectName));
        EXPECT_EQ("VELMOR-BDC", ComboText(dialog, kSelectList));
        Click(dialog, IDOK);
    });
    EXPECT_EQ(L"VELMOR-BDC", CallSelectDialog().name);
}

TEST(HarnessSelect, SelectInLabTypesAndPressesOk)
{
    SetLabComputers({"VELMOR-PDC"});
    Driver driver;
    driver.SelectInLab("velmor-pdc");
    Selection selection = CallSelectDialog();
    EXPECT_EQ(TRUE, selection.ok);
    EXPECT_EQ(L"velmor-pdc", selection.name);
}

TEST(HarnessSelect, CancelAndCloseBoxClearTheOkFlag)
{
    SetLabComputers({"VELMOR-PDC"});
    Driver driver;
    driver.CancelSelect().OnDialog("Select Computer", [](HWND dialog) {
        TypeText(dialog, kSelectName, "VELMOR-PDC");
        CloseBox(dialog);
    });
    wchar_t buffer[603];
    std::fill(buffer, buffer + 603, L'#');
    Selection cancelled = CallSelectDialog(603, buffer);
    EXPECT_EQ(0u, cancelled.result);
    EXPECT_EQ(FALSE, cancelled.ok);
    Selection closed = CallSelectDialog(603, buffer);
    EXPECT_EQ(FALSE, closed.ok);
    EXPECT_EQ(L'#', buffer[0]) << "a cancelled dialog leaves the buffer alone";
}

TEST(HarnessSelect, NameIsCutToTheCapacity)
{
    SetLabComputers({});
    Driver driver;
    driver.SelectInLab("VELMOR-PDC").SelectInLab("VELMOR-PDC");
    wchar_t buffer[8];
    std::fill(buffer, buffer + 8, L'#');
    Selection five = CallSelectDialog(5, buffer);
    EXPECT_EQ(TRUE, five.ok);
    EXPECT_EQ(L"VELM", five.name);
    EXPECT_EQ(L'\0', buffer[4]);
    EXPECT_EQ(L'#', buffer[5]) << "nothing is written beyond the capacity";
    std::fill(buffer, buffer + 8, L'#');
    Selection one = CallSelectDialog(1, buffer);
    EXPECT_EQ(L'\0', buffer[0]);
    EXPECT_EQ(L'#', buffer[1]);
}

TEST(HarnessSelect, LibraryFoldersForTheMissingCases)
{
    {
        ScopedDllFolder folder(NoFuncDllFolder());
        HMODULE library = LoadLibraryA("ntlanman.dll");
        ASSERT_TRUE(library != NULL);
        EXPECT_TRUE(GetProcAddress(library, "I_SystemFocusDialog") == NULL);
        FreeLibrary(library);
    }
    // A system of its own ntlanman.dll (Windows, not Wine) finds it whatever folder the test names.
    char system[MAX_PATH] = "";
    GetSystemDirectoryA(system, MAX_PATH);
    std::string systemCopy = std::string(system) + "\\ntlanman.dll";
    if (GetFileAttributesA(systemCopy.c_str()) == INVALID_FILE_ATTRIBUTES) {
        ScopedDllFolder folder(EmptyDllFolder());
        HMODULE library = LoadLibraryA("ntlanman.dll");
        EXPECT_TRUE(library == NULL);
        if (library)
            FreeLibrary(library);
    }
    HMODULE library = LoadLibraryA("ntlanman.dll");
    ASSERT_TRUE(library != NULL) << "the lab folder is back after the scope";
    EXPECT_TRUE(GetProcAddress(library, "I_SystemFocusDialog") != NULL);
    FreeLibrary(library);
}

TEST(HarnessBoxes, RecordedAndAnswered)
{
    Driver driver;
    driver.OnMessageBox(IDYES, [](const BoxRecord &box) {
              EXPECT_EQ("VELMOR-PDC: The network path was not found.\nSelect another computer?", box.text);
              EXPECT_EQ("Korvid Administrator", box.caption);
              EXPECT_EQ((UINT)MB_ICONHAND, box.icon);
              EXPECT_EQ((std::vector<int>{IDYES, IDNO}), box.buttons);
              EXPECT_TRUE(box.owner == NULL);
          })
        .OnMessageBox(IDNO)
        .OnMessageBox(IDOK)
        .OnMessageBox(IDCANCEL);
    EXPECT_EQ(IDYES, MessageBoxA(NULL, "VELMOR-PDC: The network path was not found.\nSelect another computer?",
                                 "Korvid Administrator", MB_YESNO | MB_ICONHAND));
    EXPECT_EQ(IDNO, MessageBoxA(NULL, "Discard?", "Registry", MB_YESNO | MB_ICONQUESTION));
    EXPECT_EQ(IDOK, MessageBoxA(NULL, "Will put the default back.", "", MB_OK | MB_ICONEXCLAMATION));
    EXPECT_EQ(IDCANCEL, MessageBoxA(NULL, "Continue?", "Info", MB_OKCANCEL | MB_ICONASTERISK));

    const std::vector<BoxRecord> &boxes = driver.Boxes();
    ASSERT_EQ(4u, boxes.size());
    EXPECT_EQ((UINT)MB_ICONQUESTION, boxes[1].icon);
    EXPECT_EQ("Registry", boxes[1].caption);
    EXPECT_EQ((UINT)MB_ICONEXCLAMATION, boxes[2].icon);
    EXPECT_EQ((std::vector<int>{IDOK}), boxes[2].buttons);
    EXPECT_EQ("", boxes[2].caption);
    EXPECT_EQ((UINT)MB_ICONASTERISK, boxes[3].icon);
    EXPECT_EQ((std::vector<int>{IDOK, IDCANCEL}), boxes[3].buttons);
}

TEST(HarnessBoxes, NoIconIsZero)
{
    Driver driver;
    driver.OnMessageBox(IDOK);
    MessageBoxA(NULL, "plain", "caption", MB_OK);
    ASSERT_EQ(1u, driver.Boxes().size());
    EXPECT_EQ(0u, driver.Boxes()[0].icon);
}

TEST(HarnessBoxes, MissingButtonIsRefused)
{
    int answer = 0;
    std::vector<std::string> failures = CollectFailures([&answer] {
        Driver driver;
        driver.OnMessageBox(IDCANCEL);
        answer = MessageBoxA(NULL, "Select another computer?", "Korvid Administrator", MB_YESNO | MB_ICONHAND);
    });
    EXPECT_TRUE(Contains(failures, "refused to press button 2")) << ::testing::PrintToString(failures);
    EXPECT_EQ(IDYES, answer) << "the box is still closed, with its first button";
}

TEST(HarnessWatchdog, UnexpectedBoxFailsTheTest)
{
    int answer = 0;
    std::vector<std::string> unexpected;
    std::vector<std::string> failures = CollectFailures([&] {
        Driver driver;
        answer = MessageBoxA(NULL, "Try too many times!", "Korvid Administrator", MB_OK | MB_ICONHAND);
        unexpected = driver.Unexpected();
        EXPECT_EQ(1u, driver.Boxes().size()) << "an unexpected box is recorded too";
    });
    EXPECT_EQ(IDOK, answer);
    ASSERT_EQ(1u, unexpected.size());
    EXPECT_NE(std::string::npos, unexpected[0].find("Try too many times!"));
    EXPECT_TRUE(Contains(failures, "unexpected: message box \"Try too many times!\""));
}

// Runs the sample dialog under a driver given its steps; returns the failures that raised.
static std::vector<std::string> RunSampleFailing(const std::function<void(Driver &)> &steps, INT_PTR *result)
{
    SampleState state;
    return CollectFailures([&] {
        Driver driver;
        steps(driver);
        *result = RunDialog(IDD_HARNESS_SAMPLE, SampleDlgProc, NULL, (LPARAM)&state);
    });
}

TEST(HarnessWatchdog, UnexpectedDialogIsCancelledAndStepReported)
{
    INT_PTR result = 0;
    std::vector<std::string> failures = RunSampleFailing([](Driver &driver) { driver.OnMessageBox(IDOK); }, &result);
    EXPECT_EQ(IDCANCEL, result);
    EXPECT_TRUE(Contains(failures, "unexpected: dialog \"Harness Sample\", waiting for message box"));
    EXPECT_TRUE(Contains(failures, "never ran: message box answered 1"));
}

TEST(HarnessWatchdog, DeadlineEndsAStuckDialog)
{
    INT_PTR result = 0;
    std::vector<std::string> failures = RunSampleFailing(
        [](Driver &driver) {
            // Counted from inside the dialog: on a loaded machine its creation alone can take longer.
            driver.OnDialog("Harness Sample", [&driver](HWND dialog) {
                Click(dialog, IDC_SAMPLE_CHECK);
                driver.SetDeadline(200);
            });
        },
        &result);
    EXPECT_EQ(IDCANCEL, result);
    EXPECT_TRUE(Contains(failures, "deadline of 200 ms passed"));
    // What was showing then, so that a stuck run can be told from a slow one.
    EXPECT_TRUE(Contains(failures, "windows open:\n  #32770 \"Harness Sample\""));
    EXPECT_TRUE(Contains(failures, "tracked \"Harness Sample\" seen acted"));
}

TEST(HarnessDialog, ControlsDrivenAndReadBack)
{
    SampleState state;
    Driver driver;
    driver.OnDialog("Harness Sample", [](HWND dialog) {
        EXPECT_FALSE(Checked(dialog, IDC_SAMPLE_CHECK));
        Click(dialog, IDC_SAMPLE_CHECK);
        EXPECT_TRUE(Checked(dialog, IDC_SAMPLE_CHECK));

        EXPECT_EQ(3, ComboCount(dialog, IDC_SAMPLE_COMBO));
        EXPECT_EQ(0, ComboIndex(dialog, IDC_SAMPLE_COMBO));
        PickIndex(dialog, IDC_SAMPLE_COMBO, 2);
        EXPECT_EQ(2, ComboIndex(dialog, IDC_SAMPLE_COMBO));
        EXPECT_EQ("15", ComboText(dialog, IDC_SAMPLE_COMBO));

        PickIndex(dialog, IDC_SAMPLE_LIST, 1);
        EXPECT_EQ("10", ComboText(dialog, IDC_SAMPLE_LIST));

        TypeText(dialog, IDC_SAMPLE_EDIT, "123456");
        EXPECT_EQ("1234", ItemText(dialog, IDC_SAMPLE_EDIT)) << "typing stops at the edit's limit";

        EXPECT_FALSE(Visible(dialog, IDC_SAMPLE_HIDDEN));
        EXPECT_FALSE(Enabled(dialog, IDC_SAMPLE_DISABLED));
        EXPECT_TRUE(Enabled(dialog, IDC_SAMPLE_DEFAULT));
        Click(dialog, IDC_SAMPLE_DEFAULT);
        Click(dialog, IDOK);
    });
    EXPECT_EQ(IDOK, RunDialog(IDD_HARNESS_SAMPLE, SampleDlgProc, NULL, (LPARAM)&state));
    EXPECT_EQ(1, state.checkClicks);
    EXPECT_EQ(1, state.comboChanges);
    EXPECT_EQ(1, state.listChanges);
    EXPECT_EQ(1, state.editChanges);
    EXPECT_EQ(1, state.defaults);
}

TEST(HarnessDialog, HelpersReportWhatAUserCouldNotDo)
{
    SampleState state;
    std::vector<std::string> failures;
    Driver driver;
    driver.OnDialog("Harness Sample", [&failures](HWND dialog) {
        failures = CollectFailures([dialog] {
            Click(dialog, IDC_SAMPLE_DISABLED);
            Click(dialog, IDC_SAMPLE_HIDDEN);
            Click(dialog, 4242);
            PickIndex(dialog, IDC_SAMPLE_COMBO, 7);
        });
        Click(dialog, IDCANCEL);
    });
    EXPECT_EQ(IDCANCEL, RunDialog(IDD_HARNESS_SAMPLE, SampleDlgProc, NULL, (LPARAM)&state));
    EXPECT_EQ(4u, failures.size()) << ::testing::PrintToString(failures);
    EXPECT_TRUE(Contains(failures, "is disabled"));
    EXPECT_TRUE(Contains(failures, "is hidden"));
    EXPECT_TRUE(Contains(failures, "no control 4242"));
    EXPECT_TRUE(Contains(failures, "has no entry 7"));
    EXPECT_EQ(0, state.comboChanges);
}

TEST(HarnessDialog, NestedBoxesInsideADialogsAction)
{
    SampleState state;
    state.confirmOk = true;
    HWND sample = NULL;
    Driver driver;
    driver.OnDialog("Harness Sample", [&sample](HWND dialog) {
              sample = dialog;
              Click(dialog, IDOK);  // answered No: the dialog stays
              EXPECT_TRUE(IsWindowVisible(dialog));
              Click(dialog, IDOK);  // answered Yes: the dialog ends
          })
        .OnMessageBox(IDNO)
        .OnMessageBox(IDYES);
    EXPECT_EQ(IDOK, RunDialog(IDD_HARNESS_SAMPLE, SampleDlgProc, NULL, (LPARAM)&state));
    ASSERT_EQ(2u, driver.Boxes().size());
    EXPECT_EQ("Save the changes?", driver.Boxes()[0].text);
    EXPECT_TRUE(driver.Boxes()[0].owner == sample);
    EXPECT_TRUE(driver.Boxes()[1].owner == sample);
}

TEST(HarnessIdle, IdleStepsRunInTheProgramsOwnLoop)
{
    int answer = 0;
    Driver driver;
    driver.OnIdle([&answer] { answer = MessageBoxA(NULL, "From the main loop", "Idle", MB_OKCANCEL); })
        .OnMessageBox(IDCANCEL)
        .OnIdle([] { PostQuitMessage(0); });
    MSG message;
    while (GetMessageA(&message, NULL, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    EXPECT_EQ(IDCANCEL, answer);
    EXPECT_TRUE(driver.Done());
}

TEST(HarnessProgram, SelectionThenMainLoopThenExit)
{
    LabReset();
    ASSERT_TRUE(LabLoadDefaultNetwork());
    std::string title;
    Driver driver;
    driver.SelectInLab("VELMOR-PDC").OnIdle([&title] {
        title = Text(GetMainWindow());
        Command(GetMainWindow(), IDM_EXIT);
    });
    EXPECT_EQ(0, RunKorvidAdm(GetModuleHandleA(NULL)));
    EXPECT_EQ("Korvid Administrator - VELMOR-PDC", title);
    EXPECT_TRUE(driver.Boxes().empty());
}
