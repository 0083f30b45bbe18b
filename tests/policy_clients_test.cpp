// The Connected Clients dialog: three intervals in the Netlogon service's key, the disconnect
// time in the server's key, and what each of the two keys' failures leaves written.
#include "tests/support/policy_dialog_fixture.h"

using namespace policytest;

namespace {

const char kNetlogonKey[] = "SYSTEM\\CurrentControlSet\\Services\\Netlogon\\Parameters";
const char kClientsTitle[] = "Properties of Connected Clients - VELMOR-PDC";

std::vector<NamedDword> Intervals(DWORD query, DWORD delay, DWORD wait)
{
    return {{"LogonQuery", query}, {"QueryDelay", delay}, {"RelogonDelay", wait}};
}

void SetClients(DWORD query, DWORD delay, DWORD wait, DWORD minutes)
{
    SetDwords(kNetlogonKey, Intervals(query, delay, wait));
    LabSetRegDword(kPdc, kServerKey, "AutoDisconnect", minutes);
}

void ExpectClients(DWORD query, DWORD delay, DWORD wait, DWORD minutes)
{
    ExpectDwords(kNetlogonKey, Intervals(query, delay, wait));
    EXPECT_EQ(minutes, LabDword(kServerKey, "AutoDisconnect"));
}

void RunClients(const std::function<void(HWND)> &act)
{
    RunActing(IDD_CONNECTED_CLIENTS, ConnectedClientsDlgProc, kClientsTitle, act);
}

// The dialog acted on, then the one registry message its action brings.
void RunClientsToBox(const std::function<void(HWND)> &act, const std::function<void(const BoxRecord &)> &check)
{
    RunToOkBox(IDD_CONNECTED_CLIENTS, ConnectedClientsDlgProc, kClientsTitle, act, check);
}

void ExpectHoursEnabled(HWND dialog, bool enabled)
{
    for (int id : {IDC_CC_AFTER, IDC_CC_HOURS, IDC_CC_INACTIVITY})
        EXPECT_EQ(enabled, Enabled(dialog, id)) << id;
}

void ExpectOpeningStops(const std::string &text, bool owned)
{
    RunToBox(IDD_CONNECTED_CLIENTS, ConnectedClientsDlgProc,
             [&](const BoxRecord &box) { ExpectPolicyBox(box, text, "", owned); });
}

}  // namespace

using ConnectedClients = PolicyDialogTest;

TEST_F(ConnectedClients, ShowsItsTextsAndBringsStoredValuesIntoTheLists)
{
    SetClients(95, 0, 75, 90);
    RunClients([](HWND dialog) {
        EXPECT_EQ("80", ComboText(dialog, IDC_CC_QUERY));
        EXPECT_EQ("1", ComboText(dialog, IDC_CC_DELAY));
        EXPECT_EQ("60", ComboText(dialog, IDC_CC_WAIT));
        EXPECT_TRUE(Checked(dialog, IDC_CC_DISCONNECT));
        EXPECT_EQ("1", ComboText(dialog, IDC_CC_HOURS));
        ExpectHoursEnabled(dialog, true);
        EXPECT_EQ(178, ComboCount(dialog, IDC_CC_QUERY));
        for (int id : {IDC_CC_DELAY, IDC_CC_WAIT, IDC_CC_HOURS})
            EXPECT_EQ(60, ComboCount(dialog, id));
        EXPECT_EQ(GetDlgItem(dialog, IDCANCEL), GetFocus());
        Click(dialog, IDOK);
    });
    ExpectClients(80, 1, 60, 60);
    // One flush for each key.
    EXPECT_EQ(2u, LabCounter(kPdc, "RegFlushKey"));
    EXPECT_EQ(4u, LabCounter(kPdc, "RegSetValueExA"));
}

