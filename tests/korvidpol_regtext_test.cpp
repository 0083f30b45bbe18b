// korvidpol's REGEDIT4 reader and writer, without any window or server: what the writer writes
// reads back the same; hostile text is refused with the line named and bounded memory; bytes in
// any pieces read alike.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <stdlib.h>
#include <string.h>
#include <string>

#include "korvidpol/ansifile.h"
#include "korvidpol/regtext.h"
#include "tests/support/fuzz_support.h"

namespace {

struct ParsedFile {
    RegFile *file = NewRegFile();
    RegParser parser;
    bool ok = false;
    ~ParsedFile() { FreeRegFile(file); }
};

// Feeds the text in pieces of `piece` bytes (0: whole).
void Parse(const std::string &text, ParsedFile *parsed, size_t piece = 0)
{
    BeginRegParse(&parsed->parser, parsed->file);
    bool ok = true;
    if (piece == 0) piece = text.size() ? text.size() : 1;
    for (size_t at = 0; ok && at < text.size(); at += piece)
        ok = FeedRegBytes(&parsed->parser, text.data() + at, std::min(piece, text.size() - at));
    parsed->ok = ok && EndRegParse(&parsed->parser);
}

const char kHead[] = "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\SYSTEM\\Key]\n";

std::string Written(const char *name, DWORD type, const void *data, DWORD size)
{
    TextBuffer out;
    InitText(&out);
    SYSTEMTIME time = {2026, 12, 2, 8, 10, 48, 13, 0};
    WriteRegHeader(&out, "test", "VELMOR-PDC", "primary domain controller", time);
    WriteRegSection(&out, "SYSTEM\\Key");
    WriteRegValue(&out, name, type, (const BYTE *)data, size);
    std::string text = TextOf(&out);
    FreeText(&out);
    return text;
}

}  // namespace

TEST(KorvidpolRegText, WrittenValuesReadBackTheSame)
{
    std::string big(3000, '\0');
    for (size_t i = 0; i < big.size(); i++) big[i] = (char)(i * 7);
    const DWORD number = 0xDEADBEEF;
    const struct {
        const char *name;
        DWORD type;
        std::string data;
        const char *form;  // how the writer shows it
    } cases[] = {
        {"Pulse", REG_DWORD, std::string((const char *)&number, 4), "=dword:deadbeef"},
        {"With \"quotes\" \\", REG_SZ, std::string("a \\ \"b\"\0", 8), "=\"a \\\\ \\\"b\\\"\""},
        {"NoZero", REG_SZ, "abc", "=hex(1):61,62,63"},
        {"Lines", REG_SZ, std::string("one\r\ntwo\0", 9), "=hex(1):"},
        {"Scripts", REG_EXPAND_SZ, std::string("%SystemRoot%\\x\0", 15), "=hex(2):25,53"},
        {"Short", REG_DWORD, "ab", "=hex(4):61,62"},
        {"Blob", REG_BINARY, big, "=hex:00,07,0e"},
        {"Odd", 0x12345678, "", "=hex(12345678):"},
    };
    for (const auto &c : cases) {
        std::string text = Written(c.name, c.type, c.data.data(), (DWORD)c.data.size());
        EXPECT_NE(text.find(c.form), std::string::npos) << text;
        ParsedFile parsed;
        Parse(text, &parsed);
        ASSERT_TRUE(parsed.ok) << parsed.parser.error << "\n" << text;
        ASSERT_EQ(parsed.file->entryCount, 1);
        const RegFileEntry &entry = parsed.file->entries[0];
        EXPECT_STREQ(entry.name, c.name);
        EXPECT_EQ(entry.type, c.type) << c.name;
        EXPECT_EQ(std::string((const char *)entry.data, entry.size), c.data) << c.name;
        EXPECT_STREQ(parsed.file->server, "VELMOR-PDC");
        EXPECT_STREQ(parsed.file->role, "primary domain controller");
        EXPECT_STREQ(parsed.file->time, "2026-12-08 10:48:13");
    }
}

