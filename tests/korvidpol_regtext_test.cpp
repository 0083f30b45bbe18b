// korvidpol's REGEDIT4 reader and writer, without any window or server: what the writer writes
// reads back the same; hostile text is refused with the line named and bounded memory; bytes in
// any pieces read alike.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <stdlib.h>
#include <string.h>
#include <string>

#include "korvidpol/regtext.h"

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
        {"Windows Registry Editor Version 5.00\n", "line 1: not a REGEDIT4"},
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

// Random bytes, and a good file with random bytes changed, in random pieces: each is read or
// refused with a line named, never anything else.
TEST(KorvidpolRegText, FuzzedBytesAreReadOrRefused)
{
    std::string good = Written("Scripts", REG_EXPAND_SZ, "%SystemRoot%\\var\\opt\\lanman\\x\0", 31);
    good += "\"Name\"=\"a \\\\ b\"\n\"N\"=dword:0000001e\n\"D\"=-\n";
    unsigned seed = 12345;
    auto next = [&seed]() { return seed = seed * 1103515245u + 12345u, (seed >> 16) & 0x7FFF; };
    int refused = 0, read = 0;
    for (int round = 0; round < 2000; round++) {
        std::string bytes = good;
        if (round % 2 == 0) {
            bytes.assign(next() % 600, '\0');
            for (char &c : bytes) c = (char)(next() % 4 ? " \"\\=:,[]hexdwor0123f;\n-@("[next() % 26] : next());
            bytes.insert(0, "REGEDIT4\n[HKEY_LOCAL_MACHINE\\K]\n");
        } else {
            for (int flips = 1 + next() % 4; flips > 0; flips--) bytes[next() % bytes.size()] = (char)next();
        }
        ParsedFile parsed;
        Parse(bytes, &parsed, 1 + next() % 50);
        if (parsed.ok) {
            read++;
            EXPECT_LE(parsed.file->entryCount, kRegFileEntries);
        } else {
            refused++;
            EXPECT_EQ(strncmp(parsed.parser.error, "line ", 5), 0) << parsed.parser.error;
        }
    }
    EXPECT_GT(refused, 0);
    EXPECT_GT(read, 0);
}
