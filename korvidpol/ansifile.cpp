#include "korvidpol/ansifile.h"

#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

void BeginAnsiDecode(AnsiDecoder *decoder)
{
    decoder->encoding = EncodingAnsi;
    decoder->line = 1;
    decoder->started = false;
    decoder->headLength = 0;
    decoder->rawLength = 0;
    decoder->failed = false;
    decoder->error[0] = 0;
}

namespace {

const BYTE kUtf16Mark[] = {0xFF, 0xFE};
const BYTE kUtf8Mark[] = {0xEF, 0xBB, 0xBF};

bool Refuse(AnsiDecoder *decoder, const char *format, ...) __attribute__((format(printf, 2, 3)));

bool Refuse(AnsiDecoder *decoder, const char *format, ...)
{
    char reason[kAnsiErrorChars];
    va_list args;
    va_start(args, format);
    vsnprintf(reason, sizeof(reason), format, args);
    va_end(args);
    snprintf(decoder->error, sizeof(decoder->error), "line %d: %s", decoder->line, reason);
    decoder->failed = true;
    return false;
}

// Whether the first `count` bytes may still grow into the mark.
bool MayBeMark(const BYTE *bytes, int count, const BYTE *mark, int markLength)
{
    return count <= markLength && memcmp(bytes, mark, count) == 0;
}

// The bytes of a line as the file holds them, and where a line ends.
int RawLimit(TextEncoding encoding)
{
    return encoding == EncodingUtf16 ? (kAnsiLineChars + 1) * 2 : encoding == EncodingUtf8 ? kAnsiLineChars * 4 + 1
                                                                                           : kAnsiLineChars + 1;
}

bool EndsLine(const AnsiDecoder *decoder)
{
    const BYTE *raw = decoder->raw;
    int n = decoder->rawLength;
    if (decoder->encoding != EncodingUtf16) return raw[n - 1] == '\n';
    return n % 2 == 0 && raw[n - 2] == '\n' && raw[n - 1] == 0;
}

// The text in the ANSI code page, character for character: false when one has no exact form.
bool ToExactAnsi(const WCHAR *wide, int count, char *ansi, int capacity, int *length)
{
    if (count == 0) {
        *length = 0;
        return true;
    }
    BOOL usedDefault = FALSE;
    int used = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, count, ansi, capacity, NULL, &usedDefault);
    if (used <= 0 || usedDefault) return false;
    // The way back must give the same characters: no mapping that only looks exact.
    WCHAR back[kAnsiLineChars + 2];
    int backCount = MultiByteToWideChar(CP_ACP, 0, ansi, used, back, kAnsiLineChars + 2);
    if (backCount != count || memcmp(back, wide, count * sizeof(WCHAR)) != 0) return false;
    *length = used;
    return true;
}

// The first character of the text that has no exact ANSI form, for the error.
unsigned FirstInexact(const WCHAR *wide, int count)
{
    char ansi[8];
    int length = 0;
    for (int i = 0; i < count; i++) {
        int units = IS_HIGH_SURROGATE(wide[i]) && i + 1 < count && IS_LOW_SURROGATE(wide[i + 1]) ? 2 : 1;
        if (!ToExactAnsi(wide + i, units, ansi, sizeof(ansi), &length))
            return units == 2 ? 0x10000 + ((wide[i] - 0xD800) << 10) + (wide[i + 1] - 0xDC00) : wide[i];
        i += units - 1;
    }
    return 0xFFFD;
}

// One gathered line (or the last piece of the file) to the sink, as ANSI text.
bool DecodeLine(AnsiDecoder *decoder, AnsiSink sink, void *context)
{
    int n = decoder->rawLength;
    decoder->rawLength = 0;
    if (n == 0) return true;
    if (decoder->encoding == EncodingAnsi) {
        if (n - (decoder->raw[n - 1] == '\n' ? 1 : 0) > kAnsiLineChars)
            return Refuse(decoder, "longer than %d characters", (int)kAnsiLineChars);
        if (memchr(decoder->raw, 0, n) != NULL) return Refuse(decoder, "a NUL character");
        return sink(context, (const char *)decoder->raw, n);
    }
    int count = 0;
    if (decoder->encoding == EncodingUtf16) {
        if (n % 2 != 0) return Refuse(decoder, "the UTF-16 text ends in half a character");
        count = n / 2;
        memcpy(decoder->wide, decoder->raw, n);
    } else {
        count = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, (const char *)decoder->raw, n, decoder->wide,
                                    kAnsiLineChars + 2);
        if (count <= 0) {
            if (GetLastError() == ERROR_INSUFFICIENT_BUFFER)
                return Refuse(decoder, "longer than %d characters", (int)kAnsiLineChars);
            return Refuse(decoder, "bytes that are not UTF-8");
        }
    }
    int characters = count - (decoder->wide[count - 1] == L'\n' ? 1 : 0);
    if (characters > kAnsiLineChars) return Refuse(decoder, "longer than %d characters", (int)kAnsiLineChars);
    for (int i = 0; i < count; i++)
        if (decoder->wide[i] == 0) return Refuse(decoder, "a NUL character");
    int length = 0;
    if (!ToExactAnsi(decoder->wide, count, decoder->ansi, sizeof(decoder->ansi), &length))
        return Refuse(decoder, "U+%04X has no exact form in the ANSI code page %u",
                      FirstInexact(decoder->wide, count), GetACP());
    return sink(context, decoder->ansi, length);
}

