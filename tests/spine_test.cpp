// The shell and the connection: start-up, selection with its questions, classification,
// reconnection, the tab pages and the keyboard cycle, driven as a user would.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <string>

#include "app/shell.h"
#include "app/tabhost.h"
#include "connection/netcalls.h"
#include "connection/target.h"
#include "lab/labconfig.h"
#include "resources/resource.h"
#include "tests/support/harness.h"

namespace {

const char kAppTitle[] = "Korvid Administrator";

class SpineTest : public testing::Test {
protected:
    void SetUp() override
    {
        LabReset();
        ASSERT_TRUE(LabLoadDefaultNetwork());
        InitShell(GetModuleHandleA(NULL));
    }
    void TearDown() override { CloseRemoteRoot(); }
};

HWND MainItem(int id) { return GetDlgItem(GetMainWindow(), id); }

std::string WindowTitle(HWND window)
{
    char text[1024] = "";
    GetWindowTextA(window, text, sizeof(text));
    return text;
}

// A window of the test's own to own the questions, so that the boxes without owner stand out.
class OwnerWindow {
public:
    OwnerWindow() : window_(CreateWindowA("STATIC", "owner", WS_POPUP, 0, 0, 10, 10, NULL, NULL, NULL, NULL)) {}
    ~OwnerWindow() { DestroyWindow(window_); }
    HWND get() const { return window_; }
private:
    HWND window_;
};

int TabCount() { return static_cast<int>(SendMessageA(MainItem(IDC_MAIN_TAB), TCM_GETITEMCOUNT, 0, 0)); }

UINT EventViewerState()
{
    return GetMenuState(GetMenu(GetMainWindow()), IDM_EVENT_VIEWER, MF_BYCOMMAND) & (MF_GRAYED | MF_DISABLED);
}

// No registry key, root or network buffer of the computer is left open.
void ExpectNothingOpen(const char *computer)
{
    EXPECT_EQ(LabCounter(computer, "OpenKeys"), 0u) << computer;
    EXPECT_EQ(LabCounter(computer, "OpenRoots"), 0u) << computer;
    EXPECT_EQ(LabCounter(computer, "NetBuffers"), 0u) << computer;
}

// After a reselection: the main window shows computer on the Version tab of two, holding its root,
// and the earlier connection is closed.
void ExpectReselected(const char *computer, const char *earlier)
{
    EXPECT_EQ(WindowTitle(GetMainWindow()), std::string("Korvid Administrator - ") + computer);
    EXPECT_EQ(TabCount(), 2);
    EXPECT_EQ(SendMessageA(MainItem(IDC_MAIN_TAB), TCM_GETCURSEL, 0, 0), 0);
    EXPECT_EQ(GetCurrentTab(), 0);
    EXPECT_EQ(LabCounter(earlier, "OpenRoots"), 0u);
    EXPECT_EQ(LabCounter(computer, "OpenRoots"), 1u);
}

// A message box that stops an action: its text, caption and owner, with the stop icon.
void ExpectStopBox(const BoxRecord &box, const char *text, const char *caption, HWND owner)
{
    EXPECT_EQ(box.text, text);
    EXPECT_EQ(box.caption, caption);
    EXPECT_EQ(box.icon, static_cast<UINT>(MB_ICONHAND));
    EXPECT_EQ(box.owner, owner);
}

}  // namespace

TEST_F(SpineTest, NetErrorTextKnownFallbackAndSharedBuffer)
{
    EXPECT_STREQ(NetErrorText(53), "The network path was not found (53).");
    EXPECT_STREQ(NetErrorText(0), "The server couldn't be reached. (0).");
    EXPECT_STREQ(NetErrorText(4294967295u), "The server couldn't be reached. (4294967295).");
    const char *first = NetErrorText(5);
    const char *second = NetErrorText(2351);
    EXPECT_EQ(first, second);
    EXPECT_STREQ(first, "The specified computername is invalid (2351).");
}

