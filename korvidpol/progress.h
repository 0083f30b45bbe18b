// The status line of long work: while a command works on more than one server and standard
// error is a console, one line there says how many servers are done of how many, rewritten in
// place, and is cleared before anything else is printed and before the program ends. With
// standard error redirected nothing of it is written.
#ifndef KORVIDPOL_PROGRESS_H
#define KORVIDPOL_PROGRESS_H

#include <windows.h>

struct Progress {
    HANDLE console;  // standard error when it is a console and there is more than one server, else NULL
    int total;
    int shownChars;  // characters of the line now on the screen, 0 when cleared
};

void BeginProgress(Progress *progress, int total);
// Shows "done of total" when it changed or the line was cleared.
void ShowProgress(Progress *progress, int done);
void ClearProgress(Progress *progress);

#endif
