// What the dialogs with typed fields share: a typed text refused at OK, and check boxes set
// from a value.
#include "policy/policy.h"

#include <stdarg.h>
#include <stdio.h>
#include <string.h>

#include "connection/netcalls.h"
#include "resources/resource.h"

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