TEST_F(SpineTest, NetErrorTextHoldsTheLongestTextWithATenDigitCode)
{
    // Every text with the suffix of a ten-digit code fits a buffer of kNetErrorBufferChars, and
    // the caller's buffer gets what the static one holds.
    const struct {
        DWORD code;
        std::string expected;
    } rows[] = {
        {4294967295u, "The server couldn't be reached. (4294967295)."},
        {1000000000u, "The server couldn't be reached. (1000000000)."},
        {0, "The server couldn't be reached. (0)."},
        {2351, "The specified computername is invalid (2351)."},
    };
    for (const auto &row : rows) {
        char text[kNetErrorBufferChars];
        FormatNetError(row.code, text, sizeof(text));
        const char *result = NetErrorText(row.code);
        EXPECT_EQ(row.expected, result);
        EXPECT_EQ(row.expected, text);
        EXPECT_EQ(result, NetErrorText(row.code)) << "one buffer for every call";
    }
}

TEST_F(SpineTest, CentresOnTheWholeWorkArea)
{
    const struct {
        RECT work;
        int width, height;
        POINT expected;
    } rows[] = {
        {{0, 0, 3200, 1200}, 600, 500, {1300, 350}},   // a wide screen is not halved
        {{0, 0, 1600, 2560}, 601, 501, {499, 1029}},   // nor a tall one
        {{0, 0, 1024, 768}, 600, 500, {212, 134}},
        {{0, 40, 2560, 1440}, 600, 500, {980, 490}},   // a taskbar at the top
        {{0, 0, 640, 480}, 700, 600, {-30, -60}},      // larger than the area: negative, toward zero
    };
    for (const auto &row : rows) {
        POINT p = ComputeCentredOrigin(row.work, row.width, row.height);
        EXPECT_EQ(row.expected.x, p.x);
        EXPECT_EQ(row.expected.y, p.y);
    }
}

TEST_F(SpineTest, NarrowNameTurnsWideUnitsIntoQuestionMarks)
{
    const WCHAR wide[] = {L'S', 0xE9, 0x263A, L'X', 0};
    char narrow[8];
    NarrowName(wide, narrow, sizeof(narrow));
    EXPECT_STREQ(narrow, "S\xE9?X");
    char small[3];
    NarrowName(wide, small, sizeof(small));
    EXPECT_STREQ(small, "S\xE9");
    // A workstation answer may leave its workgroup pointer empty.
    char group[8] = "old";
    NarrowName(NULL, group, sizeof(group));
    EXPECT_STREQ(group, "");
}

TEST_F(SpineTest, ClassifiesEveryKindOfComputer)
{
    struct Case { const char *name; PlatformKind kind; BOOL connected; } cases[] = {
        {"VELMOR-PDC", PlatformVelmorServer, TRUE},
        {"velmor-member", PlatformVelmorServer, TRUE},
        {"VELMOR-NOVER", PlatformVelmorServerNoVersionKey, TRUE},
        {"NT-SERVER", PlatformWindowsNT, TRUE},
        {"\\\\NT-WKSTA", PlatformWindowsNT, TRUE},
        {"WIN95-PC", PlatformWindows95, FALSE},
        {"WFW-PC", PlatformWindowsForWorkgroups, FALSE},
        {"LANMAN-SRV", PlatformLanManager, FALSE},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        CloseRemoteRoot();
        Driver driver;
        driver.SelectInLab(c.name);
        char name[kNameChars] = "";
        ASSERT_EQ(SelectComputer(NULL, name), 1);
        EXPECT_STREQ(name, c.name);
        EXPECT_EQ(GetPlatformKind(), c.kind);
        EXPECT_EQ(GetRemoteRoot() != NULL, c.connected);
        if (c.kind == PlatformVelmorServer) {
            EXPECT_STREQ(GetDomainName(), "KORVID");
        }
    }
    // Whatever status the version key is refused with, the next probe decides.
    LabSetFault("VELMOR-SOLO", "OpenRead", "SOFTWARE\\VelmorServer\\CurrentVersion", 5);
    Driver driver;
    driver.SelectInLab("VELMOR-SOLO");
    char name[kNameChars] = "";
    ASSERT_EQ(SelectComputer(NULL, name), 1);
    EXPECT_EQ(GetPlatformKind(), PlatformWindowsNT);
    EXPECT_TRUE(driver.Boxes().empty());
}

