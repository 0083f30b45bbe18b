// Text files as Windows writes them, read as the ANSI text the registry and korvidpol keep.
//
// The byte-order mark decides the encoding: FF FE is UTF-16LE (as Windows PowerShell 5.1's
// redirection and the registry editor's Export write), EF BB BF is UTF-8, none is the ANSI code
// page, whose bytes are taken as they are. Every character is converted to the ANSI code page
// exactly: one with no exact ANSI form (no best fit, no '?') refuses the file with its line.
// Lines are held to kAnsiLineChars characters and no NUL is accepted, so a hostile file can
// only be refused; memory stays the same whatever the file holds.
#ifndef KORVIDPOL_ANSIFILE_H
#define KORVIDPOL_ANSIFILE_H

#include <windows.h>

#include "korvidpol/text.h"

enum {
    kAnsiLineChars = 16384,  // one line, without its line break
    kAnsiErrorChars = 320,
};

enum TextEncoding { EncodingAnsi, EncodingUtf8, EncodingUtf16 };

// The decoder's state between two pieces of bytes.
struct AnsiDecoder {
    TextEncoding encoding;
    int line;               // the line being gathered, from 1
    bool started;           // the byte-order mark has been looked for
    BYTE head[3];           // the first bytes, until there are enough to tell the mark
    int headLength;
    BYTE raw[kAnsiLineChars * 4 + 8];  // the line's bytes as the file holds them
    int rawLength;
    WCHAR wide[kAnsiLineChars + 2];
    char ansi[kAnsiLineChars * 2 + 4];
    bool failed;
    char error[kAnsiErrorChars];  // "line N: ..." once failed
};

// Receives each decoded piece of ANSI text (whole lines with their line break, the last one
// perhaps without); false stops the decoding (the sink has its own error).
typedef bool (*AnsiSink)(void *context, const char *text, size_t count);

// An AnsiDecoder is large (about 100 KB): allocate it.
void BeginAnsiDecode(AnsiDecoder *decoder);
// Takes the next bytes of the file; false once it is refused (decoder->error) or the sink stopped.
bool FeedAnsiBytes(AnsiDecoder *decoder, const BYTE *bytes, size_t count, AnsiSink sink, void *context);
// The end of the file: the last line.
bool EndAnsiDecode(AnsiDecoder *decoder, AnsiSink sink, void *context);

// Decodes a whole file into sink, piece by piece. false with error "cannot open FILE (error N)",
// the decoder's "line N: reason", or "out of memory" (also when the sink stopped: the caller that
// knows why says so instead).
bool DecodeAnsiFile(const char *path, AnsiSink sink, void *context, char *error, int capacity);

// Reads a whole file into ANSI text, line breaks as the file has them (CR LF stays CR LF).
// false with error "line N: reason", "cannot open FILE (error N)" or a memory failure; the text
// is then freed. The text is held to kTextCeiling bytes.
bool ReadAnsiFile(const char *path, TextBuffer *text, char *error, int capacity);

#endif
