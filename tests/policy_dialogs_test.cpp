// The UNIX Account Mapping, Alerter Service and Users Alerts dialogs: what they show, what
// Default puts back and what OK writes.
#include "tests/support/policy_dialog_fixture.h"

using namespace policytest;

namespace {

bool IsPlainCheckBox(HWND dialog, int id)
{
    return (GetWindowLongA(GetDlgItem(dialog, id), GWL_STYLE) & BS_TYPEMASK) == BS_CHECKBOX;
}

bool IsDropDownList(HWND dialog, int id)
{
    return (GetWindowLongA(GetDlgItem(dialog, id), GWL_STYLE) & 3) == CBS_DROPDOWNLIST;
}

}  // namespace

using PolicyDialogs = PolicyDialogTest;

TEST_F(PolicyDialogs, UnixAccountShowsAnyNonZeroAsCheckedAndWritesOne)
{
    LabSetRegDword(kPdc, kUserServiceKey, "CreateUnixUser", 5);
    RunActing(IDD_UNIX_ACCOUNT, UnixAccountMappingDlgProc, kUnixTitle, [](HWND dialog) {
        EXPECT_TRUE(Checked(dialog, IDC_UAM_CREATE));
        EXPECT_TRUE(IsPlainCheckBox(dialog, IDC_UAM_CREATE));
        Click(dialog, IDOK);
    });
    EXPECT_EQ(1u, LabDword(kUserServiceKey, "CreateUnixUser"));
    EXPECT_EQ(1u, LabCounter(kPdc, "RegFlushKey"));
}

TEST_F(PolicyDialogs, UnixAccountDefaultThenOkWritesZero)
{
    LabSetRegDword(kPdc, kUserServiceKey, "CreateUnixUser", 1);
    RunActing(IDD_UNIX_ACCOUNT, UnixAccountMappingDlgProc, kUnixTitle, [](HWND dialog) {
        Click(dialog, IDC_DEFAULT);
        EXPECT_FALSE(Checked(dialog, IDC_UAM_CREATE));
        Click(dialog, IDOK);
    });
    EXPECT_EQ(0u, LabDword(kUserServiceKey, "CreateUnixUser"));
}

TEST_F(PolicyDialogs, AlerterBringsStoredValuesIntoItsLists)
{
    SetDwords(kAlerterKey, AlerterValues(2, 1000, 3601));
    RunActing(IDD_ALERTER, AlerterServiceDlgProc, kAlerterTitle, [](HWND dialog) {
        EXPECT_TRUE(Checked(dialog, IDC_ALR_HEADER));
        EXPECT_TRUE(IsPlainCheckBox(dialog, IDC_ALR_HEADER));
        EXPECT_TRUE(IsDropDownList(dialog, IDC_ALR_COUNT));
        EXPECT_TRUE(IsDropDownList(dialog, IDC_ALR_TIMEOUT));
        EXPECT_EQ(200, ComboCount(dialog, IDC_ALR_COUNT));
        EXPECT_EQ(361, ComboCount(dialog, IDC_ALR_TIMEOUT));
        EXPECT_EQ("995", ComboText(dialog, IDC_ALR_COUNT));
        EXPECT_EQ("3600", ComboText(dialog, IDC_ALR_TIMEOUT));
        Click(dialog, IDOK);
    });
    ExpectDwords(kAlerterKey, AlerterValues(1, 995, 3600));

    SetDwords(kAlerterKey, AlerterValues(0, 7, 0));
    RunActing(IDD_ALERTER, AlerterServiceDlgProc, kAlerterTitle, [](HWND dialog) {
        EXPECT_FALSE(Checked(dialog, IDC_ALR_HEADER));
        EXPECT_EQ("5", ComboText(dialog, IDC_ALR_COUNT));
        EXPECT_EQ("0", ComboText(dialog, IDC_ALR_TIMEOUT));
        Click(dialog, IDOK);
    });
    ExpectDwords(kAlerterKey, AlerterValues(0, 5, 0));

    // Numbers between two entries come down to the lower one.
    SetDwords(kAlerterKey, AlerterValues(0, 12, 125));
    RunActing(IDD_ALERTER, AlerterServiceDlgProc, kAlerterTitle, [](HWND dialog) {
        EXPECT_EQ(2, ComboIndex(dialog, IDC_ALR_COUNT));
        EXPECT_EQ(12, ComboIndex(dialog, IDC_ALR_TIMEOUT));
        Click(dialog, IDCANCEL);
    });
}

