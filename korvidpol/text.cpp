#include "korvidpol/text.h"

#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

void InitText(TextBuffer *buffer)
{
    buffer->text = NULL;
    buffer->length = 0;
    buffer->capacity = 0;
    buffer->cut = false;
    buffer->exact = false;
}

void FreeText(TextBuffer *buffer)
{
    free(buffer->text);
    InitText(buffer);
}

namespace {

// Room for `more` characters and a terminator; false at the ceiling or when memory runs out.
bool MakeRoom(TextBuffer *buffer, size_t more)
{
    size_t needed = buffer->length + more + 1;
    if (needed <= buffer->capacity) return true;
    if (needed > kTextCeiling) return false;
    size_t capacity = buffer->capacity ? buffer->capacity : 4096;
    while (capacity < needed) capacity *= 2;
    if (capacity > kTextCeiling) capacity = kTextCeiling;
    char *grown = (char *)realloc(buffer->text, capacity);
    if (grown == NULL) return false;
    buffer->text = grown;
    buffer->capacity = capacity;
    return true;
}

}  // namespace

bool AppendBytes(TextBuffer *buffer, const char *bytes, size_t count)
{
    if (buffer->cut) return false;
    if (!MakeRoom(buffer, count)) {
        buffer->cut = true;
        return false;
    }
    memcpy(buffer->text + buffer->length, bytes, count);
    buffer->length += count;
    buffer->text[buffer->length] = 0;
    return true;
}

bool AppendText(TextBuffer *buffer, const char *format, ...)
{
    char line[1024];
    va_list args;
    va_start(args, format);
    int written = vsnprintf(line, sizeof(line), format, args);
    va_end(args);
    if (written < 0) return false;
    if ((size_t)written < sizeof(line)) return AppendBytes(buffer, line, (size_t)written);
    // Longer than the line buffer: format once more straight into the grown buffer.
    if (buffer->cut || !MakeRoom(buffer, (size_t)written)) {
        buffer->cut = true;
        return false;
    }
    va_start(args, format);
    vsnprintf(buffer->text + buffer->length, (size_t)written + 1, format, args);
    va_end(args);
    buffer->length += (size_t)written;
    return true;
}

const char *TextOf(const TextBuffer *buffer)
{
    return buffer->text ? buffer->text : "";
}

// Lines end in "\n" in memory and in CR LF on the way out, as Windows text does.
bool WriteLines(HANDLE handle, const char *bytes, size_t count)
{
    char chunk[8192];
    size_t used = 0;
    for (size_t i = 0; i <= count; i++) {
        bool end = i == count;
        if (!end && bytes[i] == '\n') chunk[used++] = '\r';
        if (!end) chunk[used++] = bytes[i];
        if (used + 2 < sizeof(chunk) && !end) continue;
        DWORD written = 0;
        if (used > 0 && (!WriteFile(handle, chunk, (DWORD)used, &written, NULL) || written != used))
            return false;
        used = 0;
    }
    return true;
}

namespace {

// How many of the bytes (at most `most`) make whole characters of the ANSI code page: a
// double-byte character is never cut in two.
size_t WholeCharacters(const char *bytes, size_t count, size_t most)
{
    size_t used = 0;
    while (used < count) {
        size_t size = IsDBCSLeadByte((BYTE)bytes[used]) && used + 1 < count ? 2 : 1;
        if (used + size > most) break;
        used += size;
    }
    return used;
}

// A console shows bytes in its own (OEM) code page: the ANSI text goes to it as UTF-16, so it
// shows the characters the server holds.
bool WriteConsoleLines(HANDLE console, const char *bytes, size_t count)
{
    enum { kPiece = 2048 };
    WCHAR wide[kPiece * 2 + 2];
    while (count > 0) {
        size_t piece = WholeCharacters(bytes, count, kPiece);
        int units = 0;
        for (size_t i = 0; i < piece;) {
            size_t run = i;
            while (run < piece && bytes[run] != '\n') run++;
            if (run > i) units += MultiByteToWideChar(CP_ACP, 0, bytes + i, (int)(run - i), wide + units, kPiece * 2 - units);
            if (run < piece) {
                wide[units++] = L'\r';
                wide[units++] = L'\n';
                run++;
            }
            i = run;
        }
        DWORD written = 0;
        if (units > 0 && !WriteConsoleW(console, wide, (DWORD)units, &written, NULL)) return false;
        bytes += piece;
        count -= piece;
    }
    return true;
}

// Redirected output is the ANSI bytes as they are; a console gets characters.
void WriteStd(DWORD stdHandle, const char *bytes, size_t count)
{
    HANDLE handle = GetStdHandle(stdHandle);
    if (handle == NULL || handle == INVALID_HANDLE_VALUE) return;
    DWORD mode = 0;
    if (GetConsoleMode(handle, &mode)) WriteConsoleLines(handle, bytes, count);
    else WriteLines(handle, bytes, count);
}

}  // namespace

void PrintText(DWORD stdHandle, const TextBuffer *buffer)
{
    if (buffer->length == 0) return;
    HANDLE handle = GetStdHandle(stdHandle);
    DWORD written = 0;
    if (!buffer->exact) WriteStd(stdHandle, buffer->text, buffer->length);
    else if (handle != NULL && handle != INVALID_HANDLE_VALUE)
        WriteFile(handle, buffer->text, (DWORD)buffer->length, &written, NULL);
}

void PrintLine(DWORD stdHandle, const char *format, ...)
{
    char line[2048];
    va_list args;
    va_start(args, format);
    int written = vsnprintf(line, sizeof(line), format, args);
    va_end(args);
    if (written < 0) return;
    size_t count = (size_t)written < sizeof(line) ? (size_t)written : sizeof(line) - 1;
    WriteStd(stdHandle, line, count);
}
