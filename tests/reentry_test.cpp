// No re-entry behind a message box without owner: while one shows, no window of the program
// takes input, so a dialog's OK cannot start a second pass of writes and the menu cannot start
// a second selection.
#include "tests/support/policy_dialog_fixture.h"

#include "app/shell.h"

using namespace policytest;

namespace {

// A failure at OK that shows a box without owner, and the lab calls of exactly one pass.
struct OkBehindBox {
    const char *what;
    int dialogId;
    DLGPROC proc;
    const char *title;
    std::function<void()> fail;  // set up just before OK is pressed
    const char *caption;
    DWORD opens, writes, connects;
};

void FailUsersAlertsWrite()
{
    LabSetFault(kPdc, "SetValue", ValuePath(kServerKey, "ErrorAlert").c_str(), 5);
}

// The connection breaks and the computer no longer answers a connect.
void LoseConnection()
{
    LabSetBreakAfter(kPdc, 1);
    LabSetComputerDword(kPdc, "ConnectStatus", 53);
}

using PressedBehindBox = PolicyDialogTest;

}  // namespace

TEST_F(PressedBehindBox, OkOfTheDialogCannotBePressedWhileItsBoxShows)
{
    const OkBehindBox rows[] = {
        // The first value written, the second refused: the read open, the write open.
        {"SetKorvidRegValue", IDD_USERS_ALERTS, UsersAlertsDlgProc, kUsersAlertsTitle,
         FailUsersAlertsWrite, "Registry", 2, 2, 0},
        // The read open, the failed write open, two connects and no write.
        {"ReconnectRegistry", IDD_ALERTER, AlerterServiceDlgProc, kAlerterTitle, LoseConnection,
         "Re-Connecting", 2, 0, 2},
    };
    for (const OkBehindBox &row : rows) {
        SCOPED_TRACE(row.what);
        LabClearFaults(kPdc);
        LabSetComputerDword(kPdc, "ConnectStatus", 0);
        ConnectTarget(kPdc, TRUE);
        LabResetCounters(kPdc);
        HWND shown = NULL;
        Driver driver;
        driver.OnDialog(row.title, [&](HWND dialog) {
                  shown = dialog;
                  row.fail();
                  Click(dialog, IDOK);
              })
            .OnMessageBox(IDOK, [&](const BoxRecord &box) {
                EXPECT_EQ(row.caption, box.caption);
                EXPECT_EQ(nullptr, box.owner);
                EXPECT_FALSE(UserCanReach(GetDlgItem(shown, IDOK)));
                EXPECT_FALSE(ClickAsUser(shown, IDOK)) << "OK was pressed behind the box";
            });
        EXPECT_EQ(0, RunDialog(row.dialogId, row.proc));
        EXPECT_EQ(1u, driver.Boxes().size());
        EXPECT_EQ(row.opens, LabCounter(kPdc, "RegOpenKeyExA"));
        EXPECT_EQ(row.writes, LabCounter(kPdc, "RegSetValueExA"));
        EXPECT_EQ(row.connects, LabCounter(kPdc, "RegConnectRegistryA"));
        EXPECT_EQ(0u, LabCounter(kPdc, "RegFlushKey"));
    }
    LabClearFaults(kPdc);
    LabSetComputerDword(kPdc, "ConnectStatus", 0);
}

namespace {

const char kAppTitle[] = "Korvid Administrator";

// A selection that ends in a box; during it, "Select Computer..." from the menu.
struct SelectionBox {
    const char *what;
    std::string folder;
    int dosAttempts;  // DOS computers chosen and refused with Yes before the box
    int answer;
    const char *text;
};

}  // namespace

TEST(SelectionBehindBox, NoSecondSelectionStartsWhileASelectionBoxShows)
{
    const char kDos[] = "DOS-PC";
    const SelectionBox rows[] = {
        {"no library", EmptyDllFolder(), 0, IDOK, "Fail to load 'ntlanman.dll'."},
        {"no function", NoFuncDllFolder(), 0, IDOK,
         "Fail to find the Select Computer dialog box function."},
        {"attempts spent", LabDllFolder(), 5, IDOK, "Try too many times!"},
        {"question", LabDllFolder(), 0, IDNO, nullptr},
    };
    for (const SelectionBox &row : rows) {
        SCOPED_TRACE(row.what);
        LabReset();
        ASSERT_TRUE(LabLoadDefaultNetwork());
        ScopedDllFolder folder(row.folder);
        Driver driver;
        for (int i = 0; i < row.dosAttempts; ++i)
            driver.SelectInLab(kDos).OnMessageBox(IDYES);
        if (!row.text)
            driver.SelectInLab(kDos);
        driver.OnMessageBox(row.answer, [&](const BoxRecord &box) {
            if (row.text) {
                EXPECT_EQ(row.text, box.text);
            }
            EXPECT_EQ(kAppTitle, box.caption);
            EXPECT_EQ((UINT)MB_ICONHAND, box.icon);
            EXPECT_FALSE(UserCanReach(GetMainWindow()));
            EXPECT_FALSE(ChooseAsUser(GetMainWindow(), IDM_SELECT_COMPUTER))
                << "a second selection started behind the box";
        });
        EXPECT_EQ(0, RunKorvidAdm(GetModuleHandleA(NULL)));
        EXPECT_EQ((DWORD)(row.text ? row.dosAttempts : 1), LabCounter(kDos, "NetWkstaGetInfo"));
    }
}