TEST_F(SpineTest, ServerRolesFromServerType)
{
    Target().serverType = 0x8 | 0x10;
    EXPECT_EQ(GetServerRole(), RolePrimaryDomainController);
    Target().serverType = 0x10;
    EXPECT_EQ(GetServerRole(), RoleBackupDomainController);
    Target().serverType = 0x100;
    EXPECT_EQ(GetServerRole(), RoleServer);

    Driver driver;
    driver.SelectInLab("VELMOR-BDC");
    char name[kNameChars] = "";
    ASSERT_EQ(SelectComputer(NULL, name), 1);
    EXPECT_EQ(GetServerRole(), RoleBackupDomainController);

    LabSetComputerDword("VELMOR-PDC", "ServerStatus", 53);   // a failed type query is silent: type 0
    driver.SelectInLab("VELMOR-PDC");
    ASSERT_EQ(SelectComputer(NULL, name), 1);
    EXPECT_EQ(GetServerType(), 0u);
    EXPECT_EQ(GetServerRole(), RoleServer);
}

TEST_F(SpineTest, FiveRefusedAttemptsThenTooManyTimes)
{
    OwnerWindow owner;
    Driver driver;
    for (int i = 0; i < 5; ++i) {
        driver.SelectInLab("DOS-PC");
        driver.OnMessageBox(IDYES, [&](const BoxRecord &box) {
            ExpectStopBox(box, "DOS-PC: a DOS/Windows system.\nSelect another computer?", kAppTitle,
                          owner.get());
            EXPECT_EQ(box.buttons, (std::vector<int>{IDYES, IDNO}));
        });
    }
    driver.OnMessageBox(IDOK, [](const BoxRecord &box) {
        ExpectStopBox(box, "Try too many times!", kAppTitle, (HWND)NULL);
        EXPECT_EQ(box.buttons, (std::vector<int>{IDOK}));
    });
    char name[kNameChars] = "";
    EXPECT_EQ(SelectComputer(owner.get(), name), 0);
    EXPECT_EQ(driver.Boxes().size(), 6u);
    EXPECT_EQ(GetPlatformKind(), PlatformNone);
}

TEST_F(SpineTest, AcceptedOnTheFifthAttempt)
{
    Driver driver;
    LabSetFault("NT-SERVER", "OpenRead", "SYSTEM\\CurrentControlSet\\Control\\SystemResources", 5);
    const char *refused[] = {"DOS-PC", "OFFLINE-PC", "LOCKED-SRV", "NT-SERVER"};
    for (const char *name : refused) {
        driver.SelectInLab(name);
        driver.OnMessageBox(IDYES);
    }
    driver.SelectInLab("VELMOR-PDC");
    char name[kNameChars] = "";
    EXPECT_EQ(SelectComputer(NULL, name), 1);
    EXPECT_STREQ(name, "VELMOR-PDC");
    ASSERT_EQ(driver.Boxes().size(), 4u);
    EXPECT_EQ(driver.Boxes()[1].text, "OFFLINE-PC: The network path was not found (53).\nSelect another computer?");
    EXPECT_EQ(driver.Boxes()[2].text, "LOCKED-SRV: Access is denied (5).\nSelect another computer?");
    EXPECT_EQ(driver.Boxes()[3].text, "NT-SERVER: Failed to open Registry (5).\nSelect another computer?");
    EXPECT_EQ(GetPlatformKind(), PlatformVelmorServer);
    EXPECT_TRUE(GetWriteAccess());
    // The refused attempts left nothing open; the accepted one holds its root and nothing else.
    EXPECT_EQ(LabCounter("NT-SERVER", "OpenRoots"), 0u);
    EXPECT_EQ(LabCounter("NT-SERVER", "OpenKeys"), 0u);
    EXPECT_EQ(LabCounter("VELMOR-PDC", "OpenRoots"), 1u);
    EXPECT_EQ(LabCounter("VELMOR-PDC", "OpenKeys"), 0u);
    for (const char *computer : refused)
        EXPECT_EQ(LabCounter(computer, "NetBuffers"), 0u) << computer;
    EXPECT_EQ(LabCounter("VELMOR-PDC", "NetBuffers"), 0u);
}

TEST_F(SpineTest, NoEndsAtOnceAndCancelChangesNothing)
{
    {
        Driver driver;
        driver.SelectInLab("DOS-PC").OnMessageBox(IDNO);
        char name[kNameChars] = "";
        EXPECT_EQ(SelectComputer(NULL, name), 0);
        EXPECT_EQ(driver.Boxes().size(), 1u);
    }
    Driver driver;
    driver.CancelSelect();
    char name[kNameChars] = "before";
    EXPECT_EQ(SelectComputer(NULL, name), 0);
    EXPECT_STREQ(name, "before");
    EXPECT_TRUE(driver.Boxes().empty());
}

