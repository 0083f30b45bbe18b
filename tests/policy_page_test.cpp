// The Policy page inside the running program: its list, descriptions, the ways to open a
// policy, the keyboard cycle through it, and where the focus goes after every dialog.
#include "tests/support/policy_dialog_fixture.h"

#include <commctrl.h>

#include <vector>

#include "app/shell.h"

using namespace policytest;

namespace {

HWND MainItem(int id) { return GetDlgItem(GetMainWindow(), id); }
HWND PolicyPage() { return GetParent(GetPolicyList()); }

void ShowPolicyTab()
{
    SendMessageA(MainItem(IDC_MAIN_TAB), TCM_SETCURFOCUS, 1, 0);
    ASSERT_NE(nullptr, GetPolicyList());
}

int SelectPolicy(const char *name)
{
    LRESULT index = SendMessageA(GetPolicyList(), LB_FINDSTRINGEXACT, (WPARAM)-1, (LPARAM)name);
    EXPECT_NE(LB_ERR, index) << name;
    SendMessageA(GetPolicyList(), LB_SETCURSEL, index, 0);
    return (int)index;
}

int Selection() { return (int)SendMessageA(GetPolicyList(), LB_GETCURSEL, 0, 0); }

void ExpectBackOnList()
{
    EXPECT_EQ(GetPolicyList(), GetFocus());
    EXPECT_TRUE(IsWindowEnabled(MainItem(IDC_MAIN_SELECT)));
    EXPECT_TRUE(IsWindowEnabled(MainItem(IDC_MAIN_OK)));
}

void ExpectMainButtonsDisabled()
{
    EXPECT_FALSE(IsWindowEnabled(MainItem(IDC_MAIN_SELECT)));
    EXPECT_FALSE(IsWindowEnabled(MainItem(IDC_MAIN_OK)));
}

void CloseProgram() { PostMessageA(GetMainWindow(), WM_CLOSE, 0, 0); }

int RunProgram() { return RunKorvidAdm(GetModuleHandleA(NULL)); }

class PolicyPageTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        LabReset();
        ASSERT_TRUE(LabLoadDefaultNetwork());
        ApplyReadPath();
    }
    void TearDown() override { EXPECT_EQ(0u, LabCounter(kPdc, "OpenKeys")); }
};

}  // namespace

TEST_F(PolicyPageTest, ListsTheTenPoliciesSortedWithDescriptionsOnSelection)
{
    Driver driver;
    driver.SelectInLab(kPdc)
        .OnIdle([] {
            ShowPolicyTab();
            HWND page = PolicyPage();
            const std::vector<std::string> sorted = {
                "Alerter Service", "Computer Browser Service", "Connected Clients",
                "File Name Space Mapping", "Netlogon Service", "Server Announcement",
                "UNIX Account Mapping", "UNIX File System Integration", "UPS Service",
                "Users Alerts"};
            ASSERT_EQ(10, (int)SendMessageA(GetPolicyList(), LB_GETCOUNT, 0, 0));
            for (int i = 0; i < 10; ++i) {
                char text[kTextChars] = "";
                SendMessageA(GetPolicyList(), LB_GETTEXT, i, (LPARAM)text);
                EXPECT_EQ(sorted[i], text);
                EXPECT_GE(FindPolicyByText(text), 0) << text;
            }
            EXPECT_EQ(-1, FindPolicyByText("alerter service"));
            EXPECT_EQ(-1, FindPolicyByText("Alerter"));
            EXPECT_EQ(-1, FindPolicyByText("Alerter Service "));
            EXPECT_EQ(-1, FindPolicyByText(""));
            EXPECT_EQ(-1, Selection());
            EXPECT_EQ("", ItemText(page, IDC_POL_DESCR));
            EXPECT_EQ("Policy for:", ItemText(page, IDC_POL_FOR));
            EXPECT_EQ("Properties...", ItemText(page, IDC_POL_PROPERTIES));
            EXPECT_EQ("Description", ItemText(page, IDC_POL_DESCR_GROUP));
            // Nothing selected: "Properties..." opens nothing.
            Click(page, IDC_POL_PROPERTIES);
            SelectPolicy("Alerter Service");
            SendMessageA(GetPolicyList(), WM_LBUTTONUP, 0, 0);
            EXPECT_EQ(0u, ItemText(page, IDC_POL_DESCR).find("Tells the Alerter service how many"));
            PressKey(GetPolicyList(), VK_DOWN);
        })
        .OnIdle([] {
            EXPECT_EQ(1, Selection());
            EXPECT_EQ(0u, ItemText(PolicyPage(), IDC_POL_DESCR)
                              .find("Configures parameters for master and backup computer browsers."));
            CloseProgram();
        });
    EXPECT_EQ(0, RunProgram());
}

