// What the helper-based dialogs share beyond flags and numbers: a record of values read and
// written through GetKorvidRegValue and SetKorvidRegValue, typed fields refused at OK, and
// groups of controls that one setting switches on or off.
#include "policy/policy.h"

#include <stdarg.h>
#include <stdio.h>
#include <string.h>

#include "connection/netcalls.h"
#include "resources/resource.h"

namespace {

// Enter reaches a read-only dialog's disabled OK as a command too.
BOOL IsButtonEnabled(HWND dialog, int controlId)
{
    return IsWindowEnabled(GetDlgItem(dialog, controlId));
}

void *ValueIn(void *record, const HelperValue &value)
{
    return (char *)record + value.offset;
}

const void *ValueIn(const void *record, const HelperValue &value)
{
    return (const char *)record + value.offset;
}

}  // namespace

BOOL ReadHelperValues(HWND dialog, const PolicyKey &key, const HelperValue *values, int count,
                      void *record)
{
    HKEY handle;
    if (!OpenKeyForReading(dialog, key, &handle))
        return FALSE;
    for (int i = 0; i < count; ++i) {
        if (!GetKorvidRegValue(key.tag, handle, values[i].name, ValueIn(record, values[i]),
                               values[i].type)) {
            AbandonPolicyKey(dialog, handle);
            return FALSE;
        }
    }
    Net().RegCloseKey(handle);
    return TRUE;
}

void WriteHelperValues(HWND dialog, const PolicyKey &key, const HelperValue *values, int count,
                       const void *record)
{
    HKEY handle;
    if (!OpenKeyForWriting(dialog, key, KEY_WRITE, TRUE, &handle))
        return;
    for (int i = 0; i < count; ++i) {
        if (!SetKorvidRegValue(key.tag, handle, values[i].name, ValueIn(record, values[i]),
                               values[i].type)) {
            AbandonPolicyKey(dialog, handle);
            return;
        }
    }
    FinishPolicyWrites(dialog, handle);
}

void RefuseTypedText(HWND dialog, int controlId, const char *defaultText, const char *format, ...)
{
    char text[kTextChars];
    va_list arguments;
    va_start(arguments, format);
    vsnprintf(text, sizeof(text), format, arguments);
    va_end(arguments);
    size_t length = strlen(text);
    snprintf(text + length, sizeof(text) - length, "\nWill put the default back.");
    MessageBoxA(dialog, text, GetAppTitle(), MB_OK | MB_ICONINFORMATION);
    SetDlgItemTextA(dialog, controlId, defaultText);
}

void SetCheck(HWND dialog, int controlId, BOOL checked)
{
    CheckDlgButton(dialog, controlId, checked ? BST_CHECKED : BST_UNCHECKED);
}

void EnableControls(HWND dialog, const int *controlIds, int count, BOOL enable)
{
    for (int i = 0; i < count; ++i)
        EnableWindow(GetDlgItem(dialog, controlIds[i]), enable);
}

BOOL HandlePolicyButtons(HWND dialog, UINT message, WPARAM wParam, void (*writeValues)(HWND),
                         void (*showDefaults)(HWND))
{
    switch (message) {
    case WM_CLOSE:
        SendMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
            if (IsButtonEnabled(dialog, IDOK))
                writeValues(dialog);
            return TRUE;
        case IDCANCEL:
            EndPolicyDialog(dialog);
            return TRUE;
        case IDC_DEFAULT:
            if (IsButtonEnabled(dialog, IDC_DEFAULT))
                showDefaults(dialog);
            return TRUE;
        }
        break;
    }
    return FALSE;
}