TEST_F(ConnectedClients, ClampsToTheListBoundsAndWholeHours)
{
    // What is stored, what the lists show (NULL: not looked at; checked -1 likewise) and what OK writes.
    const struct {
        DWORD stored[4];
        const char *query, *delay, *hours;
        int checked;
        DWORD written[4];
    } kClamps[] = {
        {{10, 61, 1, 6000}, "60", "60", "60", -1, {60, 60, 1, 3600}},
        // Numbers above 0x7FFFFFFF compare unsigned; 59 minutes is less than an hour: no disconnect.
        {{0xFFFFFFF0, 2, 2, 59}, "3600", NULL, "1", 0, {3600, 2, 2, 0}},
        // The most minutes a DWORD holds still come down to 60 hours.
        {{900, 2, 2, 0xFFFFFFFF}, NULL, NULL, "60", -1, {900, 2, 2, 3600}},
    };
    for (const auto &row : kClamps) {
        SetClients(row.stored[0], row.stored[1], row.stored[2], row.stored[3]);
        RunClients([&row](HWND dialog) {
            const struct { int id; const char *text; } shown[] = {
                {IDC_CC_QUERY, row.query}, {IDC_CC_DELAY, row.delay}, {IDC_CC_HOURS, row.hours}};
            for (const auto &list : shown) {
                if (!list.text)
                    continue;
                EXPECT_EQ(list.text, ComboText(dialog, list.id)) << list.id;
            }
            if (row.checked >= 0) {
                EXPECT_EQ(row.checked == 1, Checked(dialog, IDC_CC_DISCONNECT));
                ExpectHoursEnabled(dialog, row.checked == 1);
            }
            Click(dialog, IDOK);
        });
        ExpectClients(row.written[0], row.written[1], row.written[2], row.written[3]);
    }
}

TEST_F(ConnectedClients, TheBoxDecidesWhetherTheHoursAreWritten)
{
    SetClients(900, 2, 2, 0);
    RunClients([](HWND dialog) {
        ExpectHoursEnabled(dialog, false);
        Click(dialog, IDC_CC_DISCONNECT);
        ExpectHoursEnabled(dialog, true);
        PickIndex(dialog, IDC_CC_HOURS, 4);
        Click(dialog, IDOK);
    });
    ExpectClients(900, 2, 2, 300);

    RunClients([](HWND dialog) {
        EXPECT_EQ("5", ComboText(dialog, IDC_CC_HOURS));
        Click(dialog, IDC_CC_DISCONNECT);
        ExpectHoursEnabled(dialog, false);
        // The list keeps its selection while disabled, but nothing is disconnected.
        EXPECT_EQ("5", ComboText(dialog, IDC_CC_HOURS));
        Click(dialog, IDOK);
    });
    ExpectClients(900, 2, 2, 0);

    // Lists without a selection give their defaults, and a checked box without hours gives 0.
    SetClients(200, 30, 40, 600);
    RunClients([](HWND dialog) {
        for (int id : {IDC_CC_QUERY, IDC_CC_DELAY, IDC_CC_WAIT, IDC_CC_HOURS})
            PickIndex(dialog, id, -1);
        Click(dialog, IDOK);
    });
    ExpectClients(900, 2, 2, 0);
}

TEST_F(ConnectedClients, DefaultThenOkWritesTheDocumentedDefaults)
{
    SetClients(3000, 50, 40, 1200);
    RunClients([](HWND dialog) {
        Click(dialog, IDC_DEFAULT);
        EXPECT_EQ("900", ComboText(dialog, IDC_CC_QUERY));
        EXPECT_EQ("2", ComboText(dialog, IDC_CC_DELAY));
        EXPECT_EQ("2", ComboText(dialog, IDC_CC_WAIT));
        EXPECT_FALSE(Checked(dialog, IDC_CC_DISCONNECT));
        EXPECT_EQ("1", ComboText(dialog, IDC_CC_HOURS));
        ExpectHoursEnabled(dialog, false);
        Click(dialog, IDOK);
    });
    ExpectClients(900, 2, 2, 0);
}

TEST_F(ConnectedClients, WithoutWriteAccessTheBoxStillFlips)
{
    ConnectTarget(kPdc, FALSE);
    LabResetCounters(kPdc);
    SetClients(900, 2, 2, 120);
    RunClients([](HWND dialog) {
        EXPECT_FALSE(Enabled(dialog, IDOK));
        EXPECT_FALSE(Enabled(dialog, IDC_DEFAULT));
        Click(dialog, IDC_CC_DISCONNECT);
        ExpectHoursEnabled(dialog, false);
        Command(dialog, IDC_DEFAULT);
        Command(dialog, IDOK);
        EXPECT_EQ("2", ComboText(dialog, IDC_CC_HOURS));
        CloseBox(dialog);
    });
    EXPECT_EQ(0u, LabCounter(kPdc, "RegSetValueExA"));
    ExpectClients(900, 2, 2, 120);
}

