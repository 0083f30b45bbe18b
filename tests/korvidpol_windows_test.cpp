// korvidpol as Windows meets it: values a server refuses to give, files that PowerShell and the
// registry editor write, a console that shows other bytes than a pipe carries, Ctrl+C during a
// run, paths, and a failed flush. Through the real korvidpol-lab.exe against the lab network.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <thread>

#include "lab/labconfig.h"
#include "tests/support/console_testing.h"
#include "tests/support/korvidpol_testing.h"

namespace {

const char kAlerter[] = "SYSTEM\\CurrentControlSet\\Services\\Alerter\\Parameters";
const char kUps[] = "SYSTEM\\CurrentControlSet\\Services\\UPS\\Parameters";
const char kNetlogon[] = "SYSTEM\\CurrentControlSet\\Services\\Netlogon\\Parameters";

bool Contains(const std::string &text, const std::string &part) { return text.find(part) != std::string::npos; }

std::string Section(const char *key) { return std::string("\r\n[HKEY_LOCAL_MACHINE\\") + key + "]\r\n"; }

// Bytes as hex(N): writes them: "25,53,00".
std::string HexBytes(const void *data, size_t size)
{
    std::string hex;
    for (size_t i = 0; i < size; i++) {
        char byte[4];
        snprintf(byte, sizeof(byte), i ? ",%02x" : "%02x", ((const BYTE *)data)[i]);
        hex += byte;
    }
    return hex;
}

// The text as the registry editor's export stores a text value: UTF-16LE with its terminator.
std::string Utf16Bytes(const wchar_t *text) { return HexBytes(text, (wcslen(text) + 1) * sizeof(wchar_t)); }

}  // namespace

TEST(Korvidpol, AValueThatCannotBeReadIsAnErrorOfShowExportAndDiff)
{
    const std::string error = "korvidpol: \\\\VELMOR-PDC: alerter CountNotOnNetworkCache could not be read (5): "
                              "Access is denied (5).\n";
    const PolCase cases[] = {
        {"show VELMOR-PDC alerter", "alerter  CountNotOnNetworkCache  stored (unreadable: 5)  note: could not be read\n"},
        {"export VELMOR-PDC alerter", "; \"CountNotOnNetworkCache\" could not be read (5)\n"},
        {"export VELMOR-PDC alerter /out:pdc.kpol", "\\\\VELMOR-PDC  exported to "},
        {"diff \\\\VELMOR-PDC \\\\VELMOR-BDC alerter", "alerter  CountNotOnNetworkCache  (unreadable: 5) -> 10\n"},
    };
    std::string folder = FreshFolder("unreadable");
    // Both reading paths: the batched read the fault refuses, and value by value.
    for (DWORD batch : {(DWORD)0, (DWORD)ERROR_CALL_NOT_IMPLEMENTED}) {
        LoadPolLab();
        LabSetFault("VELMOR-PDC", "QueryMultiple", kAlerter, batch);
        LabSetFault("VELMOR-PDC", "QueryValue", (std::string(kAlerter) + "\\CountNotOnNetworkCache").c_str(), 5);
        LabDeleteRegValue("VELMOR-PDC", kAlerter, "IncludeMessageHeader");  // missing is no error
        for (const auto &c : cases) {
            PolRun run = RunPol(c.arguments, folder);
            EXPECT_EQ(run.code, 1u) << c.arguments;
            EXPECT_EQ(run.err, error) << c.arguments;
            EXPECT_TRUE(Contains(run.out, c.text)) << c.arguments << "\n" << run.out;
        }
        EXPECT_TRUE(Contains(ReadTextFile(folder + "\\pdc.kpol"), "; \"CountNotOnNetworkCache\" could not be read (5)\n"));
        LabClearFaults("VELMOR-PDC");
        PolRun clean = RunPol("export VELMOR-PDC alerter");
        EXPECT_EQ(clean.code, 0u);
        EXPECT_EQ(clean.err, "");
        EXPECT_TRUE(Contains(clean.out, "; \"IncludeMessageHeader\" is missing\n")) << clean.out;
    }
}