TEST_F(PolicyPageTest, PropertiesEnterAndDoubleClickOpenTheSameDialog)
{
    Driver driver;
    driver.SelectInLab(kPdc)
        .OnIdle([] {
            ShowPolicyTab();
            SelectPolicy("Users Alerts");
            PostMessageA(GetPropertiesButton(), BM_CLICK, 0, 0);
        })
        .OnDialog(kUsersAlertsTitle, [](HWND dialog) {
            ExpectMainButtonsDisabled();
            Click(dialog, IDCANCEL);
        })
        .OnIdle([] {
            ExpectBackOnList();
            PressKey(GetPolicyList(), VK_RETURN);
        })
        .OnDialog(kUsersAlertsTitle, [](HWND dialog) {
            ExpectMainButtonsDisabled();
            Click(dialog, IDOK);
        })
        .OnIdle([] {
            ExpectBackOnList();
            RECT item = {};
            SendMessageA(GetPolicyList(), LB_GETITEMRECT, Selection(), (LPARAM)&item);
            PostMessageA(GetPolicyList(), WM_LBUTTONDBLCLK, MK_LBUTTON,
                         MAKELPARAM(item.left + 4, item.top + 2));
        })
        .OnDialog(kUsersAlertsTitle, [](HWND dialog) { CloseBox(dialog); })
        .OnIdle([] {
            ExpectBackOnList();
            EXPECT_EQ(9, Selection());
            CloseProgram();
        });
    EXPECT_EQ(0, RunProgram());
    EXPECT_EQ(3u, LabCounter(kPdc, "RegSetValueExA"));
}

TEST_F(PolicyPageTest, FocusReturnsToTheListAfterAFailedOpening)
{
    Driver driver;
    driver.SelectInLab(kPdc)
        .OnIdle([] {
            ShowPolicyTab();
            LabDeleteRegValue(kPdc, kAlerterKey, "NotOnNetworkCacheTimeout");
            SelectPolicy("Alerter Service");
            PostMessageA(GetPropertiesButton(), BM_CLICK, 0, 0);
        })
        .OnMessageBox(IDOK, [](const BoxRecord &box) {
            EXPECT_EQ("Alerter - WM_INITDIALOG 6, RegRet=2", box.text);
        })
        .OnIdle([] {
            ExpectBackOnList();
            CloseProgram();
        });
    EXPECT_EQ(0, RunProgram());
}

TEST_F(PolicyPageTest, FocusReturnsToTheListAfterAFailedWrite)
{
    // The helper's message has no owner, so the dialog is still the active window under it.
    Driver driver;
    driver.SelectInLab(kPdc)
        .OnIdle([] {
            ShowPolicyTab();
            LabSetFault(kPdc, "SetValue", ValuePath(kServerKey, "ErrorAlert").c_str(), 5);
            SelectPolicy("Users Alerts");
            PostMessageA(GetPropertiesButton(), BM_CLICK, 0, 0);
        })
        .OnDialog(kUsersAlertsTitle, [](HWND dialog) { Click(dialog, IDOK); })
        .OnMessageBox(IDOK, [](const BoxRecord &box) {
            EXPECT_EQ("Violation - WM_COMMAND, 'ErrorAlert', dwRegType=4, RegRet=5", box.text);
            EXPECT_EQ(nullptr, box.owner);
        })
        .OnIdle([] {
            ExpectBackOnList();
            CloseProgram();
        });
    EXPECT_EQ(0, RunProgram());
    EXPECT_EQ(0u, LabCounter(kPdc, "RegFlushKey"));
}

