// ntlanman.dll of the lab network: a stand-in for the system's select-computer dialog. It offers the
// lab computers (HKCU\Software\Korvid Lab\Computers) and returns the name typed or picked.
//
// KORVID_LAB_AUTOSELECT: when set, the dialog puts that name in the edit field and presses OK by
// itself after about a second, so that run.sh can show the program on a display nobody watches.
#include <windows.h>

#include "select.h"

namespace {

const wchar_t kComputersKey[] = L"Software\\Korvid Lab\\Computers";
const wchar_t kAutoSelectVariable[] = L"KORVID_LAB_AUTOSELECT";
const UINT_PTR kAutoSelectTimer = 1;
const UINT kAutoSelectMs = 1000;
const DWORD kNameChars = 256;  // a registry key name has at most 255

struct SelectRequest {
    LPWSTR name;
    UINT capacity;
};

HMODULE GetLibraryModule()
{
    HMODULE module = NULL;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       (LPCWSTR)&GetLibraryModule, &module);
    return module;
}

void FillComputerList(HWND list)
{
    HKEY computers;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kComputersKey, 0, KEY_READ, &computers) != ERROR_SUCCESS)
        return;
    wchar_t name[kNameChars];
    for (DWORD index = 0;; ++index) {
        DWORD length = kNameChars;
        if (RegEnumKeyExW(computers, index, name, &length, NULL, NULL, NULL, NULL) != ERROR_SUCCESS)
            break;
        SendMessageW(list, LB_ADDSTRING, 0, (LPARAM)name);
    }
    RegCloseKey(computers);
}

void CopySelectedName(HWND dialog)
{
    HWND list = GetDlgItem(dialog, IDC_SELECT_LIST);
    LRESULT index = SendMessageW(list, LB_GETCURSEL, 0, 0);
    if (index == LB_ERR || SendMessageW(list, LB_GETTEXTLEN, index, 0) >= (LRESULT)kNameChars)
        return;
    wchar_t name[kNameChars];
    SendMessageW(list, LB_GETTEXT, index, (LPARAM)name);
    SetDlgItemTextW(dialog, IDC_SELECT_NAME, name);
}

// The caller's buffer holds capacity units with the terminator: a longer name is cut.
void ReturnName(HWND dialog, const SelectRequest *request)
{
    if (!request->name || request->capacity == 0)
        return;
    HWND edit = GetDlgItem(dialog, IDC_SELECT_NAME);
    int length = GetWindowTextLengthW(edit);
    wchar_t *text = (wchar_t *)LocalAlloc(LPTR, (length + 1) * sizeof(wchar_t));
    if (!text) {
        request->name[0] = L'\0';
        return;
    }
    GetWindowTextW(edit, text, length + 1);
    UINT count = 0;
    for (; count + 1 < request->capacity && text[count]; ++count)
        request->name[count] = text[count];
    request->name[count] = L'\0';
    LocalFree(text);
}

void StartAutoSelect(HWND dialog)
{
    wchar_t name[kNameChars];
    DWORD length = GetEnvironmentVariableW(kAutoSelectVariable, name, kNameChars);
    if (length == 0 || length >= kNameChars)
        return;
    HWND list = GetDlgItem(dialog, IDC_SELECT_LIST);
    LRESULT index = SendMessageW(list, LB_FINDSTRINGEXACT, (WPARAM)-1, (LPARAM)name);
    if (index != LB_ERR)
        SendMessageW(list, LB_SETCURSEL, index, 0);
    SetDlgItemTextW(dialog, IDC_SELECT_NAME, name);
    SetTimer(dialog, kAutoSelectTimer, kAutoSelectMs, NULL);
}

INT_PTR CALLBACK SelectComputerProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        FillComputerList(GetDlgItem(dialog, IDC_SELECT_LIST));
        StartAutoSelect(dialog);
        return TRUE;
    case WM_TIMER:
        if (wParam == kAutoSelectTimer) {
            KillTimer(dialog, kAutoSelectTimer);
            SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), (LPARAM)GetDlgItem(dialog, IDOK));
        }
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_SELECT_LIST:
            if (HIWORD(wParam) == LBN_SELCHANGE)
                CopySelectedName(dialog);
            return TRUE;
        case IDOK:
            ReturnName(dialog, (const SelectRequest *)GetWindowLongPtrW(dialog, DWLP_USER));
            KillTimer(dialog, kAutoSelectTimer);
            EndDialog(dialog, IDOK);
            return TRUE;
        case IDCANCEL:
            KillTimer(dialog, kAutoSelectTimer);
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        }
        break;
    }
    return FALSE;
}

}  // namespace

// The symbol carries no stdcall decoration, so the plain name in ntlanman.def matches it on i686 too.
#define LAB_STRING(x) LAB_STRING2(x)
#define LAB_STRING2(x) #x
extern "C" UINT WINAPI I_SystemFocusDialog(HWND owner, UINT flags, LPWSTR name, UINT capacity, BOOL *okPressed,
                                           LPWSTR helpFile, DWORD helpContext)
    __asm__(LAB_STRING(__USER_LABEL_PREFIX__) "I_SystemFocusDialog");

// The flags (which kinds of computer to browse), the help file and its context change nothing here.
extern "C" UINT WINAPI I_SystemFocusDialog(HWND owner, UINT, LPWSTR name, UINT capacity, BOOL *okPressed,
                                           LPWSTR, DWORD)
{
    SelectRequest request = {name, capacity};
    INT_PTR result = DialogBoxParamW(GetLibraryModule(), MAKEINTRESOURCEW(IDD_SELECT_COMPUTER), owner,
                                     SelectComputerProc, (LPARAM)&request);
    if (okPressed)
        *okPressed = result == IDOK;
    return 0;
}
