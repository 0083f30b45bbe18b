// The lab's own configuration store, HKEY_CURRENT_USER\Software\Korvid Lab: shared by the
// network stand-in (lab.cpp) and the configuration calls for tests (labconfig.cpp).
#ifndef KORVID_LABREG_H
#define KORVID_LABREG_H

#include <windows.h>

#define LAB_ROOT_PATH "Software\\Korvid Lab"
#define LAB_COMPUTERS_PATH LAB_ROOT_PATH "\\Computers"
#define LAB_CALLS_PATH LAB_ROOT_PATH "\\Calls"

// Room for a registry key name (255 characters) and its terminator.
enum { kLabNameChars = 256, kLabPathChars = 1024 };

// Cuts a leading "\\" off a computer name; NULL when nothing usable is left (empty, too long, or
// a backslash inside, which no registry key name may hold).
const char *StripComputerName(const char *name);

// Formats a path below HKEY_CURRENT_USER into path (kLabPathChars); false when it would not fit.
bool FormatLabPath(char *path, const char *format, ...);

// Opens a key below HKEY_CURRENT_USER; NULL when it is not there.
HKEY OpenLabKey(const char *path, REGSAM access);
// Opens or creates a key below HKEY_CURRENT_USER; NULL on failure.
HKEY CreateLabKey(const char *path);

// A REG_DWORD of an open key (key may be NULL), or fallback when missing or of another type.
DWORD ReadLabDword(HKEY key, const char *name, DWORD fallback);

// Adds delta to the counter Calls\<computer>\<counter>; a gauge never drops below 0.
void AddLabCounter(const char *computer, const char *counter, LONG delta);

#endif