TEST(KorvidpolRegText, HostileTextIsRefusedNamingTheLine)
{
    const struct {
        std::string text;
        const char *error;
    } cases[] = {
        {"", "line 1: not a REGEDIT4 file (it is empty)"},
        {"REGEDIT5\n", "line 1: not a REGEDIT4"},
        {std::string(kHead) + "\"A\"=\"open\n", "line 4: the quoted string has no closing quote"},
        {std::string(kHead) + "\"A\"=\"bad \\n escape\"\n", "line 4: the quoted string holds a bad escape"},
        {std::string(kHead) + "\"A\"=dword:123456789\n", "line 4: dword: needs 1 to 8 hex digits"},
        {std::string(kHead) + "\"A\"=dword:12 x\n", "line 4: unexpected text after the value"},
        {std::string(kHead) + "\"A\"=hex:01,zz\n", "line 4: 'zz' is not a hex byte"},
        {std::string(kHead) + "\"A\"=hex:01,\\\n  02 03\n", "line 5: a hex byte is followed by '0'"},
        {std::string(kHead) + "\"A\"=hex(100000000):01\n", "line 4: hex( needs a type"},
        {std::string(kHead) + "\"A\"=hex:01,\\\n", "line 4: the file ends inside a continued value"},
        {std::string(kHead) + "\"A\"=1\n", "line 4: the value is none of"},
        {std::string(kHead) + "\"A\"=-\n\"a\"=-\n", "line 5: \"a\" is given a second time in this key (first on line 4)"},
        {std::string(kHead) + "\"A\" 1\n", "line 4: '=' expected"},
        {std::string(kHead) + "junk\n", "line 4: a line that is no [key], value or comment"},
        {"REGEDIT4\n\"A\"=-\n", "line 2: a value before any [key]"},
        {"REGEDIT4\n[-HKEY_LOCAL_MACHINE\\X]\n", "line 2: deleting a key is not accepted"},
        {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\X\n", "line 2: the [key] has no closing bracket"},
        {std::string(kHead) + std::string("\"A\"=\"x\0y\"\n", 10), "line 4: a NUL character"},
        {std::string(kHead) + "\"" + std::string(300, 'n') + "\"=-\n", "line 4: the quoted value name is longer than 255"},
        {std::string(kHead) + "\"A\"=\"" + std::string(kRegLineChars, 's') + "\"\n", "line 4: longer than 16384 characters"},
    };
    for (const auto &c : cases) {
        ParsedFile parsed;
        Parse(c.text, &parsed);
        EXPECT_FALSE(parsed.ok) << c.error;
        EXPECT_EQ(std::string(parsed.parser.error).find(c.error), 0u) << parsed.parser.error;
    }
}

TEST(KorvidpolRegText, LimitsOfTheTablesAreRefused)
{
    std::string values = kHead, keys = "REGEDIT4\n", hex = std::string(kHead) + "\"A\"=hex:";
    for (int i = 0; i <= kRegFileEntries; i++) values += "\"V" + std::to_string(i) + "\"=dword:1\n";
    for (int i = 0; i <= kRegFileSections; i++) keys += "[HKEY_LOCAL_MACHINE\\K" + std::to_string(i) + "]\n";
    for (int i = 0; i <= kRegDataBytes; i++) hex += (i % 20 == 19) ? "00,\\\n" : "00,";
    const struct {
        const std::string &text;
        const char *error;
    } cases[] = {
        {values, "more than 256 values"},
        {keys, "more than 64 keys"},
        {hex, "more than 8192 bytes of data"},
    };
    for (const auto &c : cases) {
        ParsedFile parsed;
        Parse(c.text, &parsed);
        EXPECT_FALSE(parsed.ok);
        EXPECT_NE(std::string(parsed.parser.error).find(c.error), std::string::npos) << parsed.parser.error;
    }
}

TEST(KorvidpolRegText, ATenMegabyteFileIsRefusedAtItsLine)
{
    char folder[MAX_PATH], path[MAX_PATH];
    GetTempPathA(sizeof(folder), folder);
    GetTempFileNameA(folder, "kpr", 0, path);
    std::string comments = "REGEDIT4\n";
    comments.reserve(10 * 1024 * 1024 + 64);
    int lines = 1;
    while (comments.size() < 10u * 1024 * 1024) {
        comments += "; a comment line of some length to fill the file up to ten megabytes\n";
        lines++;
    }
    const std::string files[] = {comments + "junk\n", "REGEDIT4\n" + std::string(10 * 1024 * 1024, 'x')};
    const std::string errors[] = {"line " + std::to_string(lines + 1) + ": a line that is no",
                                  "line 2: longer than 16384 characters"};
    for (int i = 0; i < 2; i++) {
        HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
        DWORD written = 0;
        WriteFile(file, files[i].data(), (DWORD)files[i].size(), &written, NULL);
        CloseHandle(file);
        RegFile *parsed = NewRegFile();
        char error[kRegErrorChars + MAX_PATH];
        EXPECT_FALSE(ReadRegFile(path, parsed, error, sizeof(error)));
        EXPECT_EQ(std::string(error).find(errors[i]), 0u) << error;
        FreeRegFile(parsed);
    }
    DeleteFileA(path);
}

TEST(KorvidpolRegText, PiecesOfAnySizeReadAlike)
{
    std::string text = Written("Lines", REG_SZ, "one\r\ntwo and more text to wrap over lines\0", 43);
    text += "\"Second\"=dword:00000005\r\n; comment\r\n\"Gone\"=-\r\n";
    ParsedFile whole;
    Parse(text, &whole);
    ASSERT_TRUE(whole.ok) << whole.parser.error;
    for (size_t piece : {1, 2, 3, 7, 64}) {
        ParsedFile pieces;
        Parse(text, &pieces, piece);
        ASSERT_TRUE(pieces.ok) << pieces.parser.error;
        ASSERT_EQ(pieces.file->entryCount, 3);
        for (int i = 0; i < 3; i++) {
            const RegFileEntry &a = whole.file->entries[i], &b = pieces.file->entries[i];
            EXPECT_EQ(a.line, b.line);
            EXPECT_EQ(a.remove, b.remove);
            EXPECT_EQ(std::string((char *)a.data, a.size), std::string((char *)b.data, b.size));
        }
    }
}

namespace {

// The reader's fuzz: a good file changed by one to four hostile changes, fed in random pieces.
// Each file is read within the tables or refused naming one of its lines, never anything else.
const char *const kHostileChanges[] = {
    "flipped bytes", "long line",       "bad escape",    "odd hex",      "NULs",
    "open quote",    "open continuation", "many entries", "random line", "ten megabytes",
};

std::string HostileLine(Prng &prng, int change)
{
    static const char kAlphabet[] = " \"\\=:,[]hexdwor0123f;\n-@(";
    std::string line;
    switch (change) {
    case 1: {
        const size_t lengths[] = {kRegLineChars - 1, kRegLineChars, kRegLineChars + 1,
                                  prng.Below(40000)};
        line = "\"Long\"=\"" + std::string(lengths[prng.Below(4)], (char)('a' + prng.Below(26)));
        return prng.OneIn(2) ? line + "\"\n" : line + "\n";
    }
    case 2:
        return std::string("\"Esc\"=\"a\\") + (char)prng.Below(256) + "b\"\n";
    case 3: {
        const char *const heads[] = {"hex:", "hex(ffffffff):", "hex(100000000):", "hex(-1):", "hex(7):"};
        const char *const items[] = {"00", "0", "123", "zz", "", " 0 1", "ff"};
        line = std::string("\"Hex\"=") + heads[prng.Below(5)];
        const DWORD counts[] = {kRegDataBytes - 1, kRegDataBytes, kRegDataBytes + 1, prng.Below(64)};
        DWORD count = counts[prng.Below(4)];
        for (DWORD i = 0; i < count; i++) {
            line += prng.OneIn(200) ? items[prng.Below(7)] : "ab";
            line += i + 1 == count ? "" : i % 25 == 24 ? ",\\\n  " : ",";
        }
        return line + "\n";
    }
    case 7: {
        bool sections = prng.OneIn(2);
        int count = (sections ? kRegFileSections : kRegFileEntries) - 1 + (int)prng.Below(3);
        for (int i = 0; i < count; i++)
            line += sections ? "[HKEY_LOCAL_MACHINE\\K" + std::to_string(i) + "]\n"
                             : "\"V" + std::to_string(i) + "\"=dword:1\n";
        return line;
    }
    default:
        for (DWORD length = prng.Below(600); length > 0; length--)
            line += (char)(prng.Below(4) ? kAlphabet[prng.Below(sizeof(kAlphabet) - 1)] : prng.Below(256));
        return line + "\n";
    }
}

// One hostile change to the file at a random place; counts[kind]++.
void ChangeFile(Prng &prng, std::string &bytes, FuzzCounts &counts)
{
    int change = prng.OneIn(1000) ? 9 : (int)prng.Below(9);
    counts[std::string("reader ") + kHostileChanges[change]]++;
    size_t at = bytes.empty() ? 0 : prng.Below((DWORD)bytes.size());
    switch (change) {
    case 0:
        for (int flips = 1 + (int)prng.Below(4); flips > 0 && !bytes.empty(); flips--)
            bytes[prng.Below((DWORD)bytes.size())] = (char)prng.Below(256);
        return;
    case 4:
        for (int zeros = 1 + (int)prng.Below(3); zeros > 0; zeros--)
            bytes.insert(prng.Below((DWORD)bytes.size() + 1), 1, '\0');
        return;
    case 5:
        bytes += "\"Open\"=\"no closing quote";
        return;
    case 6:
        bytes += "\"Cont\"=hex:01,02,\\\n";
        return;
    case 9:
        bytes.reserve(bytes.size() + 10 * 1024 * 1024 + 64);
        while (bytes.size() < 10u * 1024 * 1024)
            bytes += prng.OneIn(2) ? "; a comment to fill the file up to ten megabytes\n" : "\"N\"=-\n";
        return;
    }
    // The rest are whole lines: put them at the start of a line.
    at = bytes.rfind('\n', at);
    bytes.insert(at == std::string::npos ? bytes.size() : at + 1, HostileLine(prng, change));
}

// Rounds first to last of a seed; adds what it saw to counts.
void FuzzRegReader(uint64_t seed, unsigned long first, unsigned long last,
                   FuzzCounts &counts)
{
    std::string good = Written("Scripts", REG_EXPAND_SZ, "%SystemRoot%\\var\\opt\\lanman\\x\0", 31);
    good += "\"Name\"=\"a \\\\ b\"\n\"N\"=dword:0000001e\n\"D\"=-\n@=\"default\"\n";
    for (unsigned long round = first; round < last; round++) {
        Prng prng = Prng::OfRound(seed, round);
        std::string bytes = good;
        for (int changes = 1 + (int)prng.Below(4); changes > 0; changes--)
            ChangeFile(prng, bytes, counts);
        SCOPED_TRACE("seed " + std::to_string(seed) + " round " + std::to_string(round));
        ParsedFile parsed;
        Parse(bytes, &parsed, 1 + prng.Below(prng.OneIn(2) ? 50 : 70000));
        counts["reader bytes"] += bytes.size();
        counts["iterations"]++;
        if (parsed.ok) {
            counts["reader files read"]++;
            ASSERT_LE(parsed.file->entryCount, kRegFileEntries);
            for (int i = 0; i < parsed.file->entryCount; i++) {
                const RegFileEntry &entry = parsed.file->entries[i];
                ASSERT_LE(entry.size, (DWORD)kRegDataBytes);
                ASSERT_LT(strnlen(entry.name, kRegValueNameChars), (size_t)kRegValueNameChars);
                ASSERT_TRUE(entry.section >= 0 && entry.section < parsed.file->sectionCount);
            }
            continue;
        }
        counts["reader files refused"]++;
        long line = 0;
        ASSERT_EQ(1, sscanf(parsed.parser.error, "line %ld: ", &line)) << parsed.parser.error;
        ASSERT_GE(line, 1) << parsed.parser.error;
        ASSERT_LE(line, std::count(bytes.begin(), bytes.end(), '\n') + 1) << parsed.parser.error;
        ASSERT_LT(strnlen(parsed.parser.error, kRegErrorChars), (size_t)kRegErrorChars);
    }
}

}  // namespace

TEST(KorvidpolRegText, HostileFilesAreReadOrRefusedNamingALine)
{
    FuzzCounts counts;
    FuzzRegReader(1, 0, 2000, counts);
    EXPECT_GT(counts["reader files read"], 0u);
    EXPECT_GT(counts["reader files refused"], 0u);
}

// bench/fuzz.sh runs it with the long fuzz's iterations, seed and first round.
TEST(KorvidpolRegText, DISABLED_Long)
{
    FuzzCounts counts;
    DWORD start = GetTickCount();
    unsigned long first = EnvNumber("KORVID_FUZZ_FIRST", 0);
    FuzzRegReader(EnvNumber("KORVID_FUZZ_SEED", 1), first,
                  first + EnvNumber("KORVID_FUZZ_ITERATIONS", 100000), counts);
    PrintFuzzCounts("reader fuzz", "files", counts, GetTickCount() - start);
}

namespace {

struct Decoded {
    std::string text;
    bool ok;
    std::string error;
};

bool AppendDecoded(void *context, const char *text, size_t count)
{
    ((std::string *)context)->append(text, count);
    return true;
}

// The bytes through the decoder in pieces of `piece` bytes, as a file read in chunks gives them.
Decoded Decode(const std::string &bytes, size_t piece)
{
    AnsiDecoder *decoder = (AnsiDecoder *)malloc(sizeof(AnsiDecoder));
    BeginAnsiDecode(decoder);
    Decoded decoded = {"", true, ""};
    for (size_t at = 0; decoded.ok && at < bytes.size(); at += piece)
        decoded.ok = FeedAnsiBytes(decoder, (const BYTE *)bytes.data() + at, std::min(piece, bytes.size() - at),
                                   AppendDecoded, &decoded.text);
    if (decoded.ok) decoded.ok = EndAnsiDecode(decoder, AppendDecoded, &decoded.text);
    decoded.error = decoder->error;
    free(decoder);
    return decoded;
}

std::string Utf16(const std::wstring &text)
{
    return "\xFF\xFE" + std::string((const char *)text.data(), text.size() * sizeof(wchar_t));
}

}  // namespace

// The byte-order mark decides the encoding; the text comes out in the ANSI code page exactly,
// whatever the pieces; a character without an exact form, bad UTF-8, half a UTF-16 character, a
// NUL or a long line is refused with its line. ReadAnsiFile gives the same from a file.
TEST(KorvidpolRegText, TextIsDecodedByItsMarkIntoExactAnsi)
{
    const std::string longLine(kAnsiLineChars + 1, 'x');
    const struct {
        std::string bytes;
        const char *text;   // NULL: refused
        const char *error;
    } cases[] = {
        {"plain \xFC\r\nZ\xFCrich", "plain \xFC\r\nZ\xFCrich", ""},
        {"\xEF\xBB\xBFZ\xC3\xBCrich\r\n\xE2\x82\xAC", "Z\xFCrich\r\n\x80", ""},
        {Utf16(L"Z\x00FCrich\r\n\x20AC\n"), "Z\xFCrich\r\n\x80\n", ""},
        {"\xFF", "\xFF", ""},
        {"\xEF\xBB", "\xEF\xBB", ""},
        {"", "", ""},
        {"\xEF\xBB\xBF" "a\n\xCE\xA9\n", NULL, "line 2: U+03A9 has no exact form in the ANSI code page"},
        {"\xEF\xBB\xBF" "a\nb\n\xC3(\n", NULL, "line 3: bytes that are not UTF-8"},
        {Utf16(L"a\n\xD83D\xDE00"), NULL, "line 2: U+1F600 has no exact form"},
        {Utf16(L"a\nb") + "c", NULL, "line 2: the UTF-16 text ends in half a character"},
        {Utf16(std::wstring(L"a\n\0", 3)), NULL, "line 2: a NUL character"},
        {std::string("a\n\0", 3), NULL, "line 2: a NUL character"},
        {"a\n" + longLine, NULL, "line 2: longer than 16384 characters"},
        {"\xEF\xBB\xBF" + longLine, NULL, "line 1: longer than 16384 characters"},
    };
    for (const auto &c : cases) {
        for (size_t piece : {(size_t)1, (size_t)2, (size_t)3, (size_t)65536}) {
            Decoded decoded = Decode(c.bytes, piece);
            EXPECT_EQ(decoded.ok, c.text != NULL) << c.error << " " << piece << " " << decoded.error;
            if (c.text != NULL) EXPECT_EQ(decoded.text, c.text) << piece;
            else EXPECT_EQ(decoded.error.find(c.error), 0u) << decoded.error;
        }
        char folder[MAX_PATH], path[MAX_PATH], error[kAnsiErrorChars + MAX_PATH] = "";
        GetTempPathA(sizeof(folder), folder);
        GetTempFileNameA(folder, "kpa", 0, path);
        HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
        DWORD written = 0;
        WriteFile(file, c.bytes.data(), (DWORD)c.bytes.size(), &written, NULL);
        CloseHandle(file);
        TextBuffer text;
        EXPECT_EQ(ReadAnsiFile(path, &text, error, sizeof(error)), c.text != NULL) << error;
        if (c.text != NULL) EXPECT_EQ(std::string(TextOf(&text), text.length), c.text);
        else EXPECT_EQ(std::string(error).find(c.error), 0u) << error;
        FreeText(&text);
        DeleteFileA(path);
    }
}

// The registry editor's export holds text values' bytes in UTF-16LE; REGEDIT4 holds them as stored.
TEST(KorvidpolRegText, TheHeaderDecidesWhatTextTypesHexBytesMean)
{
    const std::string value = "\"M\"=hex(7):5a,00,fc,00,00,00,61,00,00,00,00,00\n";
    ParsedFile editor, korvidpol;
    Parse("Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\SYSTEM\\Key]\n" + value, &editor);
    Parse(kHead + value, &korvidpol);
    ASSERT_TRUE(editor.ok && korvidpol.ok) << editor.parser.error << korvidpol.parser.error;
    const RegFileEntry &wide = editor.file->entries[0], &stored = korvidpol.file->entries[0];
    EXPECT_EQ(std::string((const char *)wide.data, wide.size), std::string("Z\xFC\0a\0\0", 6));
    EXPECT_EQ(stored.size, 12u);
}