// An export redirected by PowerShell (UTF-16LE), the same as UTF-8 with its mark, and the
// registry editor's own export (its text values in UTF-16LE): each restores the stored bytes.
TEST(Korvidpol, FilesPowerShellAndTheRegistryEditorWriteRestoreTheSameBytes)
{
    LoadPolLab();
    const char *copies[] = {"PDC-UTF16", "PDC-UTF8", "PDC-V5"};
    for (const char *copy : copies) AddLabCopy("VELMOR-PDC", copy);
    const char message[] = "Str\xF6m in Z\xFC" "rich, caf\xE9 \xA7 \x80";
    const char scripts[] = "C:\\Z\xFC" "rich\\scripts";
    LabSetRegString("VELMOR-PDC", kUps, "PowerFailMessage", message);
    LabSetRegValue("VELMOR-PDC", kNetlogon, "Scripts", REG_EXPAND_SZ, scripts, sizeof(scripts));
    PolRun exported = RunPol("export VELMOR-PDC ups netlogon");
    ASSERT_EQ(exported.code, 0u) << exported.err;
    ASSERT_TRUE(Contains(exported.out, "caf\xE9")) << "standard output carries the ANSI bytes";
    const std::string editor = "Windows Registry Editor Version 5.00\r\n" + Section(kNetlogon) +
                               "\"Scripts\"=hex(2):" + Utf16Bytes(L"C:\\Z\x00FCrich\\scripts") + "\r\n" + Section(kUps) +
                               "\"PowerFailMessage\"=\"" + message + "\"\r\n";
    const std::string files[] = {AsUtf16File(exported.out), AsUtf8File(exported.out), AsUtf16File(editor)};
    std::string folder = FreshFolder("encodings");
    for (int i = 0; i < 3; i++) {
        std::string name = std::string(copies[i]) + ".kpol";
        WriteTextFile(folder + "\\" + name, files[i]);
        PolRun restored = RunPol("restore " + name + " " + copies[i], folder);
        EXPECT_EQ(restored.code, 0u) << copies[i] << ": " << restored.err;
        EXPECT_TRUE(Contains(restored.out, std::string("\\\\") + copies[i] + "  2 values written\n")) << restored.out;
        for (const char *key : {kUps, kNetlogon})
            EXPECT_EQ(KeyContents(copies[i], key), KeyContents("VELMOR-PDC", key)) << copies[i] << " " << key;
    }
}

TEST(Korvidpol, ACharacterWithoutAnExactAnsiFormRefusesTheFileAtItsLine)
{
    const std::string head = std::string("REGEDIT4\r\n") + Section(kUps);
    const std::string editorHead = std::string("Windows Registry Editor Version 5.00\r\n") + Section(kNetlogon);
    const struct {
        std::string bytes;
        const char *error;
    } cases[] = {
        {"\xEF\xBB\xBF" + head + "\"PowerFailMessage\"=\"\xCE\xA9hm\"\r\n", "line 4: U+03A9 has no exact form in the ANSI code page"},
        {"\xEF\xBB\xBF" + head + "\"PowerFailMessage\"=\"\xC3(\"\r\n", "line 4: bytes that are not UTF-8"},
        {AsUtf16File(editorHead + "\"Scripts\"=hex(2):" + Utf16Bytes(L"C:\\\x03A9") + "\r\n"),
         "line 4: \"Scripts\" holds a character with no exact form in the ANSI code page"},
        {AsUtf16File(editorHead + "\"Scripts\"=hex(2):43,00,\\\r\n  3a\r\n"), "line 4: \"Scripts\": UTF-16 text of an odd number"},
        {AsUtf16File(head) + std::string("\"\0\0\0", 4), "line 4: a NUL character"},
    };
    LoadPolLab();
    std::string folder = FreshFolder("inexact");
    for (const auto &c : cases) {
        WriteTextFile(folder + "\\p.kpol", c.bytes);
        PolRun run = RunPol("restore p.kpol VELMOR-PDC", folder);
        EXPECT_EQ(run.code, 2u) << c.error;
        EXPECT_TRUE(Contains(run.err, std::string("korvidpol: p.kpol: ") + c.error)) << run.err;
    }
    EXPECT_EQ(LabCounter("VELMOR-PDC", "RoundTrips"), 0u);
}

