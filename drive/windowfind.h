// Finding, waiting for and reading windows, from the same process or from another one.
//
// Shared by the test harness (tests/support/harness.cpp), the start-up benchmark (bench/benchdriver.cpp)
// and the tour (tour/tourdriver.cpp), and open to any test that drives korvidadm.exe or korvidpol.exe
// from outside. It links user32 only and is built whether or not the tests are.
//
// Every wait is bounded: it polls its condition every pollMs (kPollMs unless given) until the
// condition holds or timeoutMs have passed, and tells which happened. No wait sleeps once the
// condition holds, and none sleeps at all when it holds at the first look.
#ifndef KORVID_DRIVE_WINDOWFIND_H
#define KORVID_DRIVE_WINDOWFIND_H

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

const DWORD kPollMs = 10;  // the default period of every wait's poll

// Which windows a search accepts. Every field left at its default accepts any window; the ones set
// must all hold. A query for the test thread's own windows sets threadId, for another program's
// processId.
struct WindowQuery {
    DWORD processId = 0;        // the window's process (0: any)
    DWORD threadId = 0;         // the window's thread (0: any); a top-level search lists that thread's only
    std::string className;      // exact class name, e.g. "#32770" (empty: any)
    std::string caption;        // exact window text (empty: any)
    bool visible = true;        // only visible windows
    bool enabled = false;       // only enabled windows (a message box leaves the window behind it disabled)
    HWND exclude = NULL;        // never this window
    int childId = 0;            // only windows with a direct child of this id (0: no such condition)
    std::function<bool(HWND)> also;  // a further condition of the caller's (empty: none)
};

// Whether window satisfies every condition of query.
bool MatchesQuery(HWND window, const WindowQuery &query);

// The first top-level window, in z-order, that query accepts; NULL when none.
HWND FindTopLevel(const WindowQuery &query);

// Every top-level window query accepts, in z-order (with threadId set, that thread's, as
// EnumThreadWindows lists them).
std::vector<HWND> TopLevelWindows(const WindowQuery &query);

// The first window below parent, at any depth, that query accepts; NULL when none or parent is NULL.
HWND FindDescendant(HWND parent, const WindowQuery &query);

// The first control below parent, at any depth, with this id (GetDlgItem looks at direct children
// only); NULL when none.
HWND FindChildById(HWND parent, int id);

// Asks condition at once and then every pollMs until it holds (true) or timeoutMs have passed
// (false); the last question comes at or after the deadline, so a wait that fails saw it false then.
bool WaitUntil(const std::function<bool()> &condition, DWORD timeoutMs, DWORD pollMs = kPollMs);

// FindTopLevel, polled until it finds a window or timeoutMs have passed (then NULL).
HWND WaitForTopLevel(const WindowQuery &query, DWORD timeoutMs, DWORD pollMs = kPollMs);

// FindDescendant, polled until it finds a window or timeoutMs have passed (then NULL).
HWND WaitForDescendant(HWND parent, const WindowQuery &query, DWORD timeoutMs, DWORD pollMs = kPollMs);

// Waits until window is destroyed or hidden; false when it was still shown after timeoutMs.
bool WaitUntilGone(HWND window, DWORD timeoutMs, DWORD pollMs = kPollMs);

// Returns once window's thread has handled every message sent or posted to it before (one WM_NULL sent
// and answered): a round trip. False when the thread did not answer within timeoutMs or the window is gone.
bool WaitUntilIdle(HWND window, DWORD timeoutMs);

// Looks at window (look() gives what it shows: its pixels, say) until two looks a round trip
// (WaitUntilIdle) and pollMs apart agree: a window whose looks no longer change has painted and
// settled. The last look goes to *settled. False when the looks still changed after timeoutMs.
bool WaitUntilSettled(HWND window, const std::function<std::vector<BYTE>()> &look, std::vector<BYTE> *settled,
                      DWORD timeoutMs, DWORD pollMs = kPollMs);

// The window's class name; "" for NULL or a destroyed window.
std::string WindowClass(HWND window);

// Whether window is a dialog or message box (class "#32770").
bool IsDialogWindow(HWND window);

// The window's text as GetWindowTextA gives it, of any length: for a window of this process its text,
// for another process's a top-level caption ("" for NULL).
std::string WindowText(HWND window);

// A control's text in any process, asked with WM_GETTEXT (which the system carries across processes);
// "" when the control is gone or its thread does not answer within timeoutMs.
std::string ControlText(HWND control, DWORD timeoutMs = 5000);

// One entry of a list box of any process, asked in UTF-16 (across processes Wine hands back a list
// box's text in UTF-16 whichever is asked) and given in the ANSI code page; "" when there is no
// such entry or it is longer than 1023 characters.
std::string ListBoxItemText(HWND list, int index);

#endif
