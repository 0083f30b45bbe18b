// The shipped programs, korvidadm.exe and korvidpol.exe with the real network calls, run from
// outside as a user runs them, against the computer the tests run on: Wine answers the
// workstation, server and registry calls for its own name. Each test runs in a Wine prefix and on
// a 2560x1440 display of its own (own-display.sh); it plants what a Velmor Server's registry holds
// in that prefix's HKEY_LOCAL_MACHINE and the lab's stand-in select dialog in its system folder,
// where Windows keeps its own ntlanman.dll.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <lm.h>

#include <string>

#include "app/shell.h"
#include "drive/windowfind.h"
#include "resources/resource.h"
#include "tests/support/harness.h"
#include "tests/support/korvidpol_testing.h"

namespace {

const char kVersionKey[] = "SOFTWARE\\VelmorServer\\CurrentVersion";
const char kServerKey[] = "SYSTEM\\CurrentControlSet\\Services\\LanmanServer\\Parameters";
const DWORD kWindowMs = 20000;

const struct {
    const char *name, *data;
} kVersionValues[] = {
    {"CurrentVersion", "3.0"}, {"CurrentBuildName", "1042"}, {"VendorName", "Velmor Systems, Inc."},
    {"InstallDate", "Tue May 20 11:11:48 1997"}, {"ProductId", "50213-317-0015873-46230"},
    {"UnixMachineName", "shipped-host"}, {"OSName", "UnixWare 2.1.2"}, {"PlatformName", "i386"},
};

std::string BuildFile(const char *relative)
{
    char full[MAX_PATH];
    GetFullPathNameA((TestExeFolder() + "\\..\\" + relative).c_str(), sizeof(full), full, nullptr);
    return full;
}

std::string SystemDialogLibrary()
{
    char folder[MAX_PATH];
    GetSystemDirectoryA(folder, sizeof(folder));
    return std::string(folder) + "\\ntlanman.dll";
}

std::string LocalName()
{
    char name[MAX_COMPUTERNAME_LENGTH + 1];
    DWORD size = sizeof(name);
    GetComputerNameA(name, &size);
    return name;
}

// The workgroup this computer reports, which the role line names.
std::string LocalGroup()
{
    WKSTA_INFO_100 *info = nullptr;
    std::string group;
    if (NetWkstaGetInfo(nullptr, 100, reinterpret_cast<LPBYTE *>(&info)) == NERR_Success) {
        for (const WCHAR *unit = info->wki100_langroup; unit && *unit; ++unit) group += static_cast<char>(*unit);
    }
    if (info) NetApiBufferFree(info);
    return group;
}

LONG SetString(const char *keyPath, const char *name, const char *data)
{
    HKEY key;
    LONG status = RegCreateKeyExA(HKEY_LOCAL_MACHINE, keyPath, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr);
    if (status != ERROR_SUCCESS) return status;
    status = RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE *>(data), lstrlenA(data) + 1);
    RegCloseKey(key);
    return status;
}

// A program started from outside; ended (closed, then waited for) when it goes out of scope.
class Program {
public:
    explicit Program(const std::string &path)
    {
        std::string commandLine = "\"" + path + "\"";
        STARTUPINFOA startup = {};
        startup.cb = sizeof(startup);
        started_ = CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                  &startup, &process_);
        EXPECT_TRUE(started_) << commandLine << " " << GetLastError();
    }
    ~Program()
    {
        if (!started_) return;
        if (WaitForSingleObject(process_.hProcess, 10000) != WAIT_OBJECT_0) {
            ADD_FAILURE() << "the program did not end";
            TerminateProcess(process_.hProcess, 1);
        }
        CloseHandle(process_.hThread);
        CloseHandle(process_.hProcess);
    }
    Program(const Program &) = delete;
    Program &operator=(const Program &) = delete;

    HWND WaitForWindow(const char *caption)
    {
        return started_ ? WaitForTopLevel(Query(caption), kWindowMs) : nullptr;
    }
    HWND Find(const char *caption) { return FindTopLevel(Query(caption)); }
    DWORD ExitCode()
    {
        DWORD code = STILL_ACTIVE;
        if (started_ && WaitForSingleObject(process_.hProcess, 10000) == WAIT_OBJECT_0)
            GetExitCodeProcess(process_.hProcess, &code);
        return code;
    }

private:
    WindowQuery Query(const char *caption) const
    {
        WindowQuery query;
        query.processId = process_.dwProcessId;
        query.caption = caption;
        return query;
    }

    BOOL started_ = FALSE;
    PROCESS_INFORMATION process_ = {};
};

class Shipped : public testing::Test {
protected:
    void SetUp() override
    {
        for (const auto &value : kVersionValues) ASSERT_EQ(ERROR_SUCCESS, SetString(kVersionKey, value.name, value.data));
        ASSERT_EQ(ERROR_SUCCESS, SetString(kServerKey, "srvcomment", "Velmor Server - shipped test"));
        ASSERT_TRUE(CopyFileA(BuildFile("lab\\ntlanman.dll").c_str(), SystemDialogLibrary().c_str(), FALSE))
            << SystemDialogLibrary();
    }
    // The prefix is the test's own; what was planted goes all the same, should it be a shared one.
    void TearDown() override
    {
        DeleteFileA(SystemDialogLibrary().c_str());
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, "SOFTWARE\\VelmorServer");
        HKEY key;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kServerKey, 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
            RegDeleteValueA(key, "srvcomment");
            RegCloseKey(key);
        }
    }

    // Types this computer's name into the select dialog and presses OK; the main window that follows.
    HWND SelectThisComputer(Program &program)
    {
        HWND select = program.WaitForWindow("Select Computer");
        if (!select) return nullptr;
        SendMessageA(GetDlgItem(select, 100), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(LocalName().c_str()));
        PostMessageA(GetDlgItem(select, IDOK), BM_CLICK, 0, 0);
        return program.WaitForWindow(("Korvid Administrator - " + LocalName()).c_str());
    }
};

