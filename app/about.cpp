// The About box: program version, copyright and the registered owner of this computer.
#include "app/shell.h"
#include "resources/resource.h"

#include <windows.h>

#include <cstdio>

namespace {

const char kCurrentVersionKey[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";

enum { kIconWidth = 70, kRegisteredTextBytes = 601 };
const COLORREF kTransparentColour = RGB(0xFF, 0x00, 0xFF);

// The stored type is not looked at. A value that fills the buffer without a terminator is
// cut by one byte so it ends inside the buffer.
BOOL ReadRegisteredText(HKEY key, const char *name, char *text)
{
    DWORD size = kRegisteredTextBytes;
    ZeroMemory(text, kRegisteredTextBytes);
    if (RegQueryValueExA(key, name, nullptr, nullptr, (BYTE *)text, &size) != ERROR_SUCCESS) {
        return FALSE;
    }
    text[kRegisteredTextBytes - 1] = '\0';
    return text[0] != '\0';
}

void SetRegisteredItem(HWND dialog, HKEY key, const char *name, int controlId, const char *fallback)
{
    char text[kRegisteredTextBytes];
    BOOL found = key && ReadRegisteredText(key, name, text);
    SetDlgItemTextA(dialog, controlId, found ? text : fallback);
}

// The owner of the computer the program runs on, not of the selected one: the local
// registry, called directly. Read in the native view, where the system keeps it: a 32-bit
// program on 64-bit Windows would otherwise read the 32-bit view's copy, which may be missing or
// stale (the flag is ignored on 32-bit Windows).
void SetRegisteredOwner(HWND dialog)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kCurrentVersionKey, 0, KEY_READ | KEY_WOW64_64KEY, &key)
        != ERROR_SUCCESS) {
        key = nullptr;
    }
    SetRegisteredItem(dialog, key, "RegisteredOwner", IDC_ABOUT_OWNER, "Unknown user");
    SetRegisteredItem(dialog, key, "RegisteredOrganization", IDC_ABOUT_ORGANIZATION,
                      "Unknown organization");
    if (key) RegCloseKey(key);
}

void SetAboutTitle(HWND dialog)
{
    char programTitle[kTextChars];
    LoadAppString(IDS_APP_TITLE, programTitle);
    char title[kTextChars + 6];
    snprintf(title, sizeof(title), "About %s", programTitle);
    SetWindowTextA(dialog, title);
}

void InitAboutBox(HWND dialog)
{
    SetBitmapIcon(dialog, IDC_ABOUT_ICON, IDB_ABOUT_ICON, kIconWidth, kTransparentColour);
    SetItemString(dialog, IDC_ABOUT_VERSION, IDS_ABOUT_VERSION);
    SetItemString(dialog, IDC_ABOUT_COPYRIGHT, IDS_ABOUT_COPYRIGHT);
    SetRegisteredOwner(dialog);
    SetAboutTitle(dialog);
    UpdateWindow(dialog);
    SetFocus(GetDlgItem(dialog, IDOK));
}

}  // namespace

INT_PTR CALLBACK AboutDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        InitAboutBox(dialog);
        return 0;  // the focus is on OK already
    case WM_COMMAND:
        // Escape (IDCANCEL) leaves the box open: only OK or Enter ends it.
        if (LOWORD(wParam) != IDOK) return 0;
        EndDialog(dialog, 0);
        return 1;
    case WM_CLOSE:
        EndDialog(dialog, 0);
        return 1;
    case WM_DESTROY:
        // The static control does not own its icon: it is taken back and destroyed with the box.
        ReleaseItemIcon(dialog, IDC_ABOUT_ICON);
        return 0;
    }
    return 0;
}
