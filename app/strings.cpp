#include "app/shell.h"

#include <stdio.h>

void LoadAppString(UINT id, char *buffer, int capacity)
{
    buffer[0] = '\0';
    if (LoadStringA(GetAppInstance(), id, buffer, capacity) <= 0)
        buffer[0] = '\0';
}

void SetItemString(HWND dialog, int controlId, UINT stringId)
{
    char text[kTextChars];
    LoadAppString(stringId, text);
    SetDlgItemTextA(dialog, controlId, text);
}

int ShowAppBoxV(HWND owner, const char *caption, UINT style, const char *format, va_list arguments)
{
    char text[kTextChars];
    vsnprintf(text, sizeof(text), format, arguments);
    // A box without owner disables no window of its own: task-modal, it disables every window
    // of the thread, so that the window behind it cannot be pressed again while it shows.
    return MessageBoxA(owner, text, caption, owner ? style : style | MB_TASKMODAL);
}

int ShowAppBox(HWND owner, const char *caption, UINT style, const char *format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    int pressed = ShowAppBoxV(owner, caption, style, format, arguments);
    va_end(arguments);
    return pressed;
}