TEST(Korvidpol, AConsoleShowsTheCharactersAndAPipeGetsTheAnsiBytes)
{
    LoadPolLab();
    LabSetRegString("VELMOR-PDC", kUps, "PowerFailMessage", "Z\xFCrich caf\xE9");
    ConsoleRun console = RunInConsole(PolCommandLine("show VELMOR-PDC ups"));
    EXPECT_EQ(console.code, 0u);
    EXPECT_NE(console.screen.find(L"ups  PowerFailMessage  stored \"Z\x00FCrich caf\x00E9\""), std::wstring::npos);
    EXPECT_NE(console.screen.find(L"\\\\VELMOR-PDC  primary domain controller\n"), std::wstring::npos);
    // Standard error goes the same way: an unknown server's error line.
    ConsoleRun error = RunInConsole(PolCommandLine("show Z\xFC" "RICH-PC"));
    EXPECT_EQ(error.code, 1u);
    EXPECT_NE(error.screen.find(L"korvidpol: \\\\Z\x00FCRICH-PC: "), std::wstring::npos);
    PolRun piped = RunPol("show VELMOR-PDC ups");
    EXPECT_TRUE(Contains(piped.out, "stored \"Z\xFCrich caf\xE9\"")) << piped.out;
}

TEST(Korvidpol, PathsAreFullAndAnyFolderServesAsBackup)
{
    LoadPolLab();
    std::string folder = FreshFolder("paths");
    PolRun exported = RunPol("export VELMOR-PDC alerter /out:pdc.kpol", folder);
    EXPECT_EQ(exported.out, "\\\\VELMOR-PDC  exported to " + folder + "\\pdc.kpol\n");
    // A file on a share is a file, not a computer of that name.
    PolRun share = RunPol("diff \\\\NOHOST\\share\\pdc.kpol \\\\VELMOR-PDC", folder);
    EXPECT_EQ(share.code, 2u);
    EXPECT_TRUE(Contains(share.err, "korvidpol: \\\\NOHOST\\share\\pdc.kpol: cannot open")) << share.err;
    PolRun same = RunPol("diff pdc.kpol \\\\VELMOR-PDC", folder);
    EXPECT_EQ(same.code, 0u) << same.out << same.err;
    // Any file name is read: this one is a .reg.
    WriteTextFile(folder + "\\p.reg", "REGEDIT4\r\n" + Section(kAlerter) + "\"CountNotOnNetworkCache\"=dword:14\r\n");
    char drive[MAX_PATH];
    GetWindowsDirectoryA(drive, sizeof(drive));
    std::string root = std::string(drive, 3);  // "C:\"
    for (const std::string &backup : {folder + "\\made\\on\\the\\way", folder, folder + "\\", root}) {
        PolRun run = RunPol("restore p.reg VELMOR-MEMBER /backup:" + backup, folder);
        EXPECT_EQ(run.code, 0u) << backup << ": " << run.err;
        std::string full = backup.back() == '\\' ? backup : backup + "\\";
        EXPECT_TRUE(Contains(run.out, "\\\\VELMOR-MEMBER  undo file: " + full + "VELMOR-MEMBER-")) << run.out;
        for (const std::string &file : FilesIn(backup)) DeleteFileA(file.c_str());
        LabSetRegDword("VELMOR-MEMBER", kAlerter, "CountNotOnNetworkCache", 10);
    }
}

TEST(Korvidpol, AFailedFlushIsANoteAndTheRestoreGoesOn)
{
    LoadPolLab();
    LabSetFault("VELMOR-MEMBER", "Flush", kAlerter, 5);
    std::string folder = FreshFolder("flush");
    WriteTextFile(folder + "\\p.kpol", "REGEDIT4\r\n" + Section(kAlerter) + "\"CountNotOnNetworkCache\"=dword:14\r\n" +
                                           Section(kUps) + "\"PowerFailMessage\"=\"Leave now.\"\r\n");
    PolRun run = RunPol("restore p.kpol VELMOR-MEMBER", folder);
    EXPECT_EQ(run.code, 0u) << run.err;
    EXPECT_TRUE(Contains(run.out, std::string("\\\\VELMOR-MEMBER  note: ") + kAlerter +
                                      " is written but could not be flushed: Access is denied (5).\n")) << run.out;
    EXPECT_TRUE(Contains(run.out, "\\\\VELMOR-MEMBER  2 values written\n")) << run.out;
    std::string message;
    EXPECT_TRUE(LabGetRegString("VELMOR-MEMBER", kUps, "PowerFailMessage", &message));
    EXPECT_EQ(message, "Leave now.");
    EXPECT_EQ(LabCounter("VELMOR-MEMBER", "RegFlushKey"), 2u);
}