TEST_F(PolicyPageTest, LostConnectionEndsTheDialogOnSelect)
{
    Driver driver;
    driver.SelectInLab(kPdc)
        .OnIdle([] {
            ShowPolicyTab();
            SelectPolicy("UNIX Account Mapping");
            // The connection breaks now and the computer no longer answers a connect.
            LabSetBreakAfter(kPdc, 1);
            LabSetComputerDword(kPdc, "ConnectStatus", 53);
            PostMessageA(GetPropertiesButton(), BM_CLICK, 0, 0);
        })
        .OnMessageBox(IDOK, [](const BoxRecord &box) { EXPECT_EQ("Re-Connecting", box.caption); })
        .OnIdle([] {
            EXPECT_EQ(MainItem(IDC_MAIN_SELECT), GetFocus());
            EXPECT_TRUE(IsWindowEnabled(MainItem(IDC_MAIN_SELECT)));
            EXPECT_TRUE(IsWindowEnabled(MainItem(IDC_MAIN_OK)));
            CloseProgram();
        });
    EXPECT_EQ(0, RunProgram());
}

TEST_F(PolicyPageTest, TabCyclesThroughTheListAndEnterOpensTheSelection)
{
    Driver driver;
    driver.SelectInLab(kPdc)
        .OnIdle([] {
            ShowPolicyTab();
            EXPECT_EQ(MainItem(IDC_MAIN_TAB), GetFocus());
            PressKey(MainItem(IDC_MAIN_TAB), VK_TAB);
        })
        .OnIdle([] {
            EXPECT_EQ(GetPolicyList(), GetFocus());
            EXPECT_EQ(0, Selection());
            PressKey(GetPolicyList(), VK_TAB);
        })
        .OnIdle([] {
            EXPECT_EQ(GetPropertiesButton(), GetFocus());
            PressKey(GetPropertiesButton(), VK_RETURN);
        })
        .OnDialog(kAlerterTitle, [](HWND dialog) { Click(dialog, IDCANCEL); })
        .OnIdle([] {
            ExpectBackOnList();
            PressKey(GetPolicyList(), VK_TAB);
        })
        .OnIdle([] {
            EXPECT_EQ(GetPropertiesButton(), GetFocus());
            PressKey(GetPropertiesButton(), VK_TAB);
        })
        .OnIdle([] {
            EXPECT_EQ(MainItem(IDC_MAIN_SELECT), GetFocus());
            EXPECT_EQ(-1, Selection());
            CloseProgram();
        });
    EXPECT_EQ(0, RunProgram());
}

TEST_F(PolicyPageTest, CancelledReselectionKeepsTheSelectedPolicy)
{
    int selected = -1;
    Driver driver;
    driver.SelectInLab(kPdc)
        .OnIdle([&] {
            ShowPolicyTab();
            selected = SelectPolicy("Netlogon Service");
            SetFocus(GetPolicyList());
            PostMessageA(GetMainWindow(), WM_COMMAND, IDM_SELECT_COMPUTER, 0);
        })
        .CancelSelect()
        .OnIdle([&] {
            EXPECT_EQ(GetPolicyList(), GetFocus());
            EXPECT_EQ(selected, Selection());
            CloseProgram();
        });
    EXPECT_EQ(0, RunProgram());
}

TEST_F(PolicyPageTest, NetlogonOpensTheLayoutOfTheServerRole)
{
    const int netlogonRow = 4;
    ASSERT_EQ(IDS_NETLOGON, GetPolicyEntry(netlogonRow).nameId);
    auto openNetlogon = [] {
        ShowPolicyTab();
        SelectPolicy("Netlogon Service");
        SendMessageA(PolicyPage(), WM_COMMAND, IDC_POL_PROPERTIES, 0);
    };
    std::vector<int> opened;
    // Each layout opens inside the step that asked for it; the step after it answers it.
    auto cancel = [](HWND dialog) { Click(dialog, IDCANCEL); };
    Driver driver;
    driver.SelectInLab(kPdc)
        .OnIdle([&] {
            openNetlogon();
            opened.push_back(GetPolicyEntry(netlogonRow).dialogId);
            PostMessageA(GetMainWindow(), WM_COMMAND, IDM_SELECT_COMPUTER, 0);
        })
        .OnDialog("Properties of Netlogon Service - VELMOR-PDC", cancel)
        .SelectInLab("VELMOR-BDC")
        .OnIdle([&] {
            openNetlogon();
            opened.push_back(GetPolicyEntry(netlogonRow).dialogId);
            PostMessageA(GetMainWindow(), WM_COMMAND, IDM_SELECT_COMPUTER, 0);
        })
        .OnDialog("Properties of Netlogon Service - VELMOR-BDC", cancel)
        .SelectInLab("VELMOR-MEMBER")
        .OnIdle([&] {
            openNetlogon();
            opened.push_back(GetPolicyEntry(netlogonRow).dialogId);
            CloseProgram();
        })
        .OnDialog("Properties of Netlogon Service - VELMOR-MEMBER", cancel);
    EXPECT_EQ(0, RunProgram());
    EXPECT_EQ((std::vector<int>{IDD_NETLOGON_PDC, IDD_NETLOGON_BDC, IDD_NETLOGON_SERVER}), opened);
}