TEST_F(ConnectedClients, ReadFailuresNameTheValue)
{
    LabDeleteRegValue(kPdc, kNetlogonKey, "QueryDelay");
    ExpectOpeningStops("Clients - WM_INITDIALOG Delay 1, RegRet=2", true);
    // The reads stopped at the delay: neither the wait nor the server key was asked for.
    EXPECT_EQ(2u, LabCounter(kPdc, "RegQueryValueExA"));

    SetClients(900, 2, 2, 0);
    LabSetRegString(kPdc, kNetlogonKey, "LogonQuery", "0123456789");
    ExpectOpeningStops("Clients - WM_INITDIALOG Query 1, RegRet=234", true);

    SetClients(900, 2, 2, 0);
    LabSetRegString(kPdc, kNetlogonKey, "RelogonDelay", "ab");
    ExpectOpeningStops("Clients - WM_INITDIALOG Wait 2, dwType=1", true);

    SetClients(900, 2, 2, 0);
    LabDeleteRegValue(kPdc, kServerKey, "AutoDisconnect");
    ExpectOpeningStops("Clients - WM_INITDIALOG AutoDisconnect 1, RegRet=2", false);

    LabSetRegString(kPdc, kServerKey, "AutoDisconnect", "15");
    ExpectOpeningStops("Clients - WM_INITDIALOG AutoDisconnect 2, dwType=1", false);

    LabSetFault(kPdc, "OpenRead", kServerKey, 5);
    ExpectOpeningStops("Clients - WM_INITDIALOG 1, RegRet=5", true);
    EXPECT_EQ(0u, LabCounter(kPdc, "RegSetValueExA"));
}

TEST_F(ConnectedClients, FailedNetlogonWriteStopsBeforeTheServerKey)
{
    SetClients(900, 2, 2, 0);
    LabSetFault(kPdc, "SetValue", ValuePath(kNetlogonKey, "QueryDelay").c_str(), 5);
    RunClientsToBox(
        [](HWND dialog) {
            PickIndex(dialog, IDC_CC_QUERY, 0);
            PickIndex(dialog, IDC_CC_DELAY, 9);
            PickIndex(dialog, IDC_CC_WAIT, 9);
            Click(dialog, IDC_CC_DISCONNECT);
            Click(dialog, IDOK);
        },
        [](const BoxRecord &box) {
            ExpectPolicyBox(box, "Clients - WM_COMMAND, Delay RegRet=5", "Registry", true);
        });
    ExpectClients(60, 2, 2, 0);
    EXPECT_EQ(0u, LabCounter(kPdc, "RegFlushKey"));
}

TEST_F(ConnectedClients, FailedServerKeyOpenLeavesTheNetlogonValuesWritten)
{
    SetClients(900, 2, 2, 0);
    LabSetFault(kPdc, "OpenWrite", kServerKey, 5);
    RunClientsToBox(
        [](HWND dialog) {
            PickIndex(dialog, IDC_CC_WAIT, 9);
            Click(dialog, IDC_CC_DISCONNECT);
            Click(dialog, IDOK);
        },
        [](const BoxRecord &box) {
            ExpectPolicyBox(box, std::string("Clients - WM_COMMAND, Fail to open '") + kServerKey +
                            "', RegRet=5", "Registry", true);
        });
    ExpectClients(900, 2, 10, 0);
    EXPECT_EQ(1u, LabCounter(kPdc, "RegFlushKey"));
}

TEST_F(ConnectedClients, FailedDisconnectWriteLeavesTheServerKeyUnflushed)
{
    SetClients(900, 2, 2, 0);
    LabSetFault(kPdc, "SetValue", ValuePath(kServerKey, "AutoDisconnect").c_str(), 5);
    RunClientsToBox(
        [](HWND dialog) {
            PickIndex(dialog, IDC_CC_DELAY, 4);
            Click(dialog, IDC_CC_DISCONNECT);
            Click(dialog, IDOK);
        },
        [](const BoxRecord &box) {
            ExpectPolicyBox(box, "Clients - WM_COMMAND, 'AutoDisconnect', dwRegType=4, RegRet=5",
                            "Registry", false);
        });
    ExpectClients(900, 5, 2, 0);
    EXPECT_EQ(1u, LabCounter(kPdc, "RegFlushKey"));
}

TEST_F(ConnectedClients, EnterRightAfterOpeningCancels)
{
    SetClients(95, 0, 75, 90);
    LabResetCounters(kPdc);
    RunClients([](HWND dialog) {
        EXPECT_EQ(GetDlgItem(dialog, IDCANCEL), GetFocus());
        PressKey(GetFocus(), VK_RETURN);
    });
    EXPECT_EQ(0u, LabCounter(kPdc, "RegSetValueExA"));
}
