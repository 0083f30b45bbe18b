// Text gathered in memory before it is printed or written: one server's report, an export, an
// undo file. The buffer grows as needed up to a fixed ceiling; past it the text is cut and
// `cut` set, so no report can take unbounded memory.
#ifndef KORVIDPOL_TEXT_H
#define KORVIDPOL_TEXT_H

#include <windows.h>
#include <stddef.h>

enum { kTextCeiling = 8 * 1024 * 1024 };

struct TextBuffer {
    char *text;       // always terminated once something was appended; NULL while empty
    size_t length;
    size_t capacity;
    bool cut;
    bool exact;       // printed byte for byte (CSV), not with each "\n" as CR LF
};

void InitText(TextBuffer *buffer);
void FreeText(TextBuffer *buffer);
// Appends the formatted text; false when it had to be cut.
bool AppendText(TextBuffer *buffer, const char *format, ...) __attribute__((format(printf, 2, 3)));
bool AppendBytes(TextBuffer *buffer, const char *bytes, size_t count);
const char *TextOf(const TextBuffer *buffer);

// Writes the text to a standard handle (STD_OUTPUT_HANDLE or STD_ERROR_HANDLE): as UTF-16 through
// WriteConsoleW when the handle is a console, else the ANSI bytes with CR LF line ends.
void PrintText(DWORD stdHandle, const TextBuffer *buffer);
// Writes the text to an open file, each "\n" as CR LF; false when a write fails.
bool WriteLines(HANDLE handle, const char *bytes, size_t count);
// printf to standard output or standard error, through the same path as PrintText.
void PrintLine(DWORD stdHandle, const char *format, ...) __attribute__((format(printf, 2, 3)));

#endif
