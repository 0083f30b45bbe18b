#include "korvidpol/regtext.h"

#include <stdarg.h>
#include <stddef.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "korvidpol/ansifile.h"

RegFile *NewRegFile() { return (RegFile *)calloc(1, sizeof(RegFile)); }

void FreeRegFile(RegFile *file) { free(file); }

void BeginRegParse(RegParser *parser, RegFile *file)
{
    // Only the header and the counts: entries and sections are filled as they are read, so a
    // parse touches no more of the large tables than the file holds.
    file->server[0] = file->role[0] = file->time[0] = 0;
    file->sectionCount = 0;
    file->entryCount = 0;
    parser->file = file;
    parser->line = 1;
    parser->pendingLength = 0;
    parser->sawSignature = false;
    parser->wideText = false;
    parser->continuing = false;
    parser->failed = false;
    parser->error[0] = 0;
}

namespace {

const char kSignature[] = "REGEDIT4";
// The registry editor's own export: its hex(1), hex(2) and hex(7) bytes are UTF-16LE.
const char kWideSignature[] = "Windows Registry Editor Version 5.00";

bool RefuseAt(RegParser *parser, int line, const char *format, va_list args)
{
    char reason[kRegErrorChars];
    vsnprintf(reason, sizeof(reason), format, args);
    snprintf(parser->error, sizeof(parser->error), "line %d: %s", line, reason);
    parser->failed = true;
    return false;
}

bool Refuse(RegParser *parser, const char *format, ...) __attribute__((format(printf, 2, 3)));

bool Refuse(RegParser *parser, const char *format, ...)
{
    va_list args;
    va_start(args, format);
    RefuseAt(parser, parser->line, format, args);
    va_end(args);
    return false;
}

bool RefuseEntry(RegParser *parser, const RegFileEntry &entry, const char *format, ...)
    __attribute__((format(printf, 3, 4)));

bool RefuseEntry(RegParser *parser, const RegFileEntry &entry, const char *format, ...)
{
    va_list args;
    va_start(args, format);
    RefuseAt(parser, entry.line, format, args);
    va_end(args);
    return false;
}

const char *SkipBlanks(const char *text)
{
    while (*text == ' ' || *text == '\t') text++;
    return text;
}

bool StartsWithNoCase(const char *text, const char *prefix)
{
    return _strnicmp(text, prefix, strlen(prefix)) == 0;
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// 1 to `most` hex digits at *text into value; advances text. False when there are none or too many.
bool ReadHexNumber(const char **text, int most, DWORD *value)
{
    int digits = 0;
    *value = 0;
    while (HexDigit(**text) >= 0) {
        if (++digits > most) return false;
        *value = (*value << 4) | (DWORD)HexDigit(**text);
        (*text)++;
    }
    return digits > 0;
}

// A quoted text with \\ and \" escapes, from the opening quote; *text ends after the closing one.
bool ReadQuoted(RegParser *parser, const char **text, char *out, int capacity, int *length,
                const char *what)
{
    const char *p = *text + 1;
    int used = 0;
    for (;; p++) {
        char c = *p;
        if (c == 0) return Refuse(parser, "the quoted %s has no closing quote", what);
        if (c == '"') break;
        if (c == '\\') {
            p++;
            if (*p != '\\' && *p != '"')
                return Refuse(parser, "the quoted %s holds a bad escape (only \\\\ and \\\" are known)",
                              what);
            c = *p;
        }
        if (used + 1 >= capacity)
            return Refuse(parser, "the quoted %s is longer than %d characters", what, capacity - 1);
        out[used++] = c;
    }
    out[used] = 0;
    *length = used;
    *text = p + 1;
    return true;
}

RegFileEntry *CurrentEntry(RegParser *parser)
{
    return &parser->file->entries[parser->file->entryCount - 1];
}

bool IsTextType(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ; }

// A whole hex value of a registry editor's export: text types go from UTF-16LE to the ANSI code
// page, exactly, as korvidpol and the registry store them.
bool FinishHexEntry(RegParser *parser, RegFileEntry *entry)
{
    if (!parser->wideText || !IsTextType(entry->type) || entry->size == 0) return true;
    if (entry->size % 2 != 0)
        return RefuseEntry(parser, *entry, "\"%s\": UTF-16 text of an odd number of bytes", entry->name);
    int count = (int)entry->size / 2;
    WCHAR *wide = (WCHAR *)parser->scratch;
    memcpy(wide, entry->data, entry->size);
    BOOL usedDefault = FALSE;
    int length = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, count, (char *)entry->data,
                                     kRegDataBytes, NULL, &usedDefault);
    WCHAR *back = (WCHAR *)parser->scratch + kRegDataBytes / 2;
    bool exact = length > 0 && !usedDefault &&
                 MultiByteToWideChar(CP_ACP, 0, (const char *)entry->data, length, back, kRegDataBytes / 2) == count &&
                 memcmp(back, wide, entry->size) == 0;
    if (!exact)
        return RefuseEntry(parser, *entry, "\"%s\" holds a character with no exact form in the ANSI code page %u",
                           entry->name, GetACP());
    entry->size = (DWORD)length;
    return true;
}

// Comma-separated hex bytes up to the end of the line or a final backslash.
bool ReadHexBytes(RegParser *parser, const char *text)
{
    RegFileEntry *entry = CurrentEntry(parser);
    parser->continuing = false;
    const char *p = SkipBlanks(text);
    while (*p != 0) {
        if (*p == '\\') {
            if (*SkipBlanks(p + 1) != 0) return Refuse(parser, "text after the continuation backslash");
            parser->continuing = true;
            return true;
        }
        DWORD byte = 0;
        const char *start = p;
        if (!ReadHexNumber(&p, 2, &byte)) {
            char token[8];
            snprintf(token, sizeof(token), "%.5s", start);
            return Refuse(parser, "'%s' is not a hex byte", token);
        }
        if (entry->size >= kRegDataBytes)
            return Refuse(parser, "more than %d bytes of data", (int)kRegDataBytes);
        entry->data[entry->size++] = (BYTE)byte;
        p = SkipBlanks(p);
        if (*p == ',') {
            p = SkipBlanks(p + 1);
        } else if (*p != 0 && *p != '\\') {
            return Refuse(parser, "a hex byte is followed by '%c' instead of a comma", *p);
        }
    }
    return FinishHexEntry(parser, entry);
}

bool RejectTrailing(RegParser *parser, const char *rest)
{
    rest = SkipBlanks(rest);
    if (*rest != 0) return Refuse(parser, "unexpected text after the value");
    return true;
}

// The part after "=": -, "text", dword:, hex:, hex(N):.
bool ReadData(RegParser *parser, RegFileEntry *entry, const char *p)
{
    p = SkipBlanks(p);
    if (*p == '-') {
        entry->remove = true;
        return RejectTrailing(parser, p + 1);
    }
    if (*p == '"') {
        int length = 0;
        if (!ReadQuoted(parser, &p, (char *)entry->data, kRegDataBytes, &length, "string"))
            return false;
        entry->type = REG_SZ;
        entry->size = (DWORD)length + 1;  // the string and its terminator, as the registry editor stores it
        return RejectTrailing(parser, p);
    }
    if (StartsWithNoCase(p, "dword:")) {
        p += 6;
        DWORD value = 0;
        if (!ReadHexNumber(&p, 8, &value)) return Refuse(parser, "dword: needs 1 to 8 hex digits");
        entry->type = REG_DWORD;
        entry->size = sizeof(DWORD);
        memcpy(entry->data, &value, sizeof(value));
        return RejectTrailing(parser, p);
    }
    if (StartsWithNoCase(p, "hex:")) {
        entry->type = REG_BINARY;
        return ReadHexBytes(parser, p + 4);
    }
    if (StartsWithNoCase(p, "hex(")) {
        p += 4;
        DWORD type = 0;
        if (!ReadHexNumber(&p, 8, &type) || *p != ')' || p[1] != ':')
            return Refuse(parser, "hex( needs a type of 1 to 8 hex digits and then \"):\"");
        entry->type = type;
        return ReadHexBytes(parser, p + 2);
    }
    return Refuse(parser, "the value is none of \"text\", dword:, hex:, hex(N): or -");
}

bool ReadValueLine(RegParser *parser, const char *p)
{
    RegFile *file = parser->file;
    if (file->sectionCount == 0) return Refuse(parser, "a value before any [key]");
    if (file->entryCount >= kRegFileEntries)
        return Refuse(parser, "more than %d values in one file", (int)kRegFileEntries);
    RegFileEntry *entry = &file->entries[file->entryCount++];
    memset(entry, 0, offsetof(RegFileEntry, data));
    entry->line = parser->line;
    entry->section = file->sectionCount - 1;
    if (*p == '@') {
        p++;
    } else {
        int length = 0;
        if (!ReadQuoted(parser, &p, entry->name, kRegValueNameChars, &length, "value name"))
            return false;
    }
    p = SkipBlanks(p);
    if (*p != '=') return Refuse(parser, "'=' expected after the value name");
    for (int i = 0; i < file->entryCount - 1; i++) {
        const RegFileEntry &other = file->entries[i];
        if (other.section == entry->section && lstrcmpiA(other.name, entry->name) == 0)
            return Refuse(parser, "\"%s\" is given a second time in this key (first on line %d)",
                          entry->name, other.line);
    }
    return ReadData(parser, entry, p + 1);
}

bool ReadSectionLine(RegParser *parser, const char *p)
{
    RegFile *file = parser->file;
    const char *close = strrchr(p, ']');
    if (close == NULL) return Refuse(parser, "the [key] has no closing bracket");
    if (!RejectTrailing(parser, close + 1)) return false;
    if (p[1] == '-') return Refuse(parser, "deleting a key is not accepted");
    int length = (int)(close - p - 1);
    if (length <= 0) return Refuse(parser, "an empty [key]");
    if (length >= kRegKeyChars) return Refuse(parser, "a key path longer than %d characters", kRegKeyChars - 1);
    if (file->sectionCount >= kRegFileSections)
        return Refuse(parser, "more than %d keys in one file", (int)kRegFileSections);
    RegFileSection *section = &file->sections[file->sectionCount++];
    section->line = parser->line;
    memcpy(section->path, p + 1, length);
    section->path[length] = 0;
    return true;
}

// "; Server: X" and the like, before the first section.
void ReadHeaderComment(RegFile *file, const char *p)
{
    static const struct {
        const char *label;
        size_t offset;
    } labels[] = {
        {"Server:", offsetof(RegFile, server)},
        {"Role:", offsetof(RegFile, role)},
        {"Time:", offsetof(RegFile, time)},
    };
    if (file->sectionCount > 0) return;
    p = SkipBlanks(p + 1);
    for (const auto &label : labels) {
        if (!StartsWithNoCase(p, label.label)) continue;
        char *field = (char *)file + label.offset;
        lstrcpynA(field, SkipBlanks(p + strlen(label.label)), kRegHeaderChars);
        for (int end = lstrlenA(field); end > 0 && (field[end - 1] == ' ' || field[end - 1] == '\t'); end--)
            field[end - 1] = 0;
    }
}

bool ReadLine(RegParser *parser, char *line)
{
    int length = (int)strlen(line);
    if (length > 0 && line[length - 1] == '\r') line[--length] = 0;
    if (parser->continuing) return ReadHexBytes(parser, line);
    const char *p = SkipBlanks(line);
    if (!parser->sawSignature) {
        if (*p == 0) return true;
        parser->wideText = strncmp(p, kWideSignature, sizeof(kWideSignature) - 1) == 0 &&
                           *SkipBlanks(p + sizeof(kWideSignature) - 1) == 0;
        if (!parser->wideText &&
            (strncmp(p, kSignature, sizeof(kSignature) - 1) != 0 || *SkipBlanks(p + sizeof(kSignature) - 1) != 0))
            return Refuse(parser, "not a REGEDIT4 file (the first line must be REGEDIT4 or %s)", kWideSignature);
        parser->sawSignature = true;
        return true;
    }
    if (*p == 0) return true;
    if (*p == ';') {
        ReadHeaderComment(parser->file, p);
        return true;
    }
    if (*p == '[') return ReadSectionLine(parser, p);
    if (*p == '"' || *p == '@') return ReadValueLine(parser, p);
    return Refuse(parser, "a line that is no [key], value or comment");
}

}  // namespace

