// The two registry value helpers the dialogs know by name. Their messages have no owner.
#ifndef KORVID_REGVALUES_H
#define KORVID_REGVALUES_H

#include <windows.h>

// Reads a REG_DWORD (data: DWORD) or REG_SZ (data: kRegStringChars characters) value.
// 1 on success; 0 after its own message (no owner), with data untouched.
int GetKorvidRegValue(const char *tag, HKEY key, const char *name, void *data, DWORD type);
// Writes a REG_DWORD (data: DWORD) or REG_SZ (data: text, at most 4999 characters, written
// without its terminating zero). 1 on success; 0 after its own message (no owner).
int SetKorvidRegValue(const char *tag, HKEY key, const char *name, const void *data, DWORD type);

#endif