TEST_F(Shipped, AdmShowsTheVersionPageOfThisComputer)
{
    Program adm(BuildFile("korvidadm.exe"));
    HWND main = SelectThisComputer(adm);
    ASSERT_NE(nullptr, main);
    WindowQuery pageQuery;
    pageQuery.className = "#32770";
    HWND page = WaitForDescendant(main, pageQuery, kWindowMs);
    ASSERT_NE(nullptr, page);
    const struct {
        int id;
        std::string text;
    } lines[] = {
        {IDC_VER_PRODUCT, "Velmor Server for UNIX Systems"}, {IDC_VER_VERSION, "3.0 (Build 1042)"},
        {IDC_VER_VENDOR, "Velmor Systems, Inc."}, {IDC_VER_ROLE, "Server in " + LocalGroup()},
        {IDC_VER_DESCR, "Velmor Server - shipped test"}, {IDC_VER_INSTALL, "Tue May 20 11:11:48 1997"},
        {IDC_VER_PRODUCTID, "50213-317-0015873-46230"}, {IDC_VER_UNIX, "shipped-host"},
        {IDC_VER_OS, "UnixWare 2.1.2"}, {IDC_VER_PLATFORM, "i386"},
    };
    for (const auto &line : lines) EXPECT_EQ(line.text, ControlText(GetDlgItem(page, line.id))) << line.id;
    // A server without a domain role has no Policy page.
    EXPECT_EQ(1, (int)SendMessageA(GetDlgItem(main, IDC_MAIN_TAB), TCM_GETITEMCOUNT, 0, 0));
    EXPECT_EQ(nullptr, adm.Find("Korvid Administrator"));  // no message box
    PostMessageA(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(0u, adm.ExitCode());
}

// A screen wider than 1600 pixels is one monitor: the window is centred on the whole of it.
TEST_F(Shipped, AdmCentresOnTheWholeWideScreen)
{
    const RECT work = GetPrimaryWorkArea();
    ASSERT_GT(GetSystemMetrics(SM_CXSCREEN), 1600) << "this test needs a wide display (own-display.sh)";
    Program adm(BuildFile("korvidadm.exe"));
    HWND main = SelectThisComputer(adm);
    ASSERT_NE(nullptr, main);
    RECT frame;
    GetWindowRect(main, &frame);
    const int width = frame.right - frame.left, height = frame.bottom - frame.top;
    const POINT centre = ComputeCentredOrigin(work, width, height);
    EXPECT_EQ(centre.x, frame.left);
    EXPECT_EQ(centre.y, frame.top);
    EXPECT_NE((GetSystemMetrics(SM_CXSCREEN) / 2 - width) / 2, frame.left) << "the left half's centre";
    PostMessageA(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(0u, adm.ExitCode());
}

// A library of that name beside the program (a Downloads folder) is never loaded: this one lacks the
// dialog function, so loading it would end in "Fail to find the Select Computer dialog box function."
TEST_F(Shipped, AdmLoadsTheDialogLibraryFromTheSystemFolderOnly)
{
    const std::string folder = FreshFolder("korvid-downloads");
    ASSERT_TRUE(CopyFileA(BuildFile("korvidadm.exe").c_str(), (folder + "\\korvidadm.exe").c_str(), FALSE));
    ASSERT_TRUE(CopyFileA((TestExeFolder() + "\\nofunc\\ntlanman.dll").c_str(), (folder + "\\ntlanman.dll").c_str(),
                          FALSE));
    Program adm(folder + "\\korvidadm.exe");
    HWND select = adm.WaitForWindow("Select Computer");
    ASSERT_NE(nullptr, select) << "no select dialog from the system folder";
    PostMessageA(GetDlgItem(select, IDCANCEL), BM_CLICK, 0, 0);
    EXPECT_EQ(0u, adm.ExitCode());
}

TEST_F(Shipped, PolShowRefusesThisComputerWithoutADomainRole)
{
    PolRun run = RunConsoleProgram(BuildFile("korvidpol.exe"), "show " + LocalName());
    EXPECT_EQ(1u, run.code) << run.err;
    EXPECT_EQ("\\\\" + LocalName() + "  refused: a Velmor Server without a domain role\n", run.out);
    EXPECT_EQ("", run.err);
}

TEST_F(Shipped, PolListNamesTheTenPolicies)
{
    PolRun run = RunConsoleProgram(BuildFile("korvidpol.exe"), "list");
    EXPECT_EQ(0u, run.code) << run.err;
    for (const char *line : {"unixaccount  UNIX Account Mapping\n", "ups  UPS Service\n", "alerter  Alerter Service\n",
                             "announce  Server Announcement\n",
                             "  key  SYSTEM\\CurrentControlSet\\Services\\Alerter\\Parameters\n"})
        EXPECT_NE(std::string::npos, run.out.find(line)) << line << "\n" << run.out;
    EXPECT_EQ("", run.err);
}

}  // namespace
