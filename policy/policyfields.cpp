// Pieces of the policy dialogs beyond flags and lists of numbers: controls that follow a switch,
// and string values held to the length of their fields.
#include "policy/policy.h"

#include <stdio.h>
#include <string.h>

#include "connection/netcalls.h"
#include "resources/resource.h"

namespace {

// The stored text over its field's limit: the user is told, and sees its beginning.
void WarnOfLongText(HWND dialog, const TextLimit &limit)
{
    char text[kTextChars];
    snprintf(text, sizeof(text), limit.warning, limit.limit, limit.limit);
    MessageBoxA(dialog, text, GetAppTitle(), MB_OK | MB_ICONHAND);
}

// A command of a disabled button (Enter reaching a read-only dialog) does nothing.
BOOL ButtonEnabled(HWND dialog, int controlId)
{
    return IsWindowEnabled(GetDlgItem(dialog, controlId));
}

}  // namespace

INT_PTR HandlePolicyMessages(const PolicyHandlers &handlers, const void *context, HWND dialog,
                             UINT message, WPARAM wParam)
{
    switch (message) {
    case WM_INITDIALOG:
        handlers.open(dialog, context);
        return 0;
    case WM_CLOSE:
        SendMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
        return 1;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
            if (ButtonEnabled(dialog, IDOK))
                handlers.write(dialog, context);
            return 1;
        case IDCANCEL:
            EndPolicyDialog(dialog);
            return 1;
        case IDC_DEFAULT:
            if (ButtonEnabled(dialog, IDC_DEFAULT))
                handlers.showDefaults(dialog, context);
            return 1;
        }
        return handlers.command && handlers.command(dialog, LOWORD(wParam), context);
    }
    return 0;
}

void EnablePolicyControls(HWND dialog, const int *controlIds, int count, BOOL enable)
{
    for (int i = 0; i < count; ++i)
        EnableWindow(GetDlgItem(dialog, controlIds[i]), enable);
}

BOOL QueryNumberedString(HWND dialog, const char *tag, HKEY handle, const char *name,
                         int queryStep, int typeStep, const TextLimit &limit, char *text)
{
    // One byte more than the query may fill: a text stored without a terminator still ends.
    static char buffer[kRegStringChars + 1];
    memset(buffer, 0, sizeof(buffer));
    DWORD size = kRegStringChars;
    DWORD type = 0;
    LONG status = Net().RegQueryValueExA(handle, name, NULL, &type, (BYTE *)buffer, &size);
    if (status != ERROR_SUCCESS) {
        ReportReadStatus(dialog, tag, queryStep, status);
        return FALSE;
    }
    if (strlen(buffer) > (size_t)limit.limit)
        WarnOfLongText(dialog, limit);
    if (type != REG_SZ) {
        ReportReadType(dialog, tag, typeStep, type);
        return FALSE;
    }
    snprintf(text, limit.limit + 1, "%s", buffer);
    return TRUE;
}

BOOL WriteNumberedString(HWND dialog, const char *tag, HKEY handle, const char *name, int step,
                         const char *text)
{
    LONG status = WriteRegString(handle, name, REG_SZ, text);
    if (status != ERROR_SUCCESS)
        ReportWriteStatus(dialog, tag, step, status);
    return status == ERROR_SUCCESS;
}