TEST_F(SpineTest, UnknownPlatformVersionQuestion)
{
    LabSetComputerDword("LANMAN-SRV", "VersionMajor", 3);
    LabSetComputerDword("LANMAN-SRV", "VersionMinor", 0);
    Driver driver;
    driver.SelectInLab("LANMAN-SRV").OnMessageBox(IDNO, [](const BoxRecord &box) {
        EXPECT_EQ(box.text, "LANMAN-SRV: Unknown (WkstaInfo: 400.3.0).\nSelect another computer?");
    });
    char name[kNameChars] = "";
    EXPECT_EQ(SelectComputer(NULL, name), 0);
}

TEST_F(SpineTest, RefusedSystemResourcesClosesTheConnection)
{
    LabSetFault("NT-SERVER", "OpenRead", "SYSTEM\\CurrentControlSet\\Control\\SystemResources", 5);
    LabResetCounters("NT-SERVER");
    Driver driver;
    driver.SelectInLab("NT-SERVER").OnMessageBox(IDNO, [](const BoxRecord &box) {
        EXPECT_EQ(box.text, "NT-SERVER: Failed to open Registry (5).\nSelect another computer?");
    });
    char name[kNameChars] = "";
    EXPECT_EQ(SelectComputer(NULL, name), 0);
    EXPECT_EQ(GetRemoteRoot(), (HKEY)NULL);
    EXPECT_EQ(LabCounter("NT-SERVER", "RegConnectRegistryA"), 1u);
    // Both probes failed, so the one close is the root the attempt connected.
    EXPECT_EQ(LabCounter("NT-SERVER", "RegOpenKeyExA"), 2u);
    EXPECT_EQ(LabCounter("NT-SERVER", "RegCloseKey"), 1u);
    EXPECT_EQ(LabCounter("NT-SERVER", "OpenKeys"), 0u);
}

TEST_F(SpineTest, RefusedParametersKeyMeansNoWriteAccess)
{
    LabSetFault("VELMOR-PDC", "OpenWrite", "SYSTEM\\CurrentControlSet\\Services\\VelmorServer\\Parameters", 5);
    Driver driver;
    driver.SelectInLab("VELMOR-PDC");
    char name[kNameChars] = "";
    EXPECT_EQ(SelectComputer(NULL, name), 1);
    EXPECT_FALSE(GetWriteAccess());
    EXPECT_EQ(GetPlatformKind(), PlatformVelmorServer);
    EXPECT_TRUE(driver.Boxes().empty());
}

TEST_F(SpineTest, MissingDialogLibraryAndFunction)
{
    {
        // Windows itself carries a real library of that name; only where there is none can the
        // search come back empty.
        ScopedDllFolder folder(EmptyDllFolder());
        HMODULE system = LoadLibraryA("ntlanman.dll");
        if (system) {
            FreeLibrary(system);
        } else {
            OwnerWindow owner;
            Driver driver;
            driver.OnMessageBox(IDOK, [](const BoxRecord &box) {
                ExpectStopBox(box, "Fail to load 'ntlanman.dll'.", kAppTitle, (HWND)NULL);
            });
            char name[kNameChars] = "";
            EXPECT_EQ(SelectComputer(owner.get(), name), 0);
        }
    }
    {
        ScopedDllFolder folder(NoFuncDllFolder());
        OwnerWindow owner;
        Driver driver;
        driver.OnMessageBox(IDOK, [](const BoxRecord &box) {
            ExpectStopBox(box, "Fail to find the Select Computer dialog box function.", kAppTitle,
                          (HWND)NULL);
            EXPECT_EQ(box.buttons, (std::vector<int>{IDOK}));
        });
        char name[kNameChars] = "";
        EXPECT_EQ(SelectComputer(owner.get(), name), 0);
        EXPECT_EQ(GetModuleHandleA("ntlanman.dll"), (HMODULE)NULL);   // freed again
    }
}