bool FeedRegBytes(RegParser *parser, const char *bytes, size_t count)
{
    for (size_t i = 0; i < count && !parser->failed; i++) {
        char c = bytes[i];
        if (c == 0) return Refuse(parser, "a NUL character");
        if (c == '\n') {
            parser->pending[parser->pendingLength] = 0;
            parser->pendingLength = 0;
            if (!ReadLine(parser, parser->pending)) return false;
            parser->line++;
            continue;
        }
        if (parser->pendingLength >= kRegLineChars)
            return Refuse(parser, "longer than %d characters", (int)kRegLineChars);
        parser->pending[parser->pendingLength++] = c;
    }
    return !parser->failed;
}

bool EndRegParse(RegParser *parser)
{
    if (parser->failed) return false;
    if (parser->pendingLength > 0) {
        parser->pending[parser->pendingLength] = 0;
        parser->pendingLength = 0;
        if (!ReadLine(parser, parser->pending)) return false;
    } else if (parser->line > 1) {
        parser->line--;  // the last line ended with its line break
    }
    if (parser->continuing) return Refuse(parser, "the file ends inside a continued value");
    if (!parser->sawSignature) return Refuse(parser, "not a REGEDIT4 file (it is empty)");
    return true;
}

namespace {

bool FeedDecoded(void *context, const char *text, size_t count)
{
    return FeedRegBytes((RegParser *)context, text, count);
}

}  // namespace

