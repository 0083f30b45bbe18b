// REGEDIT4 text, read and written without any window.
//
// The reader takes bytes in pieces of any size (a file read in chunks, or a test's bytes) and
// keeps only fixed tables: a line longer than kRegLineChars, more than kRegFileEntries values,
// more than kRegDataBytes of data in one value, a NUL, a bad escape, an unterminated quote or a
// stray token stops it with an error that names the line. Memory stays the same whatever the
// file holds, so a hostile file can only be refused.
//
// Understood: the "REGEDIT4" first line, or the registry editor's "Windows Registry Editor
// Version 5.00", after which the bytes of hex(1), hex(2) and hex(7) are UTF-16LE text converted
// exactly to the ANSI code page (a character without an exact form refuses the file); [HKEY_...\key] sections; "Name"= (and @=) with a quoted
// string (\\ and \" escaped), dword:, hex:, hex(N): continued over lines ending in a backslash,
// and - (delete the value); comments starting with ';'. The header comments "; Server: ",
// "; Role: " and "; Time: " before the first section are kept.
#ifndef KORVIDPOL_REGTEXT_H
#define KORVIDPOL_REGTEXT_H

#include <windows.h>

#include "korvidpol/text.h"

enum {
    kRegLineChars = 16384,     // one line of the file
    kRegFileEntries = 256,     // values in one file
    kRegFileSections = 64,     // [key] sections in one file
    kRegKeyChars = 512,        // a key path
    kRegValueNameChars = 256,  // a value name
    kRegDataBytes = 8192,      // the data of one value
    kRegHeaderChars = 256,     // a header comment's text
    kRegErrorChars = 320,
};

struct RegFileSection {
    int line;
    char path[kRegKeyChars];  // as written between the brackets
};

struct RegFileEntry {
    int line;
    int section;  // index into sections
    char name[kRegValueNameChars];
    bool remove;  // "Name"=-
    DWORD type;
    DWORD size;
    BYTE data[kRegDataBytes];
};

struct RegFile {
    char server[kRegHeaderChars];  // the header's "; Server: " text, or empty
    char role[kRegHeaderChars];    // the header's "; Role: " text, or empty
    char time[kRegHeaderChars];
    int sectionCount;
    RegFileSection sections[kRegFileSections];
    int entryCount;
    RegFileEntry entries[kRegFileEntries];
};

// The reader's state between two pieces of bytes.
struct RegParser {
    RegFile *file;
    int line;  // the line being gathered, from 1
    char pending[kRegLineChars + 1];
    int pendingLength;
    bool sawSignature;
    bool wideText;    // "Windows Registry Editor Version 5.00": text types' hex bytes are UTF-16LE
    bool continuing;  // the last hex line ended in a backslash
    bool failed;
    char error[kRegErrorChars];  // "line N: ..." once failed
    BYTE scratch[kRegDataBytes * 2];  // a UTF-16 value and its way back, while converted
};

// A RegFile is large (about 2 MB): allocate it with NewRegFile and free it with FreeRegFile.
RegFile *NewRegFile();
void FreeRegFile(RegFile *file);

void BeginRegParse(RegParser *parser, RegFile *file);
// Takes the next bytes; false once the file has been refused (parser->error says why).
bool FeedRegBytes(RegParser *parser, const char *bytes, size_t count);
// The end of the bytes: the last line, and no value left half-read.
bool EndRegParse(RegParser *parser);
// Reads a file in pieces through the parser, its text decoded as ReadAnsiFile does (the
// byte-order mark decides UTF-16LE, UTF-8 or ANSI); error gets "line N: ..." or why it did not open.
bool ReadRegFile(const char *path, RegFile *file, char *error, int capacity);

// The writer: the signature and header comments (role NULL: no role line), one section per key
// (path below HKEY_LOCAL_MACHINE), and values in the form their type and data call for:
// dword: for a 4-byte REG_DWORD, a quoted string for a REG_SZ of plain text ending in one zero,
// hex: for REG_BINARY and hex(N): for everything else.
void WriteRegHeader(TextBuffer *out, const char *title, const char *server, const char *role,
                    const SYSTEMTIME &time);
void WriteRegSection(TextBuffer *out, const char *keyPath);
void WriteRegValue(TextBuffer *out, const char *name, DWORD type, const BYTE *data, DWORD size);
void WriteRegDeletion(TextBuffer *out, const char *name);

// The key path below "HKEY_LOCAL_MACHINE\", or NULL for a section under another root.
const char *MachineKeyPath(const char *sectionPath);

#endif
