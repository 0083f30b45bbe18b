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

BOOL HandlePolicyButtons(HWND dialog, UINT message, WPARAM wParam, void (*writeValues)(HWND),
                         void (*showDefaults)(HWND))
{
    switch (RoutePolicyCommand(dialog, message, wParam)) {
    case PolicyCommandAccept:
        writeValues(dialog);
        return TRUE;
    case PolicyCommandRestore:
        showDefaults(dialog);
        return TRUE;
    case PolicyCommandHandled:
        return TRUE;
    case PolicyCommandNone:
        break;
    }
    return FALSE;
}