TEST_F(PolicyDialogs, AlerterDefaultsAndEmptyListsWriteTheDocumentedDefaults)
{
    SetDwords(kAlerterKey, AlerterValues(1, 500, 3000));
    RunActing(IDD_ALERTER, AlerterServiceDlgProc, kAlerterTitle, [](HWND dialog) {
        Click(dialog, IDC_DEFAULT);
        Click(dialog, IDOK);
    });
    ExpectDwords(kAlerterKey, AlerterValues(0, 10, 120));

    // A list without a selection gives its default; the box keeps its state.
    SetDwords(kAlerterKey, AlerterValues(1, 500, 3000));
    RunActing(IDD_ALERTER, AlerterServiceDlgProc, kAlerterTitle, [](HWND dialog) {
        PickIndex(dialog, IDC_ALR_COUNT, -1);
        PickIndex(dialog, IDC_ALR_TIMEOUT, -1);
        Click(dialog, IDOK);
    });
    ExpectDwords(kAlerterKey, AlerterValues(1, 10, 120));
}

TEST_F(PolicyDialogs, UsersAlertsClampAboveTenAndWriteInOrder)
{
    SetDwords(kServerKey, AlertValues(25, 0, 7));
    RunActing(IDD_USERS_ALERTS, UsersAlertsDlgProc, kUsersAlertsTitle, [](HWND dialog) {
        EXPECT_EQ(11, ComboCount(dialog, IDC_UA_ACCESS));
        EXPECT_TRUE(IsDropDownList(dialog, IDC_UA_LOGON));
        EXPECT_EQ("10", ComboText(dialog, IDC_UA_ACCESS));
        EXPECT_EQ("0", ComboText(dialog, IDC_UA_ERROR));
        EXPECT_EQ("7", ComboText(dialog, IDC_UA_LOGON));
        Click(dialog, IDOK);
    });
    ExpectDwords(kServerKey, AlertValues(10, 0, 7));
    EXPECT_EQ(3u, LabCounter(kPdc, "RegSetValueExA"));
    EXPECT_EQ(1u, LabCounter(kPdc, "RegFlushKey"));
}

TEST_F(PolicyDialogs, UsersAlertsDefaultThenOkWritesFives)
{
    SetDwords(kServerKey, AlertValues(0, 10, 2));
    RunActing(IDD_USERS_ALERTS, UsersAlertsDlgProc, kUsersAlertsTitle, [](HWND dialog) {
        Click(dialog, IDC_DEFAULT);
        EXPECT_EQ("5", ComboText(dialog, IDC_UA_ERROR));
        Click(dialog, IDOK);
    });
    ExpectDwords(kServerKey, AlertValues(5, 5, 5));
}

// The texts of the dialogs on the primary controller, one row a control (Netlogon's layouts have
// theirs in policy_netlogon_test.cpp).
struct DialogText {
    int dialogId;
    int controlId;
    const char *text;
};