bool ReadRegFile(const char *path, RegFile *file, char *error, int capacity)
{
    // The file's text as ANSI, through the parser line by line: the tables stay fixed.
    RegParser *parser = (RegParser *)malloc(sizeof(RegParser));
    if (parser == NULL) {
        snprintf(error, capacity, "out of memory");
        return false;
    }
    BeginRegParse(parser, file);
    bool ok = DecodeAnsiFile(path, FeedDecoded, parser, error, capacity) && EndRegParse(parser);
    if (parser->failed) snprintf(error, capacity, "%s", parser->error);
    free(parser);
    return ok;
}

// ---------------------------------------------------------------------------------------------
// The writer
// ---------------------------------------------------------------------------------------------

void WriteRegHeader(TextBuffer *out, const char *title, const char *server, const char *role,
                    const SYSTEMTIME &time)
{
    AppendText(out, "%s\n\n; %s\n; Server: %s\n", kSignature, title, server);
    if (role != NULL) AppendText(out, "; Role: %s\n", role);
    AppendText(out, "; Time: %04u-%02u-%02u %02u:%02u:%02u\n", time.wYear, time.wMonth, time.wDay,
               time.wHour, time.wMinute, time.wSecond);
}

void WriteRegSection(TextBuffer *out, const char *keyPath)
{
    AppendText(out, "\n[HKEY_LOCAL_MACHINE\\%s]\n", keyPath);
}