TEST_F(SpineTest, ReconnectTriesTwiceThenOneMessage)
{
    Driver driver;
    driver.SelectInLab("VELMOR-PDC");
    ASSERT_EQ(SelectComputer(NULL, Target().computerName), 1);
    LabSetComputerDword("VELMOR-PDC", "ConnectStatus", 53);
    LabResetCounters("VELMOR-PDC");
    driver.OnMessageBox(IDOK, [](const BoxRecord &box) {
        ExpectStopBox(box, "VELMOR-PDC: The network path was not found (53).\nSelect a different system.",
                      "Re-Connecting", (HWND)NULL);
    });
    EXPECT_EQ(ReconnectRegistry(), 0);
    EXPECT_EQ(GetRemoteRoot(), (HKEY)NULL);
    EXPECT_EQ(LabCounter("VELMOR-PDC", "RegConnectRegistryA"), 2u);
    EXPECT_EQ(LabCounter("VELMOR-PDC", "OpenRoots"), 0u);   // the broken root was closed first
    EXPECT_EQ(driver.Boxes().size(), 1u);

    LabSetComputerDword("VELMOR-PDC", "ConnectStatus", 0);
    LabResetCounters("VELMOR-PDC");
    HCURSOR cross = LoadCursorA(NULL, IDC_CROSS);
    SetCursor(cross);
    EXPECT_EQ(ReconnectRegistry(), 1);
    EXPECT_EQ(GetCursor(), cross);   // the wait cursor is gone again
    EXPECT_NE(GetRemoteRoot(), (HKEY)NULL);
    EXPECT_EQ(LabCounter("VELMOR-PDC", "RegConnectRegistryA"), 1u);
    EXPECT_EQ(LabCounter("VELMOR-PDC", "OpenRoots"), 1u);
    EXPECT_EQ(driver.Boxes().size(), 1u);
}

TEST_F(SpineTest, OverlongNameIsCutInTheQuestion)
{
    // No such computer: the workstation query fails with 53. The dialog returns at most 602
    // characters of the 700 typed, and the question keeps the first 600 of its text.
    std::string typed(700, 'N');
    Driver driver;
    driver.SelectInLab(typed).OnMessageBox(IDNO, [&](const BoxRecord &box) {
        EXPECT_EQ(box.text, std::string(600, 'N'));
    });
    std::string shortName(250, 'S');
    driver.SelectInLab(shortName).OnMessageBox(IDNO, [&](const BoxRecord &box) {
        EXPECT_EQ(box.text, shortName + ": The network path was not found (53).\nSelect another computer?");
    });
    char buffer[kNameChars] = "";
    EXPECT_EQ(SelectComputer(NULL, buffer), 0);
    EXPECT_EQ(SelectComputer(NULL, buffer), 0);
    EXPECT_STREQ(buffer, "");   // the refused names are not kept
}

// --- The whole program, run in-process ---

TEST_F(SpineTest, CancelAtStartEndsWithCodeZeroAndNoMessage)
{
    Driver driver;
    driver.CancelSelect();
    EXPECT_EQ(RunKorvidAdm(GetModuleHandleA(NULL)), 0);
    EXPECT_TRUE(driver.Boxes().empty());
    EXPECT_EQ(GetMainWindow(), (HWND)NULL);
}

TEST_F(SpineTest, StartsOnThePdcWithTwoTabsAndEndsCleanly)
{
    LabResetCounters("VELMOR-PDC");
    Driver driver;
    driver.SelectInLab("VELMOR-PDC").OnIdle([] {
        HWND main = GetMainWindow();
        EXPECT_EQ(WindowTitle(main), "Korvid Administrator - VELMOR-PDC");
        EXPECT_EQ(TabCount(), 2);
        EXPECT_TRUE(IsWindowEnabled(MainItem(IDC_MAIN_SELECT)));
        EXPECT_TRUE(IsWindowEnabled(MainItem(IDC_MAIN_OK)));
        EXPECT_EQ(ItemText(main, IDC_MAIN_SELECT), "&Select...");
        EXPECT_EQ(EventViewerState(), 0u);
        TabPageHost *host = GetTabPageHost(main);
        ASSERT_NE(host, nullptr);
        EXPECT_NE(host->currentPage, (HWND)NULL);
        EXPECT_LT(host->pageRect.left, host->pageRect.right);
        EXPECT_EQ(GetFocus(), MainItem(IDC_MAIN_TAB));
        // Its creation centred it on the primary monitor's work area.
        RECT frame;
        GetWindowRect(main, &frame);
        POINT centre = ComputeCentredOrigin(GetPrimaryWorkArea(), frame.right - frame.left, frame.bottom - frame.top);
        EXPECT_EQ(frame.left, centre.x);
        EXPECT_EQ(frame.top, centre.y);
        EXPECT_EQ(LabCounter("VELMOR-PDC", "OpenRoots"), 1u);
        Click(main, IDC_MAIN_OK);
    });
    EXPECT_EQ(RunKorvidAdm(GetModuleHandleA(NULL)), 0);
    ExpectNothingOpen("VELMOR-PDC");
    EXPECT_EQ(GetRemoteRoot(), (HKEY)NULL);
    EXPECT_EQ(LabCounter("VELMOR-PDC", "RegConnectRegistryA"), 1u);
}

