// The administrative tools of the "&Applications" menu, started from the running program. The
// stand-in tools (tests/helpers) record the command line they got under Korvid Lab\ToolRuns.
#include <gtest/gtest.h>

#include "app/shell.h"
#include "connection/target.h"
#include "drive/windowfind.h"
#include "lab/labconfig.h"
#include "resources/resource.h"
#include "tests/support/harness.h"

#include <string>
#include <vector>

namespace {

const char kToolRunsKey[] = "Software\\Korvid Lab\\ToolRuns";

std::string ToolsFolder() { return TestExeFolder() + "\\tools"; }

bool ReadToolRun(const char *program, std::string *commandLine)
{
    char text[4096];
    DWORD size = sizeof(text);
    if (RegGetValueA(HKEY_CURRENT_USER, kToolRunsKey, program, RRF_RT_REG_SZ, nullptr, text, &size)
        != ERROR_SUCCESS) {
        return false;
    }
    *commandLine = text;
    return true;
}

// The tool is a separate process: wait until it has written its record.
std::string WaitForToolRun(const char *program)
{
    std::string commandLine;
    WaitUntil([&] { return ReadToolRun(program, &commandLine); }, 10000, 25);
    return commandLine;
}

DWORD ReadToolDword(const char *program, const char *what)
{
    std::string name = std::string(program) + " " + what;
    DWORD data = 0xFFFFFFFF, size = sizeof(data);
    RegGetValueA(HKEY_CURRENT_USER, kToolRunsKey, name.c_str(), RRF_RT_REG_DWORD, nullptr, &data, &size);
    return data;
}

bool AnyToolRan()
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kToolRunsKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    DWORD values = 0;
    RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr,
                     nullptr, nullptr, nullptr);
    RegCloseKey(key);
    return values != 0;
}

// The search path is the process's PATH; each test puts its own folders first.
class ToolsTest : public testing::Test {
protected:
    void SetUp() override
    {
        LabReset();
        ASSERT_TRUE(LabLoadDefaultNetwork());
        InitShell(GetModuleHandleA(nullptr));
        char path[32767];
        DWORD length = GetEnvironmentVariableA("PATH", path, sizeof(path));
        savedPath_.assign(path, length < sizeof(path) ? length : 0);
    }
    void TearDown() override
    {
        SetEnvironmentVariableA("PATH", savedPath_.c_str());
        CloseRemoteRoot();
    }

    void PutOnSearchPath(const std::string &folder)
    {
        SetEnvironmentVariableA("PATH", (folder + ";" + savedPath_).c_str());
    }

    // Runs the program on the given computer; act runs in its main loop, then it exits.
    void RunOn(Driver &driver, const char *computer, std::function<void(HWND)> act)
    {
        driver.SelectInLab(computer).OnIdle([act] {
            act(GetMainWindow());
            Command(GetMainWindow(), IDM_EXIT);
        });
        EXPECT_EQ(0, RunKorvidAdm(GetModuleHandleA(nullptr)));
    }

    std::string savedPath_;
};

TEST_F(ToolsTest, StartsToolsWithTheirArgumentAndGivesFocusBack)
{
    PutOnSearchPath(ToolsFolder());
    Driver driver;
    RunOn(driver, "VELMOR-PDC", [&](HWND main) {
        HWND select = GetDlgItem(main, IDC_MAIN_SELECT);
        SetFocus(select);
        Command(main, IDM_SERVER_MANAGER);
        EXPECT_EQ(ToolsFolder() + "\\srvmgr.exe KORVID", WaitForToolRun("srvmgr.exe"));
        Command(main, IDM_USER_MANAGER);
        EXPECT_EQ(ToolsFolder() + "\\usrmgr.exe KORVID", WaitForToolRun("usrmgr.exe"));
        Command(main, IDM_PERFORMANCE_MONITOR);
        EXPECT_EQ(ToolsFolder() + "\\perfmon.exe", WaitForToolRun("perfmon.exe"));
        // SW_SHOW is passed, but no flag makes the tool take it: it shows itself as it likes.
        EXPECT_EQ(0u, ReadToolDword("perfmon.exe", "StartFlags"));
        EXPECT_EQ((DWORD)SW_SHOW, ReadToolDword("perfmon.exe", "ShowWindow"));

        // The main window gives the focus back to where it was when the tool started.
        SetFocus(GetDlgItem(main, IDC_MAIN_TAB));
        SetFocus(main);
        EXPECT_EQ(select, GetFocus());
    });
    EXPECT_TRUE(driver.Boxes().empty());
}

