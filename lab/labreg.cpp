#include "lab/labreg.h"

#include <stdarg.h>
#include <stdio.h>
#include <string.h>

const char *StripComputerName(const char *name)
{
    if (name == NULL) return NULL;
    if (name[0] == '\\' && name[1] == '\\') name += 2;
    size_t length = strlen(name);
    if (length == 0 || length >= kLabNameChars || strchr(name, '\\') != NULL) return NULL;
    return name;
}

bool FormatLabPath(char *path, const char *format, ...)
{
    va_list args;
    va_start(args, format);
    int written = vsnprintf(path, kLabPathChars, format, args);
    va_end(args);
    return written >= 0 && written < kLabPathChars;
}

HKEY OpenLabKey(const char *path, REGSAM access)
{
    HKEY key = NULL;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path, 0, access, &key) != ERROR_SUCCESS) return NULL;
    return key;
}

HKEY CreateLabKey(const char *path)
{
    HKEY key = NULL;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, path, 0, NULL, 0, KEY_READ | KEY_WRITE, NULL, &key,
                        NULL) != ERROR_SUCCESS)
        return NULL;
    return key;
}

DWORD ReadLabDword(HKEY key, const char *name, DWORD fallback)
{
    if (key == NULL) return fallback;
    DWORD type = 0, data = 0, size = sizeof(data);
    if (RegQueryValueExA(key, name, NULL, &type, (BYTE *)&data, &size) != ERROR_SUCCESS ||
        type != REG_DWORD || size != sizeof(data))
        return fallback;
    return data;
}

void AddLabCounter(const char *computer, const char *counter, LONG delta)
{
    char path[kLabPathChars];
    if (!FormatLabPath(path, LAB_CALLS_PATH "\\%s", computer)) return;
    HKEY key = CreateLabKey(path);
    if (key == NULL) return;
    DWORD value = ReadLabDword(key, counter, 0);
    if (delta < 0 && value < (DWORD)-delta)
        value = 0;
    else
        value += (DWORD)delta;
    RegSetValueExA(key, counter, 0, REG_DWORD, (const BYTE *)&value, sizeof(value));
    RegCloseKey(key);
}