TEST_F(PolicyPageTest, EnterEndingEveryDialogGivesTheFocusBackToTheList)
{
    // Each policy on the primary controller, then Netlogon in the other two layouts: opened by
    // Enter on the list, ended by Enter on its Cancel, the focus is on the list at once.
    struct Opening {
        const char *computer;
        const char *policy;
    };
    std::vector<Opening> openings;
    for (int i = 0; i < kPolicyCount; ++i)
        openings.push_back({kPdc, nullptr});
    openings.push_back({"VELMOR-BDC", "Netlogon Service"});
    openings.push_back({"VELMOR-MEMBER", "Netlogon Service"});
    std::vector<std::string> ended;
    Driver driver;
    driver.SelectInLab(kPdc);
    const char *computer = kPdc;
    for (size_t i = 0; i < openings.size(); ++i) {
        if (openings[i].computer != computer) {
            computer = openings[i].computer;
            driver.OnIdle([] { PostMessageA(GetMainWindow(), WM_COMMAND, IDM_SELECT_COMPUTER, 0); })
                .SelectInLab(computer);
        }
        const char *policy = openings[i].policy;
        driver
            .OnIdle([i, policy] {
                ShowPolicyTab();
                SendMessageA(GetPolicyList(), LB_SETCURSEL, policy ? 0 : i, 0);
                if (policy)
                    SelectPolicy(policy);
                SetFocus(GetPolicyList());
                PressKey(GetPolicyList(), VK_RETURN);
            })
            .OnDialog("", [&ended](HWND dialog) {
                ended.push_back(Text(dialog));
                EXPECT_EQ(GetDlgItem(dialog, IDCANCEL), GetFocus());
                PressKey(GetFocus(), VK_RETURN);
            })
            .OnIdle([&ended] {
                EXPECT_EQ(GetPolicyList(), GetFocus()) << "after " << ended.back();
                EXPECT_EQ(GetMainWindow(), GetActiveWindow()) << "after " << ended.back();
            });
    }
    driver.OnIdle([] { CloseProgram(); });
    EXPECT_EQ(0, RunProgram());
    EXPECT_EQ(openings.size(), ended.size());
    EXPECT_EQ(0u, LabCounter(kPdc, "RegSetValueExA"));
}

TEST_F(PolicyPageTest, FocusTakenAwayAsTheDialogEndsComesBack)
{
    // The program is deactivated between the dialog's end and the end of its loop, as a late
    // report of the windowing system can do; the focus still lands where the end sent it.
    struct Ending {
        const char *what;
        std::function<void(HWND)> end;
        bool lostConnection;
    };
    const Ending endings[] = {
        {"Cancel", [](HWND dialog) { Click(dialog, IDCANCEL); }, false},
        {"OK", [](HWND dialog) { Click(dialog, IDOK); }, false},
        {"lost connection",
         [](HWND dialog) {
             LabSetBreakAfter(kPdc, 1);
             LabSetComputerDword(kPdc, "ConnectStatus", 53);
             Click(dialog, IDOK);
         },
         true},
    };
    for (const Ending &ending : endings) {
        SCOPED_TRACE(ending.what);
        LabReset();
        ASSERT_TRUE(LabLoadDefaultNetwork());
        Driver driver;
        driver.SelectInLab(kPdc)
            .OnIdle([] {
                ShowPolicyTab();
                SelectPolicy("Alerter Service");
                SendMessageA(PolicyPage(), WM_COMMAND, IDC_POL_PROPERTIES, 0);
            })
            .OnDialog(kAlerterTitle, [&ending](HWND dialog) {
                ending.end(dialog);
                SetForegroundWindow(GetDesktopWindow());
                EXPECT_EQ(nullptr, GetFocus());
            });
        if (ending.lostConnection)
            driver.OnMessageBox(IDOK);
        driver.OnIdle([&ending] {
            EXPECT_EQ(ending.lostConnection ? MainItem(IDC_MAIN_SELECT) : GetPolicyList(), GetFocus());
            CloseProgram();
        });
        EXPECT_EQ(0, RunProgram());
    }
}