TEST_F(ToolsTest, EventViewerGetsTheNameAsTheDialogReturnedIt)
{
    PutOnSearchPath(ToolsFolder());
    Driver driver;
    RunOn(driver, "\\\\velmor-member", [&](HWND main) {
        Command(main, IDM_EVENT_VIEWER);
        EXPECT_EQ(ToolsFolder() + "\\eventvwr.exe \\\\velmor-member", WaitForToolRun("eventvwr.exe"));
    });
}

TEST_F(ToolsTest, LongestComputerNameReachesTheToolWhole)
{
    PutOnSearchPath(ToolsFolder());
    const std::string longName(kNameChars - 1, 'N');
    Driver driver;
    RunOn(driver, "VELMOR-PDC", [&](HWND main) {
        lstrcpynA(Target().computerName, longName.c_str(), kNameChars);
        Command(main, IDM_EVENT_VIEWER);
        EXPECT_EQ(ToolsFolder() + "\\eventvwr.exe " + longName, WaitForToolRun("eventvwr.exe"));
    });
}

// Unquoted, "...\tool room\srvmgr.exe" would first be tried as "...\tool.exe".
TEST_F(ToolsTest, PathWithBlankIsQuotedSoNoOtherProgramStarts)
{
    const std::string room = TestExeFolder() + "\\tool room";
    const std::string decoy = TestExeFolder() + "\\tool.exe";
    CreateDirectoryA(room.c_str(), nullptr);
    ASSERT_TRUE(CopyFileA((ToolsFolder() + "\\srvmgr.exe").c_str(), (room + "\\srvmgr.exe").c_str(), FALSE));
    ASSERT_TRUE(CopyFileA((ToolsFolder() + "\\perfmon.exe").c_str(), decoy.c_str(), FALSE));
    PutOnSearchPath(room);

    Driver driver;
    RunOn(driver, "VELMOR-BDC", [&](HWND main) {
        Command(main, IDM_SERVER_MANAGER);
        EXPECT_EQ("\"" + room + "\\srvmgr.exe\" KORVID", WaitForToolRun("srvmgr.exe"));
    });
    std::string decoyRun;
    EXPECT_FALSE(ReadToolRun("tool.exe", &decoyRun)) << decoyRun;

    DeleteFileA(decoy.c_str());
    DeleteFileA((room + "\\srvmgr.exe").c_str());
    RemoveDirectoryA(room.c_str());
}

TEST_F(ToolsTest, ToolNotOnTheSearchPathIsReported)
{
    Driver driver;
    HWND main = nullptr;
    auto expectBox = [&](const char *text) {
        return [&main, text](const BoxRecord &box) {
            EXPECT_EQ(text, box.text);
            EXPECT_EQ("Korvid Administrator", box.caption);
            EXPECT_EQ((UINT)MB_ICONHAND, box.icon);
            EXPECT_EQ(std::vector<int>{IDOK}, box.buttons);
            EXPECT_EQ(main, box.owner);
        };
    };
    driver.SelectInLab("VELMOR-PDC")
        .OnIdle([&] {
            main = GetMainWindow();
            Command(main, IDM_USER_MANAGER);
            Command(main, IDM_EVENT_VIEWER);
            Command(main, IDM_EXIT);
        })
        .OnMessageBox(IDOK, expectBox("Fail to find 'User Manager for Domains'"))
        .OnMessageBox(IDOK, expectBox("Fail to find 'Event Viewer'"));
    EXPECT_EQ(0, RunKorvidAdm(GetModuleHandleA(nullptr)));
    EXPECT_EQ(2u, driver.Boxes().size());
    EXPECT_FALSE(AnyToolRan());
}

