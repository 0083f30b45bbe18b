// The Computer Browser Service dialog: its lists of seconds, the logging switch, and the
// order and numbers of its reads and writes.
#include "tests/support/typed_entry_checks.h"

using namespace policytest;

namespace {

const char kBrowserKey[] = "SYSTEM\\CurrentControlSet\\Services\\Browser\\Parameters";
const char kBrowserTitle[] = "Properties of Computer Browser Service - VELMOR-PDC";

std::vector<NamedDword> BrowserValues(DWORD master, DWORD backup, DWORD recovery, DWORD moreLog)
{
    return {{"MasterUpdate", master}, {"BackupUpdate", backup}, {"BackupRecovery", recovery},
            {"MoreLog", moreLog}};
}

void RunBrowser(const std::function<void(HWND)> &act)
{
    RunActing(IDD_BROWSER, BrowserServiceDlgProc, kBrowserTitle, act);
}

}  // namespace

using BrowserDialog = PolicyDialogTest;

TEST_F(BrowserDialog, BringsIntervalsIntoTheListAndWritesWhatItShows)
{
    SetDwords(kBrowserKey, BrowserValues(30, 730, 4000, 3));
    RunBrowser([](HWND dialog) {
        for (int id : {IDC_BRW_MASTER_UPDATE, IDC_BRW_BACKUP_UPDATE, IDC_BRW_RECOVERY}) {
            EXPECT_EQ(178, ComboCount(dialog, id));
        }
        EXPECT_EQ("60", ComboText(dialog, IDC_BRW_MASTER_UPDATE));
        EXPECT_EQ("720", ComboText(dialog, IDC_BRW_BACKUP_UPDATE));
        EXPECT_EQ("3600", ComboText(dialog, IDC_BRW_RECOVERY));
        EXPECT_EQ(177, ComboIndex(dialog, IDC_BRW_RECOVERY));
        EXPECT_TRUE(Checked(dialog, IDC_BRW_MORE_LOG));
        EXPECT_EQ(0u, ItemText(dialog, IDC_BRW_RECOVERY_TEXT).find("When this computer ceases"));
        EXPECT_EQ(GetDlgItem(dialog, IDCANCEL), GetFocus());
        Click(dialog, IDOK);
    });
    ExpectDwords(kBrowserKey, BrowserValues(60, 720, 3600, 1));
    EXPECT_EQ(4u, LabCounter(kPdc, "RegSetValueExA"));
    EXPECT_EQ(1u, LabCounter(kPdc, "RegFlushKey"));
}

TEST_F(BrowserDialog, SwitchFlipsAndChosenEntriesAreWrittenInSeconds)
{
    SetDwords(kBrowserKey, BrowserValues(720, 720, 1800, 0));
    RunBrowser([](HWND dialog) {
        EXPECT_EQ(87, ComboIndex(dialog, IDC_BRW_RECOVERY));
        Click(dialog, IDC_BRW_MORE_LOG);
        EXPECT_TRUE(Checked(dialog, IDC_BRW_MORE_LOG));
        Click(dialog, IDC_BRW_MORE_LOG);
        Click(dialog, IDC_BRW_MORE_LOG);
        PickIndex(dialog, IDC_BRW_MASTER_UPDATE, 0);
        PickIndex(dialog, IDC_BRW_BACKUP_UPDATE, 1);
        PickIndex(dialog, IDC_BRW_RECOVERY, -1);
        Click(dialog, IDOK);
    });
    // No selection gives the list's default.
    ExpectDwords(kBrowserKey, BrowserValues(60, 80, 1800, 1));
}

TEST_F(BrowserDialog, DefaultPutsBackTheDocumentedValues)
{
    SetDwords(kBrowserKey, BrowserValues(100, 3600, 60, 1));
    RunBrowser([](HWND dialog) {
        Click(dialog, IDC_DEFAULT);
        EXPECT_FALSE(Checked(dialog, IDC_BRW_MORE_LOG));
        EXPECT_EQ(33, ComboIndex(dialog, IDC_BRW_MASTER_UPDATE));
        EXPECT_EQ(33, ComboIndex(dialog, IDC_BRW_BACKUP_UPDATE));
        EXPECT_EQ(87, ComboIndex(dialog, IDC_BRW_RECOVERY));
        Click(dialog, IDOK);
    });
    ExpectDwords(kBrowserKey, BrowserValues(720, 720, 1800, 0));
}

TEST_F(BrowserDialog, ReadsAreNumberedInTheirOrder)
{
    LabDeleteRegValue(kPdc, kBrowserKey, "MoreLog");
    RunToReadBox(IDD_BROWSER, BrowserServiceDlgProc,
                 "Browser - WM_INITDIALOG 8, RegRet=2", true);
    // The three intervals were read before the switch.
    EXPECT_EQ(4u, LabCounter(kPdc, "RegQueryValueExA"));

    LabSetRegString(kPdc, kBrowserKey, "BackupUpdate", "720");
    RunToReadBox(IDD_BROWSER, BrowserServiceDlgProc,
                 "Browser - WM_INITDIALOG 5, dwType=1", true);
}

TEST_F(BrowserDialog, SwitchIsWrittenBeforeTheIntervals)
{
    SetDwords(kBrowserKey, BrowserValues(720, 720, 1800, 0));
    LabSetFault(kPdc, "SetValue", ValuePath(kBrowserKey, "MasterUpdate").c_str(), 5);
    RunToOkBox(
        IDD_BROWSER, BrowserServiceDlgProc, kBrowserTitle,
        [](HWND dialog) {
            Click(dialog, IDC_BRW_MORE_LOG);
            PickIndex(dialog, IDC_BRW_MASTER_UPDATE, 0);
            PickIndex(dialog, IDC_BRW_BACKUP_UPDATE, 0);
            PickIndex(dialog, IDC_BRW_RECOVERY, 0);
            Click(dialog, IDOK);
        },
        [](const BoxRecord &box) {
            ExpectPolicyBox(box, "Browser - WM_COMMAND 3, RegRet=5", "Registry", true);
        });
    ExpectDwords(kBrowserKey, BrowserValues(720, 720, 1800, 1));
    EXPECT_EQ(0u, LabCounter(kPdc, "RegFlushKey"));
}

TEST_F(BrowserDialog, EnterRightAfterOpeningCancels)
{
    SetDwords(kBrowserKey, BrowserValues(720, 720, 1800, 0));
    RunBrowser([](HWND dialog) {
        EXPECT_EQ(GetDlgItem(dialog, IDCANCEL), GetFocus());
        PressKey(GetFocus(), VK_RETURN);
    });
    EXPECT_EQ(0u, LabCounter(kPdc, "RegSetValueExA"));
}