bool TakeByte(AnsiDecoder *decoder, BYTE byte, AnsiSink sink, void *context)
{
    if (decoder->rawLength >= RawLimit(decoder->encoding))
        return Refuse(decoder, "longer than %d characters", (int)kAnsiLineChars);
    decoder->raw[decoder->rawLength++] = byte;
    if (!EndsLine(decoder)) return true;
    if (!DecodeLine(decoder, sink, context)) return false;
    decoder->line++;
    return true;
}

// The mark decides the encoding once enough bytes are there (or the file ends); the bytes after
// it are taken as text.
bool StartText(AnsiDecoder *decoder, AnsiSink sink, void *context)
{
    int skip = 0;
    if (decoder->headLength >= 2 && memcmp(decoder->head, kUtf16Mark, 2) == 0) {
        decoder->encoding = EncodingUtf16;
        skip = 2;
    } else if (decoder->headLength == 3 && memcmp(decoder->head, kUtf8Mark, 3) == 0) {
        decoder->encoding = EncodingUtf8;
        skip = 3;
    }
    decoder->started = true;
    for (int i = skip; i < decoder->headLength; i++)
        if (!TakeByte(decoder, decoder->head[i], sink, context)) return false;
    return true;
}

}  // namespace

bool FeedAnsiBytes(AnsiDecoder *decoder, const BYTE *bytes, size_t count, AnsiSink sink, void *context)
{
    for (size_t i = 0; i < count && !decoder->failed; i++) {
        if (decoder->started) {
            if (!TakeByte(decoder, bytes[i], sink, context)) return false;
            continue;
        }
        decoder->head[decoder->headLength++] = bytes[i];
        int n = decoder->headLength;
        bool undecided = (MayBeMark(decoder->head, n, kUtf16Mark, 2) && n < 2) ||
                         (MayBeMark(decoder->head, n, kUtf8Mark, 3) && n < 3);
        if (!undecided && !StartText(decoder, sink, context)) return false;
    }
    return !decoder->failed;
}

bool EndAnsiDecode(AnsiDecoder *decoder, AnsiSink sink, void *context)
{
    if (decoder->failed) return false;
    if (!decoder->started && !StartText(decoder, sink, context)) return false;
    return DecodeLine(decoder, sink, context);
}

namespace {

bool AppendToText(void *context, const char *text, size_t count)
{
    return AppendBytes((TextBuffer *)context, text, count);
}

}  // namespace

bool DecodeAnsiFile(const char *path, AnsiSink sink, void *context, char *error, int capacity)
{
    HANDLE handle = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING,
                                FILE_FLAG_SEQUENTIAL_SCAN, NULL);
    if (handle == INVALID_HANDLE_VALUE) {
        snprintf(error, capacity, "cannot open %s (error %lu)", path, GetLastError());
        return false;
    }
    static const DWORD kChunk = 65536;
    AnsiDecoder *decoder = (AnsiDecoder *)malloc(sizeof(AnsiDecoder));
    BYTE *chunk = (BYTE *)malloc(kChunk);
    bool ok = decoder != NULL && chunk != NULL;
    if (ok) {
        BeginAnsiDecode(decoder);
        DWORD read = 0;
        while (ok && ReadFile(handle, chunk, kChunk, &read, NULL) && read > 0)
            ok = FeedAnsiBytes(decoder, chunk, read, sink, context);
        if (ok) ok = EndAnsiDecode(decoder, sink, context);
    }
    if (!ok) snprintf(error, capacity, "%s", decoder != NULL && decoder->failed ? decoder->error : "out of memory");
    free(chunk);
    free(decoder);
    CloseHandle(handle);
    return ok;
}

bool ReadAnsiFile(const char *path, TextBuffer *text, char *error, int capacity)
{
    InitText(text);
    bool ok = DecodeAnsiFile(path, AppendToText, text, error, capacity);
    if (!ok && text->cut) snprintf(error, capacity, "longer than %d bytes", (int)kTextCeiling);
    if (!ok) FreeText(text);
    return ok;
}
