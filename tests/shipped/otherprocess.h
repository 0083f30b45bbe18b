// Finding and waiting for the windows of another process, for tests that drive a program from
// outside as a user would. Kept small and on its own so it can join a shared library of the kind.
#ifndef KORVID_TESTS_OTHERPROCESS_H
#define KORVID_TESTS_OTHERPROCESS_H

#include <windows.h>

#include <string>

// A visible top-level window of the process whose caption is exactly caption, or null.
HWND FindProcessWindow(DWORD processId, const char *caption);
// The same, waited for up to timeoutMs (polling); null when it did not come or the process ended.
HWND WaitForProcessWindow(HANDLE process, DWORD processId, const char *caption, DWORD timeoutMs);
// Whether the window has a visible child dialog (class #32770), waited for up to timeoutMs.
bool WaitForChildDialog(HWND window, HWND *child, DWORD timeoutMs);
// The text of a window of any process (WM_GETTEXT), at most 1023 characters.
std::string WindowText(HWND window);

#endif
