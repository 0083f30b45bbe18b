// The dialog driver and message box recorder for the tests.
//
// A Driver hooks the test thread (WH_CBT) to see every modal dialog and message box when it is first
// activated, and polls with a thread timer that fires inside every modal loop and inside the program's own
// main loop. Each step waits for its window and runs its action once, inside that window's modal loop,
// the way a user would act on it. Windows no step expects are recorded and closed by a watchdog, so a
// missed dialog fails the test instead of hanging it.
#ifndef KORVID_TEST_HARNESS_H
#define KORVID_TEST_HARNESS_H

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

struct BoxRecord {
    std::string text, caption;
    UINT icon;                 // 0 or MB_ICONHAND / MB_ICONQUESTION / MB_ICONEXCLAMATION / MB_ICONASTERISK
    std::vector<int> buttons;  // ids present among IDOK, IDCANCEL, IDYES, IDNO
    HWND owner;
};

class Driver {
public:
    Driver();
    ~Driver();  // EXPECTs every step ran and no unexpected window came; removes the hook and the timer
    Driver(const Driver &) = delete;
    Driver &operator=(const Driver &) = delete;

    // Steps run in order; each waits for its window. The action runs inside that window's modal loop, once.
    Driver &OnDialog(const std::string &caption, std::function<void(HWND)> act);  // caption equals (empty: any)
    Driver &OnMessageBox(int answer);                                           // record it, press answer
    Driver &OnMessageBox(int answer, std::function<void(const BoxRecord &)> check);
    Driver &OnIdle(std::function<void()> act);     // runs when no modal window of the test is open
    Driver &SelectInLab(const std::string &name);  // the stand-in "Select Computer" dialog: type name, press OK
    Driver &CancelSelect();                        // the stand-in dialog: press Cancel

    const std::vector<BoxRecord> &Boxes() const;   // every message box seen, in order
    std::vector<std::string> Unexpected() const;   // windows no step expected (the watchdog closed them)
    void SetDeadline(DWORD ms);                    // watchdog, default 15000 from now: then every loop ends
                                                   // (set again, it is armed anew)
    bool Done() const;                             // every step has run (its action has started)
    // For runs whose windows cannot be foreseen (a fuzz, a matrix of faults): every message box
    // no step expects is recorded and answered at once (OK, else No, else its first button), and every dialog
    // no step expects gets act, once, inside its loop. Nothing of that counts as unexpected.
    Driver &Improvise(std::function<void(HWND)> act);
    void SetTickMs(UINT ms);                       // the poll's period, 5 ms unless set

private:
    struct Step;
    struct Tracked;
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD);
    static LRESULT CALLBACK CbtHook(int code, WPARAM wParam, LPARAM lParam);
    void Track(HWND window);
    void Poll();
    void RunStep(size_t tracked);
    bool ImproviseOn(size_t tracked);
    void Watch(size_t tracked, const std::string &why);
    void CloseNext(size_t tracked);
    void EndMainLoop();

    std::vector<Step> steps_;
    size_t next_ = 0;
    std::vector<Tracked> windows_;
    std::vector<BoxRecord> boxes_;
    std::vector<std::string> unexpected_;
    HHOOK hook_ = NULL;
    UINT_PTR timer_ = 0;
    DWORD start_ = 0, deadline_ = 15000;
    bool expired_ = false, mainClosed_ = false;
    std::function<void(HWND)> improvise_;
};

// Runs a dialog of the test program's own resources (the program's .rc is linked into the test exe).
INT_PTR RunDialog(int dialogId, DLGPROC proc, HWND owner = NULL, LPARAM param = 0);

// Control helpers. Each fails the test (without ending it) when the control is missing; Click also when
// the button is disabled, as a user could not press it.
void Click(HWND dialog, int id);                       // BM_CLICK on a button (check boxes too)
void Command(HWND window, int id);                     // WM_COMMAND id (as a menu would)
void PickIndex(HWND dialog, int comboId, int index);   // CB_/LB_SETCURSEL + CBN_/LBN_SELCHANGE to the parent
void TypeText(HWND dialog, int editId, const char *text);  // set text + EN_CHANGE, cut to the edit's limit
void PressKey(HWND target, UINT vk);                   // WM_KEYDOWN then WM_KEYUP posted to target
void CloseBox(HWND window);                            // the close box: WM_SYSCOMMAND SC_CLOSE
// Whether a user's input can reach the window: it and every window it lies in are visible and
// enabled (no input reaches a disabled window, nor the controls inside one).
bool UserCanReach(HWND window);
// A user's attempt to press a button or choose a menu command: done as Click and Command do
// only when the user could reach it, otherwise nothing happens. True when it was done.
bool ClickAsUser(HWND dialog, int id);
bool ChooseAsUser(HWND window, int menuId);
std::string Text(HWND window);
std::string ItemText(HWND dialog, int id);
bool Checked(HWND dialog, int id);
bool Enabled(HWND dialog, int id);
bool Visible(HWND dialog, int id);
// Drop-down lists and list boxes alike.
int ComboIndex(HWND dialog, int id);
std::string ComboText(HWND dialog, int id);
int ComboCount(HWND dialog, int id);
std::string ComboItem(HWND dialog, int id, int index);  // the text of one entry

// Where the select-computer library is looked for (SetDllDirectoryA folders).
std::string TestExeFolder();  // build/tests
std::string LabDllFolder();   // build/lab: the stand-in ntlanman.dll (the test program's default)
std::string NoFuncDllFolder();  // build/tests/nofunc: an ntlanman.dll without I_SystemFocusDialog
std::string EmptyDllFolder();   // build/tests/empty: no ntlanman.dll at all (created on first use)

// Points the library search at a folder for one scope, then back at the lab folder.
class ScopedDllFolder {
public:
    explicit ScopedDllFolder(const std::string &folder);
    ~ScopedDllFolder();
    ScopedDllFolder(const ScopedDllFolder &) = delete;
    ScopedDllFolder &operator=(const ScopedDllFolder &) = delete;
};

// Runs body and returns the messages of the GoogleTest failures it raised, which do not fail the
// current test: for tests that show a fault is reported.
std::vector<std::string> CollectFailures(const std::function<void()> &body);

#endif