const DialogText kDialogTexts[] = {
    {IDD_UNIX_ACCOUNT, IDC_UAM_CREATE,
     "Create a UNIX system account when creating a new Velmor Server user account."},
    {IDD_UNIX_ACCOUNT, IDC_UAM_TEXT,
     "Specify whether you want the server to create a UNIX system account for every "
     "new user account that you create in Velmor Server.  New UNIX system accounts "
     "have the same permissions as their corresponding Velmor Server accounts."},
    {IDD_UNIX_ACCOUNT, IDOK, "OK"},
    {IDD_UNIX_ACCOUNT, IDC_DEFAULT, "Default"},
    {IDD_ALERTER, IDC_ALR_HEADER_TEXT,
     "Specify whether the Alerter service should add four lines of header "
     "information to messages (sender, recipient, subject, and date)."},
    {IDD_ALERTER, IDC_ALR_HEADER, "Include header text with alert messages."},
    {IDD_ALERTER, IDC_ALR_CACHE_TEXT,
     "Indicate the desired number of non-running cached clients to which the Alerter "
     "service should not send messages.  Also, specify how long non-running clients "
     "should remain in the Alerter service cache."},
    {IDD_ALERTER, IDC_ALR_COUNT_LABEL, "Number of Clients:"},
    {IDD_ALERTER, IDC_ALR_CLIENTS_GROUP, "Non-Running Clients in Cache"},
    {IDD_ALERTER, IDC_ALR_TIMEOUT_LABEL, "Duration (in seconds):"},
    {IDD_ALERTER, IDC_ALR_HEADER_GROUP, ""},
    {IDD_USERS_ALERTS, IDC_UA_GROUP, "Violation Alert"},
    {IDD_USERS_ALERTS, IDC_UA_SENTENCE, "Send alerts when the following occurs: "},
    {IDD_USERS_ALERTS, IDC_UA_ACCESS_PREFIX, "More than"},
    {IDD_USERS_ALERTS, IDC_UA_ERROR_PREFIX, "More than"},
    {IDD_USERS_ALERTS, IDC_UA_LOGON_PREFIX, "More than"},
    {IDD_USERS_ALERTS, IDC_UA_ACCESS_SUFFIX, "access violation(s)"},
    {IDD_USERS_ALERTS, IDC_UA_ERROR_SUFFIX, "error violation(s)"},
    {IDD_USERS_ALERTS, IDC_UA_LOGON_SUFFIX, "logon violation(s)"},
    {IDD_BROWSER, IDC_BRW_MORE_LOG, "Log more records in the system log."},
    {IDD_BROWSER, IDC_BRW_MASTER_GROUP, "Master Browser"},
    {IDD_BROWSER, IDC_BRW_BACKUP_GROUP, "Backup Browser"},
    {IDD_BROWSER, IDC_BRW_LOG_GROUP, "Additional Logging"},
    {IDD_BROWSER, IDC_BRW_MASTER_LABEL, "Update Interval (in seconds):"},
    {IDD_BROWSER, IDC_BRW_BACKUP_LABEL, "Update Interval (in seconds):"},
    {IDD_BROWSER, IDC_BRW_RECOVERY_LABEL, "Waiting Time (in seconds):"},
    {IDD_NAME_SPACE, IDC_NS_MAPPING_GROUP, "File Name Space Mapping"},
    {IDD_NAME_SPACE, IDC_NS_LONG_NAMES, "Enable UNIX system to Windows NT-style file name mapping."},
    {IDD_NAME_SPACE, IDC_NS_SUFFIX_GROUP, "Suffix Length"},
    {IDD_NAME_SPACE, IDC_NS_SUFFIX_LABEL, "Suffix Length:"},
    {IDD_NAME_SPACE, IDC_NS_SUFFIX_UNIT, "characters"},
    {IDD_NAME_SPACE, IDC_NS_TRUNCATE, "Truncate file extension without tilde (~)."},
    {IDD_NAME_SPACE, IDC_NS_SEP_LABEL, "Separator:"},
    {IDD_UNIX_FS, IDC_UFS_LOCK_GROUP, "File Locking"},
    {IDD_UNIX_FS, IDC_UFS_PERMS_GROUP, "Default Permissions on Files and Directories"},
    {IDD_UNIX_FS, IDC_UFS_BYPASS, "Bypass all UNIX system file security."},
    {IDD_UNIX_FS, IDC_UFS_FILE_LABEL, "File Permission:"},
    {IDD_UNIX_FS, IDC_UFS_FILE_RANGE, "(up to 4 digits in octal, from 0 to 7777)"},
    {IDD_UNIX_FS, IDC_UFS_DIR_LABEL, "Directory Permission:"},
    {IDD_UNIX_FS, IDC_UFS_DIR_RANGE, "(up to 3 digits in octal, from 0 to 777)"},
    {IDD_UPS_SERVICE, IDC_UPS_SEND, "Send power failure message."},
    {IDD_UPS_SERVICE, IDC_UPS_RECIPIENT_GROUP, "Recipient:"},
    {IDD_UPS_SERVICE, IDC_UPS_RECIPIENT_LABEL, "User/Group Name (up to 15 characters):"},
    {IDD_UPS_SERVICE, IDC_UPS_MESSAGE_GROUP, "Message"},
    {IDD_UPS_SERVICE, IDC_UPS_MESSAGE_LABEL, "Content (up to 500 characters):"},
    {IDD_UPS_SERVICE, IDC_UPS_INTERVAL_LABEL, "Interval (in minutes):"},
    {IDD_CONNECTED_CLIENTS, IDC_CC_ACTIVE_GROUP, "Active Clients"},
    {IDD_CONNECTED_CLIENTS, IDC_CC_QUERY_TEXT,
     "Specify the interval used by Velmor Server to query if linked clients are "
     "still active."},
    {IDD_CONNECTED_CLIENTS, IDC_CC_QUERY_LABEL, "Query Interval (in seconds): "},
    {IDD_CONNECTED_CLIENTS, IDC_CC_DELAY_TEXT,
     "Specify the time that a client can delay before responding to Velmor "
     "Server\x92s inquiry as to whether it is active."},
    {IDD_CONNECTED_CLIENTS, IDC_CC_DELAY_LABEL, "Delay Interval (in seconds): "},
    {IDD_CONNECTED_CLIENTS, IDC_CC_WAIT_TEXT,
     "Specify the time that a client can wait before logging back on to Velmor "
     "Server after it has been stopped and restarted."},
    {IDD_CONNECTED_CLIENTS, IDC_CC_WAIT_LABEL, "Waiting Interval (in seconds): "},
    {IDD_CONNECTED_CLIENTS, IDC_CC_DISCONNECT_GROUP, "Disconnect Inactive Clients"},
    {IDD_CONNECTED_CLIENTS, IDC_CC_DISCONNECT, "Velmor Server will disconnect inactive clients."},
    {IDD_CONNECTED_CLIENTS, IDC_CC_AFTER, "Disconnect inactive clients after "},
    {IDD_CONNECTED_CLIENTS, IDC_CC_INACTIVITY, "hour(s) of inactivity."},
    {IDD_ANNOUNCEMENT, IDC_ANN_ANNOUNCE, "Announce the Velmor Server's presence on the network."},
    {IDD_ANNOUNCEMENT, IDC_ANN_SERVER_GROUP, "Server Announcement"},
    {IDD_ANNOUNCEMENT, IDC_ANN_TEXT,
     "Tell the Velmor Server how frequently to announce its presence on the network."},
    {IDD_ANNOUNCEMENT, IDC_ANN_FREQUENCY_LABEL, "Frequency (in seconds):"},
    {IDD_ANNOUNCEMENT, IDC_ANN_LM, "Send announcement to down-level LAN Manager servers."},
    {IDD_ANNOUNCEMENT, IDC_ANN_GROUP, ""},
};

