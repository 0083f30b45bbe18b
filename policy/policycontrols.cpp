// The controls of the policy dialogs: number lists, check boxes, title and texts, the buttons
// greyed without write access, enabling and focus, and typed numbers and texts.
#include "policy/policycontrols.h"

#include <limits.h>
#include <stdarg.h>
#include <stdio.h>
#include <string.h>

#include "app/shell.h"
#include "connection/target.h"
#include "policy/policykey.h"
#include "policy/policypage.h"
#include "resources/resource.h"

namespace {

enum { kShortNameChars = 17 };

int ListIndex(const NumberList &list, DWORD value)
{
    return (int)((BringIntoList(list, value) - list.lower) / list.step);
}

}  // namespace

void FillNumberList(HWND dialog, int controlId, const NumberList &list, DWORD stored)
{
    HWND combo = GetDlgItem(dialog, controlId);
    SendMessageA(combo, CB_RESETCONTENT, 0, 0);
    for (DWORD value = list.lower; value <= list.upper; value += list.step) {
        char number[16];
        snprintf(number, sizeof(number), "%d", (int)value);
        SendMessageA(combo, CB_ADDSTRING, 0, (LPARAM)number);
    }
    SelectListValue(dialog, controlId, list, stored);
}

void SelectListValue(HWND dialog, int controlId, const NumberList &list, DWORD value)
{
    SendDlgItemMessageA(dialog, controlId, CB_SETCURSEL, ListIndex(list, value), 0);
}

DWORD GetListValue(HWND dialog, int controlId, const NumberList &list)
{
    LRESULT index = SendDlgItemMessageA(dialog, controlId, CB_GETCURSEL, 0, 0);
    if (index == CB_ERR)
        return list.defaultValue;
    return BringIntoList(list, list.lower + (DWORD)index * list.step);
}

int GetCheck(HWND dialog, int controlId)
{
    return IsDlgButtonChecked(dialog, controlId) == BST_CHECKED ? 1 : 0;
}

int FlipCheck(HWND dialog, int controlId)
{
    int checked = !GetCheck(dialog, controlId);
    SetCheck(dialog, controlId, checked);
    return checked;
}

void SetCheck(HWND dialog, int controlId, BOOL checked)
{
    CheckDlgButton(dialog, controlId, checked ? BST_CHECKED : BST_UNCHECKED);
}

int InvertCheck(int value)
{
    return value <= 0 ? 1 : 0;
}

const char *GetShortComputerName()
{
    static char shortName[22];
    const char *name = Target().computerName;
    size_t length = strnlen(name, kNameChars);
    if (length <= kShortNameChars)
        snprintf(shortName, sizeof(shortName), "%s", name);
    else
        snprintf(shortName, sizeof(shortName), "%.*s...", (int)kShortNameChars, name);
    return shortName;
}

void SetPolicyTitle(HWND dialog, UINT nameId)
{
    char name[kTextChars];
    char title[kTextChars];
    LoadAppString(nameId, name);
    snprintf(title, sizeof(title), "%s %s - %s", PropertiesPrefix(), name, GetShortComputerName());
    SetWindowTextA(dialog, title);
}

void SetPolicyTexts(HWND dialog, const PolicyText *texts, int count)
{
    for (int i = 0; i < count; ++i)
        SetItemString(dialog, texts[i].controlId, texts[i].stringId);
}

void DisableOkAndDefaultWithoutAccess(HWND dialog)
{
    if (!GetWriteAccess()) {
        EnableWindow(GetDlgItem(dialog, IDOK), FALSE);
        EnableWindow(GetDlgItem(dialog, IDC_DEFAULT), FALSE);
    }
}

void EnablePolicyControls(HWND dialog, const int *controlIds, int count, BOOL enable)
{
    for (int i = 0; i < count; ++i)
        EnableWindow(GetDlgItem(dialog, controlIds[i]), enable);
}

void FocusPolicyControl(HWND dialog, int controlId)
{
    SendMessageA(dialog, WM_NEXTDLGCTL, (WPARAM)GetDlgItem(dialog, controlId), TRUE);
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

void RefuseTypedText(HWND dialog, int controlId, const char *defaultText, const char *format, ...)
{
    char reason[kTextChars];
    va_list arguments;
    va_start(arguments, format);
    vsnprintf(reason, sizeof(reason), format, arguments);
    va_end(arguments);
    ShowPolicyWarning(dialog, MB_ICONINFORMATION, "%s\nWill put the default back.", reason);
    SetDlgItemTextA(dialog, controlId, defaultText);
}
