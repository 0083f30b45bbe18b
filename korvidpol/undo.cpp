#include "korvidpol/undo.h"

#include <stdio.h>
#include <string.h>

namespace {

enum { kSafeNameChars = 64, kMaxNumber = 999 };

// Not .reg: the registry editor would merge a double-clicked undo file into the local registry.
const char kUndoExtension[] = ".kpol";

bool IsSafeCharacter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '_';
}

// Writes the whole text, then flushes it to the disk; closes the file either way.
bool WriteAndFlush(HANDLE file, const TextBuffer &text, DWORD *status)
{
    bool ok = WriteLines(file, TextOf(&text), text.length) && FlushFileBuffers(file);
    *status = ok ? ERROR_SUCCESS : GetLastError();
    CloseHandle(file);
    return ok;
}

}  // namespace

void MakeSafeFileName(const char *server, char *name, int capacity)
{
    if (server[0] == '\\' && server[1] == '\\') server += 2;
    int limit = capacity - 1 < kSafeNameChars ? capacity - 1 : kSafeNameChars;
    int used = 0;
    for (; server[used] != 0 && used < limit; used++)
        name[used] = IsSafeCharacter(server[used]) ? server[used] : '_';
    if (used == 0 && limit > 0) name[used++] = '_';
    name[used] = 0;
}

bool MakeFolder(const char *folder, DWORD *status)
{
    char path[kUndoPathChars];
    if (snprintf(path, sizeof(path), "%s", folder) >= (int)sizeof(path)) {
        *status = ERROR_FILENAME_EXCED_RANGE;
        return false;
    }
    // Each parent in turn, then the folder itself. A failure is judged only by what is there in
    // the end: a drive root or a share refuses to be made (5, not 183) and is there all the same.
    DWORD made = ERROR_SUCCESS;
    for (char *p = path; ; p++) {
        bool end = *p == 0;
        if (!end && *p != '\\' && *p != '/') continue;
        if (p > path && p[-1] != ':' && p[-1] != '\\' && p[-1] != '/') {
            char saved = *p;
            *p = 0;
            if (!CreateDirectoryA(path, NULL) && GetLastError() != ERROR_ALREADY_EXISTS) made = GetLastError();
            *p = saved;
        }
        if (end) break;
    }
    DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        *status = attributes != INVALID_FILE_ATTRIBUTES ? ERROR_DIRECTORY
                  : made != ERROR_SUCCESS               ? made
                                                        : GetLastError();
        return false;
    }
    *status = ERROR_SUCCESS;
    return true;
}

bool FullPathOf(const char *path, char *full, int capacity, DWORD *status)
{
    DWORD length = GetFullPathNameA(path, (DWORD)capacity, full, NULL);
    if (length == 0 || length >= (DWORD)capacity) {
        *status = length == 0 ? GetLastError() : ERROR_FILENAME_EXCED_RANGE;
        return false;
    }
    return true;
}

bool WriteUndoFile(const char *folder, const char *server, const SYSTEMTIME &time,
                   const TextBuffer &text, char *path, int capacity, DWORD *status)
{
    char safe[kSafeNameChars + 1];
    MakeSafeFileName(server, safe, sizeof(safe));
    char stamp[32];
    snprintf(stamp, sizeof(stamp), "%04u%02u%02u-%02u%02u%02u", time.wYear, time.wMonth, time.wDay,
             time.wHour, time.wMinute, time.wSecond);
    char full[kUndoPathChars];
    if (!FullPathOf(folder, full, sizeof(full), status)) return false;
    size_t end = strlen(full);
    const char *separator = end > 0 && (full[end - 1] == '\\' || full[end - 1] == '/') ? "" : "\\";
    for (int number = 1; number <= kMaxNumber; number++) {
        int length = number == 1
                         ? snprintf(path, capacity, "%s%s%s-%s%s", full, separator, safe, stamp, kUndoExtension)
                         : snprintf(path, capacity, "%s%s%s-%s-%d%s", full, separator, safe, stamp, number,
                                    kUndoExtension);
        if (length < 0 || length >= capacity) {
            *status = ERROR_FILENAME_EXCED_RANGE;
            return false;
        }
        HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, NULL, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, NULL);
        if (file != INVALID_HANDLE_VALUE) return WriteAndFlush(file, text, status);
        *status = GetLastError();
        if (*status != ERROR_FILE_EXISTS && *status != ERROR_ALREADY_EXISTS) return false;
    }
    return false;
}

bool WriteTextFile(const char *path, const TextBuffer &text, DWORD *status)
{
    HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) {
        *status = GetLastError();
        return false;
    }
    return WriteAndFlush(file, text, status);
}
