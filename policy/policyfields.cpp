// The pieces that dialogs with procedures of their own share: the common commands, dependent
// controls, warnings under the program title, direct string values and typed numbers.
#include "policy/policy.h"

#include <limits.h>
#include <stdarg.h>
#include <stdio.h>
#include <string.h>

#include "connection/netcalls.h"
#include "resources/resource.h"

void EnablePolicyControls(HWND dialog, const int *controlIds, int count, BOOL enable)
{
    for (int i = 0; i < count; ++i)
        EnableWindow(GetDlgItem(dialog, controlIds[i]), enable);
}

void FocusPolicyControl(HWND dialog, int controlId)
{
    SendMessageA(dialog, WM_NEXTDLGCTL, (WPARAM)GetDlgItem(dialog, controlId), TRUE);
}

void ShowPolicyWarning(HWND owner, UINT icon, const char *format, ...)
{
    char text[kTextChars];
    va_list arguments;
    va_start(arguments, format);
    vsnprintf(text, sizeof(text), format, arguments);
    va_end(arguments);
    MessageBoxA(owner, text, GetAppTitle(), MB_OK | icon);
}

void ReportNamedReadStatus(HWND dialog, const char *tag, const char *word, LONG status)
{
    ShowPolicyMessage(dialog, "", "%s - WM_INITDIALOG %s 1, RegRet=%d", tag, word, (int)status);
}

void ReportNamedReadType(HWND dialog, const char *tag, const char *word, DWORD type)
{
    ShowPolicyMessage(dialog, "", "%s - WM_INITDIALOG %s 2, dwType=%d", tag, word, (int)type);
}

LONG QueryRegString(HKEY handle, const char *name, char *text, DWORD *type)
{
    // Zero-filled: a string stored without its terminator ends after its bytes.
    memset(text, 0, kRegStringChars);
    DWORD size = kRegStringChars;
    LONG status = Net().RegQueryValueExA(handle, name, NULL, type, (BYTE *)text, &size);
    if (status == ERROR_SUCCESS)
        status = EndStringInBuffer(text, kRegStringChars, size);
    if (status != ERROR_SUCCESS)
        text[0] = '\0';
    return status;
}

long ReadDecimalField(HWND dialog, int controlId)
{
    char text[kTextChars] = "";
    GetDlgItemTextA(dialog, controlId, text, sizeof(text));
    const char *next = text;
    while (*next == ' ' || *next == '\t')
        ++next;
    bool negative = *next == '-';
    if (*next == '-' || *next == '+')
        ++next;
    // Accumulated as a negative number so that LONG_MIN itself fits.
    long number = 0;
    for (; *next >= '0' && *next <= '9'; ++next) {
        int digit = *next - '0';
        if (number < (LONG_MIN + digit) / 10) {
            number = LONG_MIN;
            break;
        }
        number = number * 10 - digit;
    }
    if (negative)
        return number;
    return number < -LONG_MAX ? LONG_MAX : -number;
}
