#include "korvidpol/progress.h"

#include <stdio.h>

namespace {

void WriteConsoleText(HANDLE console, const char *text, int length)
{
    DWORD written = 0;
    WriteConsoleA(console, text, (DWORD)length, &written, NULL);
}

}  // namespace

void BeginProgress(Progress *progress, int total)
{
    progress->console = NULL;
    progress->total = total;
    progress->shownChars = 0;
    HANDLE handle = GetStdHandle(STD_ERROR_HANDLE);
    DWORD mode = 0;
    if (total > 1 && handle != NULL && handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode))
        progress->console = handle;
}

void ShowProgress(Progress *progress, int done)
{
    if (progress->console == NULL) return;
    char line[80];
    int length = snprintf(line, sizeof(line), "\r%d of %d servers done", done, progress->total);
    if (length <= 0 || length >= (int)sizeof(line)) return;
    WriteConsoleText(progress->console, line, length);
    progress->shownChars = length - 1;
}

void ClearProgress(Progress *progress)
{
    if (progress->console == NULL || progress->shownChars == 0) return;
    char blank[80];
    int length = progress->shownChars < (int)sizeof(blank) - 2 ? progress->shownChars : (int)sizeof(blank) - 2;
    blank[0] = '\r';
    for (int i = 1; i <= length; i++) blank[i] = ' ';
    blank[length + 1] = '\r';
    WriteConsoleText(progress->console, blank, length + 2);
    progress->shownChars = 0;
}