namespace {

// Reads the pipe until the text holds `part` or the pipe ends; true when it came.
bool ReadUntil(HANDLE pipe, std::string *text, const std::string &part)
{
    char buffer[4096];
    DWORD read = 0;
    while (text->find(part) == std::string::npos) {
        if (!ReadFile(pipe, buffer, sizeof(buffer), &read, NULL) || read == 0) return false;
        text->append(buffer, read);
    }
    return true;
}

// The test program shares the console with korvidpol-lab.exe and gets the Ctrl+C too.
BOOL WINAPI IgnoreCtrlC(DWORD event) { return event == CTRL_C_EVENT; }

std::string Lines(std::string text)
{
    std::string lines;
    for (char c : text)
        if (c != '\r') lines += c;
    return lines;
}

}  // namespace

// Ctrl+C while a slow server is in progress: the finished server's report is there, the one in
// progress starts no key, the rest are not started, and the exit code is 1. The server in
// progress answers every call after 300 ms, so it is still reading when the event comes. (Wine 8
// sends Ctrl+C to a console's processes but not Ctrl+Break, which the program handles alike.)
TEST(Korvidpol, CtrlCDuringApplyKeepsEveryReportAndStartsNoFurtherServer)
{
    LoadPolLab();
    const char *servers[] = {"PDC-1", "PDC-2", "PDC-3", "PDC-4"};
    for (const char *server : servers) AddLabCopy("VELMOR-PDC", server);
    LabSetComputerDword("PDC-2", "LatencyMs", 300);
    std::string folder = FreshFolder("break");
    WriteTextFile(folder + "\\p.kpol", "REGEDIT4\r\n" + Section(kAlerter) + "\"CountNotOnNetworkCache\"=dword:14\r\n");
    ScopedConsole console;
    ASSERT_TRUE(console.Ready());
    SECURITY_ATTRIBUTES inherit = {sizeof(inherit), NULL, TRUE};
    HANDLE outRead, outWrite, errRead, errWrite;
    ASSERT_TRUE(CreatePipe(&outRead, &outWrite, &inherit, 0) && CreatePipe(&errRead, &errWrite, &inherit, 0));
    SetHandleInformation(outRead, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(errRead, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = console.Input();
    startup.hStdOutput = outWrite;
    startup.hStdError = errWrite;
    std::string line = PolCommandLine("apply p.kpol PDC-1 PDC-2 PDC-3 PDC-4 /parallel:1");
    PROCESS_INFORMATION process = {};
    ASSERT_TRUE(CreateProcessA(NULL, &line[0], NULL, NULL, TRUE, 0, NULL, folder.c_str(), &startup, &process));
    CloseHandle(outWrite);
    CloseHandle(errWrite);
    std::string out, err;
    std::thread errors([&] { ReadUntil(errRead, &err, std::string(1, '\0')); });
    bool first = ReadUntil(outRead, &out, "\\\\PDC-1  1 value written");
    EXPECT_TRUE(first) << out;
    SetConsoleCtrlHandler(IgnoreCtrlC, TRUE);
    BOOL sent = first && GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0);
    EXPECT_TRUE(sent) << GetLastError();
    ReadUntil(outRead, &out, std::string(1, '\0'));
    errors.join();
    DWORD code = 0;
    WaitForSingleObject(process.hProcess, INFINITE);
    GetExitCodeProcess(process.hProcess, &code);
    SetConsoleCtrlHandler(IgnoreCtrlC, FALSE);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    CloseHandle(outRead);
    CloseHandle(errRead);
    out = Lines(out);
    err = Lines(err);
    EXPECT_EQ(code, 1u);
    EXPECT_TRUE(Contains(out, "\\\\PDC-1  undo file: " + folder + "\\korvidpol-backup\\PDC-1-")) << out;
    EXPECT_TRUE(Contains(out, "\\\\PDC-1  1 value written\n")) << out;
    EXPECT_TRUE(Contains(out, "\\\\PDC-2  alerter  CountNotOnNetworkCache  10 -> 20\n")) << out;
    EXPECT_EQ(err, "korvidpol: \\\\PDC-2: stopped before writing: nothing written\n"
                   "korvidpol: \\\\PDC-3: not started: the run was stopped\n"
                   "korvidpol: \\\\PDC-4: not started: the run was stopped\n");
    DWORD written[4] = {};
    for (int i = 0; i < 4; i++) LabGetRegDword(servers[i], kAlerter, "CountNotOnNetworkCache", &written[i]);
    EXPECT_EQ(written[0], 20u);
    EXPECT_EQ(written[1], 10u);
    EXPECT_EQ(SumCounters({"PDC-3", "PDC-4"}, "RoundTrips"), 0u);
}