TEST_F(SpineTest, TabsFollowTheKindAndRole)
{
    struct Case { const char *name; int tabs; } cases[] = {
        {"VELMOR-SOLO", 1}, {"VELMOR-MEMBER", 2}, {"VELMOR-BDC", 2}, {"NT-SERVER", 1}, {"VELMOR-NOVER", 1}, {"WIN95-PC", 1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Driver driver;
        driver.SelectInLab(c.name).OnIdle([&] {
            EXPECT_EQ(TabCount(), c.tabs);
            PostMessageA(GetMainWindow(), WM_CLOSE, 0, 0);
        });
        EXPECT_EQ(RunKorvidAdm(GetModuleHandleA(NULL)), 0);
    }
}

TEST_F(SpineTest, ExitMenuAndCloseBoxEndTheSameWay)
{
    for (int way = 0; way < 3; ++way) {
        SCOPED_TRACE(way);
        LabResetCounters("NT-SERVER");
        Driver driver;
        driver.SelectInLab("NT-SERVER").OnIdle([way] {
            HWND main = GetMainWindow();
            if (way == 0)
                Command(main, IDM_EXIT);
            else if (way == 1)
                PressKey(MainItem(IDC_MAIN_OK), VK_RETURN);
            else
                CloseBox(main);
        });
        EXPECT_EQ(RunKorvidAdm(GetModuleHandleA(NULL)), 0);
        EXPECT_EQ(GetRemoteRoot(), (HKEY)NULL);
        ExpectNothingOpen("NT-SERVER");
    }
}

TEST_F(SpineTest, TabCycleOnTheVersionPage)
{
    Driver driver;
    driver.SelectInLab("NT-SERVER")
        .OnIdle([] {
            SetFocus(MainItem(IDC_MAIN_TAB));
            PressKey(MainItem(IDC_MAIN_TAB), VK_TAB);
        })
        .OnIdle([] {
            EXPECT_EQ(GetFocus(), MainItem(IDC_MAIN_SELECT));
            PressKey(MainItem(IDC_MAIN_SELECT), VK_TAB);
        })
        .OnIdle([] {
            EXPECT_EQ(GetFocus(), MainItem(IDC_MAIN_OK));
            PressKey(MainItem(IDC_MAIN_OK), VK_TAB);
        })
        .OnIdle([] {
            EXPECT_EQ(GetFocus(), MainItem(IDC_MAIN_TAB));
            PostMessageA(GetMainWindow(), WM_CLOSE, 0, 0);
        });
    EXPECT_EQ(RunKorvidAdm(GetModuleHandleA(NULL)), 0);
}

TEST_F(SpineTest, EnterOnSelectReselectsAndSuccessRebuildsTheTabs)
{
    Driver driver;
    driver.SelectInLab("NT-SERVER")
        .OnIdle([] {
            EXPECT_EQ(TabCount(), 1);
            SetFocus(MainItem(IDC_MAIN_SELECT));
            PressKey(MainItem(IDC_MAIN_SELECT), VK_RETURN);
        })
        .OnDialog("Select Computer", [](HWND dialog) {
            EXPECT_FALSE(IsWindowEnabled(MainItem(IDC_MAIN_SELECT)));
            EXPECT_FALSE(IsWindowEnabled(MainItem(IDC_MAIN_OK)));
            TypeText(dialog, 100, "VELMOR-PDC");
            Click(dialog, IDOK);
        })
        .OnIdle([] {
            ExpectReselected("VELMOR-PDC", "NT-SERVER");
            EXPECT_STREQ(Target().computerName, "VELMOR-PDC");
            PostMessageA(GetMainWindow(), WM_CLOSE, 0, 0);
        });
    EXPECT_EQ(RunKorvidAdm(GetModuleHandleA(NULL)), 0);
    ExpectNothingOpen("NT-SERVER");
    ExpectNothingOpen("VELMOR-PDC");
}

TEST_F(SpineTest, ReselectionFromThePolicyTabShowsTheVersionTab)
{
    Driver driver;
    driver.SelectInLab("VELMOR-PDC")
        .OnIdle([] {
            HWND tab = MainItem(IDC_MAIN_TAB);
            SendMessageA(tab, TCM_SETCURSEL, 1, 0);
            NMHDR header = {tab, IDC_MAIN_TAB, static_cast<UINT>(TCN_SELCHANGE)};
            SendMessageA(GetMainWindow(), WM_NOTIFY, IDC_MAIN_TAB, reinterpret_cast<LPARAM>(&header));
            EXPECT_EQ(GetCurrentTab(), 1);
            EXPECT_NE(GetDlgItem(GetTabPageHost(GetMainWindow())->currentPage, IDC_POL_LIST), (HWND)NULL);
            Command(GetMainWindow(), IDC_MAIN_SELECT);
        })
        .SelectInLab("VELMOR-BDC")
        .OnIdle([] {
            ExpectReselected("VELMOR-BDC", "VELMOR-PDC");
            HWND page = GetTabPageHost(GetMainWindow())->currentPage;
            EXPECT_NE(GetDlgItem(page, IDC_VER_VERSION), (HWND)NULL);
            EXPECT_EQ(GetDlgItem(page, IDC_POL_LIST), (HWND)NULL);
            PostMessageA(GetMainWindow(), WM_CLOSE, 0, 0);
        });
    EXPECT_EQ(RunKorvidAdm(GetModuleHandleA(NULL)), 0);
    ExpectNothingOpen("VELMOR-PDC");
    ExpectNothingOpen("VELMOR-BDC");
}

TEST_F(SpineTest, FailedReselectionPutsTheEarlierComputerBack)
{
    // LOCKED-SRV answers its workstation query (so the attempt learns its kind, type and
    // domain) and then refuses the registry connection.
    LabSetComputerString("LOCKED-SRV", "LanGroup", "OTHERDOM");
    LabSetComputerDword("LOCKED-SRV", "ServerType", 0x1003);
    Driver driver;
    driver.SelectInLab("VELMOR-PDC")
        .OnIdle([] { Command(GetMainWindow(), IDM_SELECT_COMPUTER); })
        .SelectInLab("WIN95-PC")
        .OnIdle([] {
            EXPECT_NE(EventViewerState(), 0u);
            EXPECT_EQ(TabCount(), 1);
            Command(GetMainWindow(), IDC_MAIN_SELECT);
        })
        .SelectInLab("VELMOR-PDC")
        .OnIdle([] {
            EXPECT_EQ(EventViewerState(), 0u);
            EXPECT_EQ(TabCount(), 2);
            Command(GetMainWindow(), IDC_MAIN_SELECT);
        })
        .SelectInLab("LOCKED-SRV")
        .OnMessageBox(IDNO, [](const BoxRecord &box) {
            EXPECT_EQ(box.text, "LOCKED-SRV: Access is denied (5).\nSelect another computer?");
            EXPECT_EQ(box.owner, GetMainWindow());
        })
        .OnIdle([] {
            EXPECT_EQ(WindowTitle(GetMainWindow()), "Korvid Administrator - VELMOR-PDC");
            EXPECT_EQ(GetPlatformKind(), PlatformVelmorServer);
            EXPECT_EQ(GetServerRole(), RolePrimaryDomainController);
            EXPECT_STREQ(GetDomainName(), "KORVID");
            WCHAR wide[kNameChars];
            CopyComputerNameWide(wide);
            EXPECT_STREQ(wide, L"VELMOR-PDC");
            EXPECT_NE(GetRemoteRoot(), (HKEY)NULL);
            Command(GetMainWindow(), IDC_MAIN_SELECT);
        })
        .SelectInLab("WFW-PC")
        .OnIdle([] {
            EXPECT_NE(EventViewerState(), 0u);
            Command(GetMainWindow(), IDC_MAIN_SELECT);
        })
        .CancelSelect()
        .OnIdle([] {
            EXPECT_EQ(WindowTitle(GetMainWindow()), "Korvid Administrator - WFW-PC");
            EXPECT_NE(EventViewerState(), 0u);
            PostMessageA(GetMainWindow(), WM_CLOSE, 0, 0);
        });
    EXPECT_EQ(RunKorvidAdm(GetModuleHandleA(NULL)), 0);
    EXPECT_EQ(LabCounter("VELMOR-PDC", "OpenKeys"), 0u);
}