// An empty file found on the path cannot start: nothing is said about it.
TEST_F(ToolsTest, ToolThatCannotStartShowsNothing)
{
    const std::string broken = TestExeFolder() + "\\broken tools";
    const std::string program = broken + "\\perfmon.exe";
    CreateDirectoryA(broken.c_str(), nullptr);
    HANDLE file = CreateFileA(program.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    CloseHandle(file);
    PutOnSearchPath(broken);

    Driver driver;
    RunOn(driver, "VELMOR-PDC", [](HWND main) { Command(main, IDM_PERFORMANCE_MONITOR); });
    EXPECT_TRUE(driver.Boxes().empty());
    EXPECT_FALSE(AnyToolRan());

    DeleteFileA(program.c_str());
    RemoveDirectoryA(broken.c_str());
}

// What the replaced start calls were asked; CreateProcessA fails with failStatus.
struct StartRecord {
    DWORD failStatus = 0;
    std::vector<std::string> commandLines;
    std::vector<std::string> files;
    std::vector<std::string> parameters;  // "(none)" for a null argument
    std::vector<HWND> owners;
    std::vector<int> shows;
};
StartRecord starts;

BOOL WINAPI FailingCreateProcess(LPCSTR, LPSTR commandLine, LPSECURITY_ATTRIBUTES, LPSECURITY_ATTRIBUTES,
                                 BOOL, DWORD, LPVOID, LPCSTR, LPSTARTUPINFOA, LPPROCESS_INFORMATION)
{
    starts.commandLines.push_back(commandLine);
    SetLastError(starts.failStatus);
    return FALSE;
}

BOOL WINAPI RecordingShellExecute(SHELLEXECUTEINFOA *info)
{
    starts.files.push_back(info->lpFile ? info->lpFile : "(none)");
    starts.parameters.push_back(info->lpParameters ? info->lpParameters : "(none)");
    starts.owners.push_back(info->hwnd);
    starts.shows.push_back(info->nShow);
    EXPECT_EQ(nullptr, info->lpVerb);
    return TRUE;
}

// A tool whose manifest asks for elevation fails CreateProcessA with 740: the shell starts the same
// program with the same argument. Any other failure still shows nothing and tries nothing else.
TEST_F(ToolsTest, ToolThatNeedsElevationIsStartedByTheShell)
{
    PutOnSearchPath(ToolsFolder());
    const ToolStartCalls replaced = {FailingCreateProcess, RecordingShellExecute};
    SetToolStartCalls(&replaced);
    const std::string tools = ToolsFolder();
    const struct {
        int command;
        DWORD status;
        const char *program, *argument;  // argument: "" for none
        bool shellTried;
    } rows[] = {
        {IDM_EVENT_VIEWER, kElevationRequired, "eventvwr.exe", "\\\\velmor-member", true},
        {IDM_PERFORMANCE_MONITOR, kElevationRequired, "perfmon.exe", "", true},
        {IDM_SERVER_MANAGER, kElevationRequired, "srvmgr.exe", "KORVID", true},
        {IDM_USER_MANAGER, ERROR_ACCESS_DENIED, "usrmgr.exe", "KORVID", false},
        {IDM_EVENT_VIEWER, ERROR_BAD_EXE_FORMAT, "eventvwr.exe", "\\\\velmor-member", false},
        {IDM_PERFORMANCE_MONITOR, ERROR_FILE_NOT_FOUND, "perfmon.exe", "", false},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.program + std::string(" failing with ") + std::to_string(row.status));
        starts = StartRecord();
        starts.failStatus = row.status;
        HWND owner = nullptr;
        Driver driver;
        RunOn(driver, "\\\\velmor-member", [&](HWND main) {
            owner = main;
            Command(main, row.command);
        });
        EXPECT_TRUE(driver.Boxes().empty());
        const std::string path = tools + "\\" + row.program;
        EXPECT_EQ(std::vector<std::string>{*row.argument ? path + " " + row.argument : path}, starts.commandLines);
        if (!row.shellTried) {
            EXPECT_TRUE(starts.files.empty());
            continue;
        }
        EXPECT_EQ(std::vector<std::string>{path}, starts.files);
        EXPECT_EQ(std::vector<std::string>{*row.argument ? row.argument : "(none)"}, starts.parameters);
        EXPECT_EQ(std::vector<HWND>{owner}, starts.owners);
        EXPECT_EQ(std::vector<int>{SW_SHOW}, starts.shows);
    }
    SetToolStartCalls(nullptr);
    EXPECT_FALSE(AnyToolRan());
}

}  // namespace
