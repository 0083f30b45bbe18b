// The Server Announcement dialog: the inverted announcement box and the controls it greys, the
// list of seconds, and the helper messages naming its values.
#include "tests/support/typed_entry_checks.h"

using namespace policytest;

namespace {

const char kAnnounceTitle[] = "Properties of Server Announcement - VELMOR-PDC";
const int kDependents[] = {IDC_ANN_SERVER_GROUP, IDC_ANN_TEXT, IDC_ANN_FREQUENCY_LABEL,
                           IDC_ANN_FREQUENCY, IDC_ANN_LM};

std::vector<NamedDword> AnnounceValues(DWORD hidden, DWORD interval, DWORD lmAnnounce)
{
    return {{"Hidden", hidden}, {"SrvAnnounce", interval}, {"LmAnnounce", lmAnnounce}};
}

void RunAnnouncement(const std::function<void(HWND)> &act)
{
    RunActing(IDD_ANNOUNCEMENT, ServerAnnouncementDlgProc, kAnnounceTitle, act);
}

void RunAnnouncementToBox(const std::string &text, bool owned)
{
    RunToReadBox(IDD_ANNOUNCEMENT, ServerAnnouncementDlgProc, text, owned);
}

void ExpectDependents(HWND dialog, bool enabled)
{
    for (int id : kDependents)
        EXPECT_EQ(enabled, Enabled(dialog, id)) << id;
}

}  // namespace

using AnnouncementDialog = PolicyDialogTest;

TEST_F(AnnouncementDialog, HiddenServerGreysItsAnnouncementSettingsButWritesThem)
{
    SetDwords(kServerKey, AnnounceValues(7, 3601, 3));
    RunAnnouncement([](HWND dialog) {
        EXPECT_FALSE(Checked(dialog, IDC_ANN_ANNOUNCE));
        EXPECT_TRUE(Checked(dialog, IDC_ANN_LM));
        EXPECT_EQ(60, ComboCount(dialog, IDC_ANN_FREQUENCY));
        EXPECT_EQ("3600", ComboText(dialog, IDC_ANN_FREQUENCY));
        ExpectDependents(dialog, false);
        EXPECT_TRUE(Enabled(dialog, IDC_ANN_ANNOUNCE));
        EXPECT_EQ(GetDlgItem(dialog, IDCANCEL), GetFocus());
        Click(dialog, IDOK);
    });
    ExpectDwords(kServerKey, AnnounceValues(1, 3600, 1));
    EXPECT_EQ(1u, LabCounter(kPdc, "RegFlushKey"));
}

TEST_F(AnnouncementDialog, IntervalsComeDownToAMinuteStep)
{
    const DWORD stored[] = {59, 239, 0, 150, 7200};
    const char *shown[] = {"60", "180", "60", "120", "3600"};
    for (int i = 0; i < 5; ++i) {
        SetDwords(kServerKey, AnnounceValues(0, stored[i], 0));
        RunAnnouncement([&](HWND dialog) {
            EXPECT_EQ(shown[i], ComboText(dialog, IDC_ANN_FREQUENCY)) << stored[i];
            Click(dialog, IDOK);
        });
        EXPECT_EQ(strtoul(shown[i], NULL, 10), LabDword(kServerKey, "SrvAnnounce"));
    }
}

TEST_F(AnnouncementDialog, BoxesFlipAndTheAnnouncementBoxGreysTheRest)
{
    SetDwords(kServerKey, AnnounceValues(0, 600, 0));
    RunAnnouncement([](HWND dialog) {
        EXPECT_TRUE(Checked(dialog, IDC_ANN_ANNOUNCE));
        ExpectDependents(dialog, true);
        Click(dialog, IDC_ANN_ANNOUNCE);
        EXPECT_FALSE(Checked(dialog, IDC_ANN_ANNOUNCE));
        ExpectDependents(dialog, false);
        Click(dialog, IDC_ANN_ANNOUNCE);
        ExpectDependents(dialog, true);
        Click(dialog, IDC_ANN_LM);
        EXPECT_TRUE(Checked(dialog, IDC_ANN_LM));
        EXPECT_EQ("600", ComboText(dialog, IDC_ANN_FREQUENCY));
        Click(dialog, IDC_ANN_ANNOUNCE);
        Click(dialog, IDOK);
    });
    ExpectDwords(kServerKey, AnnounceValues(1, 600, 1));
}

TEST_F(AnnouncementDialog, DefaultAnnouncesEveryThreeMinutes)
{
    SetDwords(kServerKey, AnnounceValues(1, 3000, 1));
    RunAnnouncement([](HWND dialog) {
        Click(dialog, IDC_DEFAULT);
        EXPECT_TRUE(Checked(dialog, IDC_ANN_ANNOUNCE));
        EXPECT_FALSE(Checked(dialog, IDC_ANN_LM));
        EXPECT_EQ(2, ComboIndex(dialog, IDC_ANN_FREQUENCY));
        ExpectDependents(dialog, true);
        Click(dialog, IDOK);
    });
    ExpectDwords(kServerKey, AnnounceValues(0, 180, 0));
}

TEST_F(AnnouncementDialog, MessagesNameTheValue)
{
    LabDeleteRegValue(kPdc, kServerKey, "LmAnnounce");
    RunAnnouncementToBox("LM - WM_INITDIALOG LmAnnounce 1, RegRet=2", false);
    EXPECT_EQ(3u, LabCounter(kPdc, "RegQueryValueExA"));

    LabSetRegString(kPdc, kServerKey, "LmAnnounce", "0");
    LabSetFault(kPdc, "OpenRead", kServerKey, 5);
    RunAnnouncementToBox("LM - WM_INITDIALOG 1, RegRet=5", true);
    LabClearFaults(kPdc);
    RunAnnouncementToBox("LM - WM_INITDIALOG LmAnnounce 2, dwType=1", false);

    LabSetRegDword(kPdc, kServerKey, "LmAnnounce", 0);
    LabSetFault(kPdc, "SetValue", ValuePath(kServerKey, "SrvAnnounce").c_str(), 5);
    RunToOkBox(
        IDD_ANNOUNCEMENT, ServerAnnouncementDlgProc, kAnnounceTitle,
        [](HWND dialog) {
            Click(dialog, IDC_ANN_LM);
            Click(dialog, IDC_ANN_ANNOUNCE);
            Click(dialog, IDOK);
        },
        [](const BoxRecord &box) {
            ExpectPolicyBox(box, "LM - WM_COMMAND, 'SrvAnnounce', dwRegType=4, RegRet=5",
                            "Registry", false);
        });
    // Hidden went first; the down-level switch after the failure was not written.
    EXPECT_EQ(1u, LabDword(kServerKey, "Hidden"));
    EXPECT_EQ(0u, LabDword(kServerKey, "LmAnnounce"));
    EXPECT_EQ(0u, LabCounter(kPdc, "RegFlushKey"));

    LabClearFaults(kPdc);
    PressOkOnRefusedKey(IDD_ANNOUNCEMENT, ServerAnnouncementDlgProc, kAnnounceTitle, "LM - WM_COMMAND",
                        kServerKey);
}

TEST_F(AnnouncementDialog, EnterRightAfterOpeningCancels)
{
    SetDwords(kServerKey, AnnounceValues(0, 600, 0));
    RunAnnouncement([](HWND dialog) { PressKey(GetDlgItem(dialog, IDCANCEL), VK_RETURN); });
    EXPECT_EQ(0u, LabCounter(kPdc, "RegSetValueExA"));
}
