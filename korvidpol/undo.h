// Undo files: a server's values as they were before korvidpol wrote to it, as REGEDIT4 text in
// the backup folder, named NAME.kpol: a .reg file opened from Explorer would be merged into the
// administrator's own registry, not the server's. The name is made of the server name's letters, digits, '-' and '_' (any
// other character becomes '_') and the time, so it can never point outside the folder; an
// existing file is never overwritten (a number is added instead), and the file is on the disk
// (FlushFileBuffers) before the function returns.
#ifndef KORVIDPOL_UNDO_H
#define KORVIDPOL_UNDO_H

#include <windows.h>

#include "korvidpol/text.h"

enum { kUndoPathChars = MAX_PATH };

// The server name (without a leading "\\") as it may appear in a file name.
void MakeSafeFileName(const char *server, char *name, int capacity);
// Makes the folder and any missing parent; false with the status when it cannot.
bool MakeFolder(const char *folder, DWORD *status);
// The full path of a file (GetFullPathNameA): a relative path named in the output would be
// misread where the current folder is not what the reader thinks (an elevated prompt starts in
// the system folder, which a 32-bit program sees redirected). false with the status.
bool FullPathOf(const char *path, char *full, int capacity, DWORD *status);
// Writes a new undo file for the server into the folder; path receives its full name.
bool WriteUndoFile(const char *folder, const char *server, const SYSTEMTIME &time,
                   const TextBuffer &text, char *path, int capacity, DWORD *status);
// Writes text to a file, replacing it (export /out:); false with the status on failure.
bool WriteTextFile(const char *path, const TextBuffer &text, DWORD *status);

#endif