namespace {

void AppendQuoted(TextBuffer *out, const char *text, DWORD length)
{
    AppendBytes(out, "\"", 1);
    for (DWORD i = 0; i < length; i++) {
        if (text[i] == '\\' || text[i] == '"') AppendBytes(out, "\\", 1);
        AppendBytes(out, &text[i], 1);
    }
    AppendBytes(out, "\"", 1);
}

// Plain text ending in exactly one zero: a quoted string carries it unchanged.
bool IsQuotable(const BYTE *data, DWORD size)
{
    if (size == 0 || data[size - 1] != 0) return false;
    for (DWORD i = 0; i + 1 < size; i++)
        if (data[i] < 0x20 || data[i] == 0x7F) return false;
    return true;
}

}  // namespace

void WriteRegValue(TextBuffer *out, const char *name, DWORD type, const BYTE *data, DWORD size)
{
    AppendQuoted(out, name, (DWORD)strlen(name));
    if (type == REG_DWORD && size == sizeof(DWORD)) {
        DWORD value = 0;
        memcpy(&value, data, sizeof(value));
        AppendText(out, "=dword:%08lx\n", (unsigned long)value);
        return;
    }
    if (type == REG_SZ && IsQuotable(data, size)) {
        AppendBytes(out, "=", 1);
        AppendQuoted(out, (const char *)data, size - 1);
        AppendBytes(out, "\n", 1);
        return;
    }
    if (type == REG_BINARY)
        AppendText(out, "=hex:");
    else
        AppendText(out, "=hex(%lx):", (unsigned long)type);
    // Lines of about 76 columns, continued with a backslash as the registry editor writes them.
    int column = (int)strlen(name) + 12;
    for (DWORD i = 0; i < size; i++) {
        bool last = i + 1 == size;
        AppendText(out, last ? "%02x" : "%02x,", data[i]);
        column += 3;
        if (!last && column > 73) {
            AppendText(out, "\\\n  ");
            column = 2;
        }
    }
    AppendBytes(out, "\n", 1);
}

void WriteRegDeletion(TextBuffer *out, const char *name)
{
    AppendQuoted(out, name, (DWORD)strlen(name));
    AppendText(out, "=-\n");
}

const char *MachineKeyPath(const char *sectionPath)
{
    static const char kMachine[] = "HKEY_LOCAL_MACHINE\\";
    if (_strnicmp(sectionPath, kMachine, sizeof(kMachine) - 1) != 0) return NULL;
    return sectionPath + sizeof(kMachine) - 1;
}
