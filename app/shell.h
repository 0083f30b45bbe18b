// Module state of the application shell, reached by the other parts through accessors.
#ifndef KORVID_SHELL_H
#define KORVID_SHELL_H

#include <windows.h>
#include <shellapi.h>

#include <stdarg.h>

enum { kTextChars = 601 };  // loaded strings are cut to 600 characters

HINSTANCE GetAppInstance();
HWND GetMainWindow();
const char *GetAppTitle();
void EnableMainButtons(BOOL enable);
HWND GetPolicyList();
HWND GetPropertiesButton();
// Set by the Policy page when it is created.
void SetPolicyPageControls(HWND list, HWND propertiesButton);
int GetCurrentTab();

// The state a fresh process starts with, and the program title loaded: the first steps of the
// start-up, also used by tests that call the parts without the main window.
void InitShell(HINSTANCE instance);

// The start-up of the program: everything WinMain does; returns the exit code.
int RunKorvidAdm(HINSTANCE instance);
LRESULT CALLBACK MainWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Tools and About box (commands 23 to 26 and 29).
BOOL LaunchTool(HWND mainWindow, int commandId);
// CreateProcessA's status for a program whose manifest asks for elevation (not in mingw's headers).
enum { kElevationRequired = 740 };
// The two calls that start a tool: CreateProcessA, and ShellExecuteExA for a tool that needs
// elevation (CreateProcessA fails with ERROR_ELEVATION_REQUIRED).
struct ToolStartCalls {
    BOOL (WINAPI *createProcess)(LPCSTR application, LPSTR commandLine, LPSECURITY_ATTRIBUTES process,
                                 LPSECURITY_ATTRIBUTES thread, BOOL inheritHandles, DWORD flags,
                                 LPVOID environment, LPCSTR directory, LPSTARTUPINFOA startup,
                                 LPPROCESS_INFORMATION information);
    BOOL (WINAPI *shellExecute)(SHELLEXECUTEINFOA *info);
};
// A test's hook: replaces the calls that start the tools; null puts the system's own back.
void SetToolStartCalls(const ToolStartCalls *calls);
INT_PTR CALLBACK AboutDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Keeps the window that had the focus before a tool launch, a selection or the About box, or
// that gets it when a policy dialog ends; the main window gives it the focus on activation.
void SetSavedFocus(HWND window);
HWND GetSavedFocus();

// Where the main window goes: centred on a monitor's work area (signed halves, toward zero).
POINT ComputeCentredOrigin(const RECT &workArea, int windowWidth, int windowHeight);
// The work area of the primary monitor, where the main window is centred.
RECT GetPrimaryWorkArea();

// Loads a string of the string table into a buffer of kTextChars; a missing string is empty.
void LoadAppString(UINT id, char *buffer, int capacity = kTextChars);
// Sets a control's text to a string of the string table.
void SetItemString(HWND dialog, int controlId, UINT stringId);

// Every message box of the program: the text cut to 600 characters; the style as given, and
// task-modal without an owner, so that no window of the thread can be pressed while it shows.
// Returns the button pressed.
int ShowAppBox(HWND owner, const char *caption, UINT style, const char *format, ...)
    __attribute__((format(printf, 4, 5)));
int ShowAppBoxV(HWND owner, const char *caption, UINT style, const char *format, va_list arguments);

// Cuts the first image of width pixels out of a bitmap resource (mask the transparent colour)
// and gives it to an icon control. The control does not own it: ReleaseItemIcon destroys it.
void SetBitmapIcon(HWND dialog, int controlId, UINT bitmapId, int width, COLORREF mask);
void ReleaseItemIcon(HWND dialog, int controlId);

#endif