struct ShownDialog {
    int dialogId;
    DLGPROC proc;
    const char *title;
};

const ShownDialog kShownDialogs[] = {
    {IDD_UNIX_ACCOUNT, UnixAccountMappingDlgProc, kUnixTitle},
    {IDD_ALERTER, AlerterServiceDlgProc, kAlerterTitle},
    {IDD_USERS_ALERTS, UsersAlertsDlgProc, kUsersAlertsTitle},
    {IDD_BROWSER, BrowserServiceDlgProc, "Properties of Computer Browser Service - VELMOR-PDC"},
    {IDD_NAME_SPACE, NameSpaceMappingDlgProc, "Properties of File Name Space Mapping - VELMOR-PDC"},
    {IDD_UNIX_FS, UnixFileSystemDlgProc, "Properties of UNIX File System Integration - VELMOR-PDC"},
    {IDD_UPS_SERVICE, UpsServiceDlgProc, "Properties of UPS Service - VELMOR-PDC"},
    {IDD_CONNECTED_CLIENTS, ConnectedClientsDlgProc, "Properties of Connected Clients - VELMOR-PDC"},
    {IDD_ANNOUNCEMENT, ServerAnnouncementDlgProc, "Properties of Server Announcement - VELMOR-PDC"},
};

TEST_F(PolicyDialogs, EveryDialogShowsItsTexts)
{
    for (const ShownDialog &shown : kShownDialogs)
        RunActing(shown.dialogId, shown.proc, shown.title, [&shown](HWND dialog) {
            for (const DialogText &row : kDialogTexts) {
                if (row.dialogId != shown.dialogId)
                    continue;
                EXPECT_EQ(row.text, ItemText(dialog, row.controlId)) << shown.title << ", " << row.controlId;
            }
            Click(dialog, IDCANCEL);
        });
}
