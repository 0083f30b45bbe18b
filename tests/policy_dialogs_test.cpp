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

const ControlText kUnixAccountTexts[] = {
    {IDC_UAM_CREATE,
     "Create a UNIX system account when creating a new Velmor Server user account."},
    {IDC_UAM_TEXT,
     "Specify whether you want the server to create a UNIX system account for every "
     "new user account that you create in Velmor Server.  New UNIX system accounts "
     "have the same permissions as their corresponding Velmor Server accounts."},
    {IDOK, "OK"},
    {IDC_DEFAULT, "Default"},
};

TEST_F(PolicyDialogs, UnixAccountShowsAnyNonZeroAsCheckedAndWritesOne)
{
    LabSetRegDword(kPdc, kUserServiceKey, "CreateUnixUser", 5);
    RunActing(IDD_UNIX_ACCOUNT, UnixAccountMappingDlgProc, kUnixTitle, [](HWND dialog) {
        EXPECT_TRUE(Checked(dialog, IDC_UAM_CREATE));
        EXPECT_TRUE(IsPlainCheckBox(dialog, IDC_UAM_CREATE));
        ExpectControlTexts(dialog, kUnixAccountTexts);
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

const ControlText kAlerterTexts[] = {
    {IDC_ALR_HEADER_TEXT,
     "Specify whether the Alerter service should add four lines of header "
     "information to messages (sender, recipient, subject, and date)."},
    {IDC_ALR_HEADER, "Include header text with alert messages."},
    {IDC_ALR_CACHE_TEXT,
     "Indicate the desired number of non-running cached clients to which the Alerter "
     "service should not send messages.  Also, specify how long non-running clients "
     "should remain in the Alerter service cache."},
    {IDC_ALR_COUNT_LABEL, "Number of Clients:"},
    {IDC_ALR_CLIENTS_GROUP, "Non-Running Clients in Cache"},
    {IDC_ALR_TIMEOUT_LABEL, "Duration (in seconds):"},
    {IDC_ALR_HEADER_GROUP, ""},
};

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
        ExpectControlTexts(dialog, kAlerterTexts);
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

const ControlText kUsersAlertsTexts[] = {
    {IDC_UA_GROUP, "Violation Alert"},
    {IDC_UA_SENTENCE, "Send alerts when the following occurs: "},
    {IDC_UA_ACCESS_PREFIX, "More than"},
    {IDC_UA_ERROR_PREFIX, "More than"},
    {IDC_UA_LOGON_PREFIX, "More than"},
    {IDC_UA_ACCESS_SUFFIX, "access violation(s)"},
    {IDC_UA_ERROR_SUFFIX, "error violation(s)"},
    {IDC_UA_LOGON_SUFFIX, "logon violation(s)"},
};

TEST_F(PolicyDialogs, UsersAlertsClampAboveTenAndWriteInOrder)
{
    SetDwords(kServerKey, AlertValues(25, 0, 7));
    RunActing(IDD_USERS_ALERTS, UsersAlertsDlgProc, kUsersAlertsTitle, [](HWND dialog) {
        EXPECT_EQ(11, ComboCount(dialog, IDC_UA_ACCESS));
        EXPECT_TRUE(IsDropDownList(dialog, IDC_UA_LOGON));
        EXPECT_EQ("10", ComboText(dialog, IDC_UA_ACCESS));
        EXPECT_EQ("0", ComboText(dialog, IDC_UA_ERROR));
        EXPECT_EQ("7", ComboText(dialog, IDC_UA_LOGON));
        ExpectControlTexts(dialog, kUsersAlertsTexts);
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
