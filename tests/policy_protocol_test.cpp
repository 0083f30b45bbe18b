// The protocol every policy dialog follows, seen through the first three dialogs, and the
// registry value helpers.
#include "tests/support/policy_dialog_fixture.h"

#include "lab/lab.h"
#include "tests/support/write_recorder.h"

using namespace policytest;

namespace {

HKEY OpenServerKey()
{
    HKEY key = NULL;
    EXPECT_EQ(ERROR_SUCCESS, Net().RegOpenKeyExA(GetRemoteRoot(), kServerKey, 0,
                                                 KEY_READ | KEY_WRITE, &key));
    return key;
}

// Writes a string through SetKorvidRegValue and returns the length it passed to the registry.
DWORD WrittenStringSize(HKEY key, const char *text)
{
    WriteRecorder recorder;
    EXPECT_EQ(1, SetKorvidRegValue("Test", key, "Comment", text, REG_SZ));
    if (recorder.Writes().empty())
        return 0xFFFFFFFF;
    return (DWORD)recorder.Writes().back().bytes.size();
}

}  // namespace

using PolicyProtocol = PolicyDialogTest;

TEST(PolicyTitle, ShortComputerNameKeepsSeventeenCharacters)
{
    snprintf(Target().computerName, kNameChars, "%s", "ABCDEFGHIJKLMNOPQ");
    EXPECT_STREQ("ABCDEFGHIJKLMNOPQ", GetShortComputerName());
    snprintf(Target().computerName, kNameChars, "%s", "ABCDEFGHIJKLMNOPQR");
    EXPECT_STREQ("ABCDEFGHIJKLMNOPQ...", GetShortComputerName());
    Target().computerName[0] = '\0';
}

TEST(PolicyTitle, InvertCheckTurnsZeroAndBelowIntoOne)
{
    EXPECT_EQ(1, InvertCheck(0));
    EXPECT_EQ(1, InvertCheck(-5));
    EXPECT_EQ(0, InvertCheck(1));
    EXPECT_EQ(0, InvertCheck(7));
}

TEST_F(PolicyProtocol, TitleCutsALongComputerName)
{
    // The remote root stays the PDC's; only the name in the title changes.
    auto titleFor = [](const char *name) {
        snprintf(Target().computerName, kNameChars, "%s", name);
        std::string title;
        Driver driver;
        driver.OnDialog("", [&](HWND dialog) {
            title = Text(dialog);
            Click(dialog, IDCANCEL);
        });
        RunDialog(IDD_UNIX_ACCOUNT, UnixAccountMappingDlgProc);
        return title;
    };
    EXPECT_EQ("Properties of UNIX Account Mapping - VELMOR-PDC-BUILDI",
              titleFor("VELMOR-PDC-BUILDI"));
    EXPECT_EQ("Properties of UNIX Account Mapping - VELMOR-PDC-BUILDI...",
              titleFor("VELMOR-PDC-BUILDIN"));
    EXPECT_EQ("Properties of UNIX Account Mapping - VELMOR-PDC-BUILDI...",
              titleFor("VELMOR-PDC-BUILDING-7"));
}

TEST_F(PolicyProtocol, WithoutWriteAccessBoxesFlipButNothingIsWritten)
{
    ConnectTarget(kPdc, FALSE);
    LabResetCounters(kPdc);
    SetDwords(kAlerterKey, AlerterValues(0, 50, 600));
    Driver driver;
    driver.OnDialog(kAlerterTitle, [](HWND dialog) {
        EXPECT_FALSE(Enabled(dialog, IDOK));
        EXPECT_FALSE(Enabled(dialog, IDC_DEFAULT));
        EXPECT_TRUE(Enabled(dialog, IDCANCEL));
        EXPECT_EQ(GetDlgItem(dialog, IDCANCEL), GetFocus());
        Click(dialog, IDC_ALR_HEADER);
        EXPECT_TRUE(Checked(dialog, IDC_ALR_HEADER));
        Click(dialog, IDC_ALR_HEADER);
        EXPECT_FALSE(Checked(dialog, IDC_ALR_HEADER));
        Click(dialog, IDC_ALR_HEADER);
        PickIndex(dialog, IDC_ALR_COUNT, 0);
        // Neither the disabled OK nor the disabled Default acts, even when commanded.
        Command(dialog, IDC_DEFAULT);
        EXPECT_TRUE(Checked(dialog, IDC_ALR_HEADER));
        Command(dialog, IDOK);
        EXPECT_TRUE(IsWindow(dialog));
        CloseBox(dialog);
    });
    EXPECT_EQ(0, RunDialog(IDD_ALERTER, AlerterServiceDlgProc));
    EXPECT_EQ(0u, LabCounter(kPdc, "RegSetValueExA"));
    ExpectDwords(kAlerterKey, AlerterValues(0, 50, 600));
}

TEST_F(PolicyProtocol, ShortStringWhereANumberIsExpectedGivesItsType)
{
    LabSetRegString(kPdc, kAlerterKey, "CountNotOnNetworkCache", "abc");
    RunToBox(IDD_ALERTER, AlerterServiceDlgProc, [](const BoxRecord &box) {
        ExpectPolicyBox(box, "Alerter - WM_INITDIALOG 5, dwType=1", "", true);
    });
    // The reads stopped at the count: the timeout was never asked for.
    EXPECT_EQ(2u, LabCounter(kPdc, "RegQueryValueExA"));
}

TEST_F(PolicyProtocol, LongStringWhereANumberIsExpectedDoesNotFit)
{
    LabSetRegString(kPdc, kAlerterKey, "CountNotOnNetworkCache", "abcdefgh");
    RunToBox(IDD_ALERTER, AlerterServiceDlgProc, [](const BoxRecord &box) {
        ExpectPolicyBox(box, "Alerter - WM_INITDIALOG 4, RegRet=234", "", true);
    });
}

TEST_F(PolicyProtocol, MissingValueStopsTheOpening)
{
    LabDeleteRegValue(kPdc, kUserServiceKey, "CreateUnixUser");
    RunToBox(IDD_UNIX_ACCOUNT, UnixAccountMappingDlgProc, [](const BoxRecord &box) {
        ExpectPolicyBox(box, "New Users - WM_INITDIALOG 2, RegRet=2", "", true);
    });
    EXPECT_FALSE(LabRegValueExists(kPdc, kUserServiceKey, "CreateUnixUser"));
}

TEST_F(PolicyProtocol, HelperMessagesNameTheValueAndHaveNoOwner)
{
    LabDeleteRegValue(kPdc, kServerKey, "ErrorAlert");
    RunToBox(IDD_USERS_ALERTS, UsersAlertsDlgProc, [](const BoxRecord &box) {
        ExpectPolicyBox(box, "Violation - WM_INITDIALOG ErrorAlert 1, RegRet=2", "", false);
    });
    EXPECT_EQ(2u, LabCounter(kPdc, "RegQueryValueExA"));

    LabSetRegDword(kPdc, kServerKey, "ErrorAlert", 5);
    LabSetRegString(kPdc, kServerKey, "LogonAlert", "7");
    RunToBox(IDD_USERS_ALERTS, UsersAlertsDlgProc, [](const BoxRecord &box) {
        ExpectPolicyBox(box, "Violation - WM_INITDIALOG LogonAlert 2, dwType=1", "", false);
    });
}

namespace {

// Some systems hand a string of exactly the buffer's size back whole, with no terminator,
// where Wine answers 234: this stand-in answers the way they do.
LONG WINAPI QueryFullBufferWithoutTerminator(HKEY, LPCSTR, LPDWORD, LPDWORD type, LPBYTE data,
                                             LPDWORD size)
{
    if (type)
        *type = REG_SZ;
    memset(data, 'w', *size);
    return ERROR_SUCCESS;
}

}  // namespace

TEST_F(PolicyProtocol, AStringFillingTheWholeBufferIsTooLong)
{
    HKEY key = OpenServerKey();
    NetCalls table = GetLabNetCalls();
    table.RegQueryValueExA = QueryFullBufferWithoutTerminator;
    InstallNetCalls(table);
    static char text[kRegStringChars];
    strcpy(text, "kept");
    Driver driver;
    driver.OnMessageBox(IDOK, [](const BoxRecord &box) {
        ExpectPolicyBox(box, "Test - WM_INITDIALOG Comment 1, RegRet=234", "", false);
    });
    int read = GetKorvidRegValue("Test", key, "Comment", text, REG_SZ);
    static StoredValue direct;
    QueryStoredValue(key, "Comment", REG_SZ, &direct);
    InstallNetCalls(GetLabNetCalls());
    EXPECT_EQ(0, read);
    EXPECT_EQ(ERROR_MORE_DATA, direct.status);
    EXPECT_STREQ("", direct.data.text);
    Net().RegCloseKey(key);
}

TEST_F(PolicyProtocol, GetKorvidRegValueReadsStringsUpTo4999Characters)
{
    HKEY key = OpenServerKey();
    std::string longest(4999, 'x');
    LabSetRegString(kPdc, kServerKey, "Comment", longest.c_str());
    static char text[kRegStringChars];
    EXPECT_EQ(1, GetKorvidRegValue("Test", key, "Comment", text, REG_SZ));
    EXPECT_EQ(longest, text);

    // Stored without a terminator: the text ends after its bytes.
    LabSetRegValue(kPdc, kServerKey, "Comment", REG_SZ, "abcX", 3);
    EXPECT_EQ(1, GetKorvidRegValue("Test", key, "Comment", text, REG_SZ));
    EXPECT_STREQ("abc", text);

    std::string tooLong(5000, 'y');
    LabSetRegString(kPdc, kServerKey, "Comment", tooLong.c_str());
    strcpy(text, "kept");
    Driver driver;
    driver.OnMessageBox(IDOK, [](const BoxRecord &box) {
        ExpectPolicyBox(box, "Test - WM_INITDIALOG Comment 1, RegRet=234", "", false);
    });
    driver.OnMessageBox(IDOK, [](const BoxRecord &box) {
        ExpectPolicyBox(box, "GetKorvidRegValue 'Test', 'Comment', dwRegType=3\n", "", false);
    });
    EXPECT_EQ(0, GetKorvidRegValue("Test", key, "Comment", text, REG_SZ));
    EXPECT_STREQ("kept", text);
    DWORD queries = LabCounter(kPdc, "RegQueryValueExA");
    EXPECT_EQ(0, GetKorvidRegValue("Test", key, "Comment", text, REG_BINARY));
    EXPECT_EQ(queries, LabCounter(kPdc, "RegQueryValueExA"));
    Net().RegCloseKey(key);
}

TEST_F(PolicyProtocol, SetKorvidRegValueWritesStringsAndNumbers)
{
    HKEY key = OpenServerKey();
    // The server reads strings by their length: no terminating zero is written.
    EXPECT_EQ(5u, WrittenStringSize(key, "abcde"));
    EXPECT_EQ(4999u, WrittenStringSize(key, std::string(6000, 'z').c_str()));
    EXPECT_EQ(1, SetKorvidRegValue("Test", key, "Comment", "abc", REG_SZ));
    std::string text;
    EXPECT_TRUE(LabGetRegString(kPdc, kServerKey, "Comment", &text));
    EXPECT_EQ("abc", text);
    DWORD number = 42;
    EXPECT_EQ(1, SetKorvidRegValue("Test", key, "Number", &number, REG_DWORD));
    EXPECT_EQ(42u, LabDword(kServerKey, "Number"));

    LabSetFault(kPdc, "SetValue", ValuePath(kServerKey, "Number").c_str(), 5);
    Driver driver;
    driver.OnMessageBox(IDOK, [](const BoxRecord &box) {
        ExpectPolicyBox(box, "Test - WM_COMMAND, 'Number', dwRegType=4, RegRet=5", "Registry", false);
    });
    driver.OnMessageBox(IDOK, [](const BoxRecord &box) {
        ExpectPolicyBox(box, "SetKorvidRegValue 'Test', 'Comment', dwRegType=2\n", "", false);
    });
    number = 43;
    EXPECT_EQ(0, SetKorvidRegValue("Test", key, "Number", &number, REG_DWORD));
    DWORD writes = LabCounter(kPdc, "RegSetValueExA");
    EXPECT_EQ(0, SetKorvidRegValue("Test", key, "Comment", "def", REG_EXPAND_SZ));
    EXPECT_EQ(writes, LabCounter(kPdc, "RegSetValueExA"));
    EXPECT_TRUE(LabGetRegString(kPdc, kServerKey, "Comment", &text));
    EXPECT_EQ("abc", text);
    Net().RegCloseKey(key);
}

TEST_F(PolicyProtocol, DefaultThenCancelWritesNothing)
{
    SetDwords(kAlerterKey, AlerterValues(1, 50, 600));
    RunActing(IDD_ALERTER, AlerterServiceDlgProc, kAlerterTitle, [](HWND dialog) {
        // The key was closed before the dialog showed, and Default opens none.
        EXPECT_EQ(0u, LabCounter(kPdc, "OpenKeys"));
        DWORD opens = LabCounter(kPdc, "RegOpenKeyExA");
        EXPECT_TRUE(Checked(dialog, IDC_ALR_HEADER));
        Click(dialog, IDC_DEFAULT);
        EXPECT_EQ(opens, LabCounter(kPdc, "RegOpenKeyExA"));
        EXPECT_FALSE(Checked(dialog, IDC_ALR_HEADER));
        EXPECT_EQ("10", ComboText(dialog, IDC_ALR_COUNT));
        EXPECT_EQ("120", ComboText(dialog, IDC_ALR_TIMEOUT));
        Click(dialog, IDCANCEL);
    });
    EXPECT_EQ(0u, LabCounter(kPdc, "RegSetValueExA"));
    EXPECT_EQ(0u, LabCounter(kPdc, "RegFlushKey"));
    ExpectDwords(kAlerterKey, AlerterValues(1, 50, 600));
}

TEST_F(PolicyProtocol, FailedSecondWriteKeepsTheFirstAndSkipsTheThird)
{
    SetDwords(kAlerterKey, AlerterValues(0, 50, 600));
    LabSetFault(kPdc, "SetValue", ValuePath(kAlerterKey, "CountNotOnNetworkCache").c_str(), 5);
    HWND shown = NULL;
    Driver driver;
    driver.OnDialog(kAlerterTitle, [&](HWND dialog) {
        shown = dialog;
        Click(dialog, IDC_ALR_HEADER);
        PickIndex(dialog, IDC_ALR_COUNT, 20);
        PickIndex(dialog, IDC_ALR_TIMEOUT, 30);
        Click(dialog, IDOK);
    });
    driver.OnMessageBox(IDOK, [&](const BoxRecord &box) {
        ExpectPolicyBox(box, "Alerter - WM_COMMAND 3, RegRet=5", "Registry", true);
        EXPECT_EQ(shown, box.owner);
    });
    RunDialog(IDD_ALERTER, AlerterServiceDlgProc);
    ExpectDwords(kAlerterKey, AlerterValues(1, 50, 600));
    EXPECT_EQ(0u, LabCounter(kPdc, "RegFlushKey"));
}

TEST_F(PolicyProtocol, FailedHelperWriteEndsUnflushed)
{
    LabSetFault(kPdc, "SetValue", ValuePath(kServerKey, "ErrorAlert").c_str(), 5);
    Driver driver;
    driver.OnDialog(kUsersAlertsTitle, [](HWND dialog) {
        PickIndex(dialog, IDC_UA_ACCESS, 9);
        PickIndex(dialog, IDC_UA_ERROR, 8);
        PickIndex(dialog, IDC_UA_LOGON, 7);
        Click(dialog, IDOK);
    });
    driver.OnMessageBox(IDOK, [](const BoxRecord &box) {
        ExpectPolicyBox(box, "Violation - WM_COMMAND, 'ErrorAlert', dwRegType=4, RegRet=5",
                        "Registry", false);
    });
    RunDialog(IDD_USERS_ALERTS, UsersAlertsDlgProc);
    EXPECT_EQ(9u, LabDword(kServerKey, "AccessAlert"));
    EXPECT_EQ(5u, LabDword(kServerKey, "ErrorAlert"));
    EXPECT_EQ(5u, LabDword(kServerKey, "LogonAlert"));
    EXPECT_EQ(0u, LabCounter(kPdc, "RegFlushKey"));
}

TEST_F(PolicyProtocol, BrokenConnectionIsHealedWithoutAMessage)
{
    // Spend calls on the connection so that it breaks at the dialog's first open, while the
    // new connection has calls enough for the whole opening.
    for (int i = 0; i < 4; ++i) {
        HKEY key = NULL;
        ASSERT_EQ(ERROR_SUCCESS, Net().RegOpenKeyExA(GetRemoteRoot(), kUserServiceKey, 0, KEY_READ, &key));
        Net().RegCloseKey(key);
    }
    LabSetBreakAfter(kPdc, 9);
    LabResetCounters(kPdc);
    LabSetRegDword(kPdc, kUserServiceKey, "CreateUnixUser", 1);
    bool checked = false;
    RunActing(IDD_UNIX_ACCOUNT, UnixAccountMappingDlgProc, kUnixTitle, [&](HWND dialog) {
        checked = Checked(dialog, IDC_UAM_CREATE);
        Click(dialog, IDCANCEL);
    });
    // Any message box would have been an unexpected window of the driver.
    EXPECT_TRUE(checked);
    EXPECT_EQ(1u, LabCounter(kPdc, "RegConnectRegistryA"));
}

TEST_F(PolicyProtocol, SecondFailedOpenIsReportedWithoutAThirdTry)
{
    LabSetFault(kPdc, "OpenRead", kUserServiceKey, 5);
    RunToBox(IDD_UNIX_ACCOUNT, UnixAccountMappingDlgProc, [](const BoxRecord &box) {
        ExpectPolicyBox(box, "New Users - WM_INITDIALOG 1, RegRet=5", "", true);
    });
    EXPECT_EQ(1u, LabCounter(kPdc, "RegConnectRegistryA"));
    EXPECT_EQ(2u, LabCounter(kPdc, "RegOpenKeyExA"));
}

TEST_F(PolicyProtocol, FailedOpenForWritingNamesTheKey)
{
    LabSetFault(kPdc, "OpenWrite", kUserServiceKey, 5);
    LabSetFault(kPdc, "OpenWrite", kServerKey, 5);
    Driver driver;
    driver.OnDialog(kUnixTitle, [](HWND dialog) {
        Click(dialog, IDC_UAM_CREATE);
        Click(dialog, IDOK);
    });
    driver.OnMessageBox(IDOK, [](const BoxRecord &box) {
        ExpectPolicyBox(box, std::string("New Users - WM_COMMAND 1, Fail to open '") +
                        kUserServiceKey + "', RegRet=5", "Registry", true);
    });
    driver.OnDialog(kUsersAlertsTitle, [](HWND dialog) { Click(dialog, IDOK); });
    driver.OnMessageBox(IDOK, [](const BoxRecord &box) {
        ExpectPolicyBox(box, std::string("Violation - WM_COMMAND, Fail to open '") +
                        kServerKey + "', RegRet=5", "Registry", true);
    });
    RunDialog(IDD_UNIX_ACCOUNT, UnixAccountMappingDlgProc);
    RunDialog(IDD_USERS_ALERTS, UsersAlertsDlgProc);
    EXPECT_EQ(0u, LabCounter(kPdc, "RegSetValueExA"));
    EXPECT_EQ(0u, LabDword(kUserServiceKey, "CreateUnixUser"));
}

namespace {

const char kNetlogonKey[] = "SYSTEM\\CurrentControlSet\\Services\\Netlogon\\Parameters";

// Reads Pulse and writes it back 20 higher the way the dialogs that name their values do:
// through a description of its own and the dialogs' read and write.
const PolicyKey kPulseKey[] = {{"Netlogon", kNetlogonKey, AccessNamed}};
const ValueModel kPulseValue[] = {
    NumberValue("Pulse", RuleNumberList, NumberList{0, 0xFFFFFFFF, 1, 0}, Named("Pulse")),
};
const PolicyModel kPulsePolicy = {"pulse", 0, kPulseKey, 1, kPulseValue, 1, NULL};

INT_PTR CALLBACK NamedValueProc(HWND dialog, UINT message, WPARAM, LPARAM)
{
    if (message != WM_INITDIALOG)
        return 0;
    PolicyRead read;
    if (!ReadPolicyForDialog(dialog, kPulsePolicy, &read))
        return 0;
    ValueData pulse = {};
    pulse.number = read.values[0].data.number + 20;
    WritePolicyForDialog(dialog, kPulsePolicy, &pulse, kEveryValue);
    return 0;
}

void ExpectNamedBox(const char *text, const char *caption)
{
    RunToBox(IDD_UNIX_ACCOUNT, NamedValueProc,
             [&](const BoxRecord &box) { ExpectPolicyBox(box, text, caption, true); });
}

}  // namespace

TEST_F(PolicyProtocol, NamedMessagesCarryTheValueWord)
{
    LabSetRegString(kPdc, kNetlogonKey, "Pulse", "abc");
    ExpectNamedBox("Netlogon - WM_INITDIALOG Pulse 2, dwType=1", "");
    LabDeleteRegValue(kPdc, kNetlogonKey, "Pulse");
    ExpectNamedBox("Netlogon - WM_INITDIALOG Pulse 1, RegRet=2", "");

    LabSetRegDword(kPdc, kNetlogonKey, "Pulse", 300);
    LabSetFault(kPdc, "SetValue", ValuePath(kNetlogonKey, "Pulse").c_str(), 5);
    ExpectNamedBox("Netlogon - WM_COMMAND, Pulse RegRet=5", "Registry");
    EXPECT_EQ(0u, LabCounter(kPdc, "RegFlushKey"));

    LabClearFaults(kPdc);
    LabSetFault(kPdc, "OpenWrite", kNetlogonKey, 5);
    ExpectNamedBox((std::string("Netlogon - WM_COMMAND, Fail to open '") + kNetlogonKey +
                    "', RegRet=5").c_str(), "Registry");

    LabClearFaults(kPdc);
    EXPECT_EQ(0, RunDialog(IDD_UNIX_ACCOUNT, NamedValueProc));
    EXPECT_EQ(320u, LabDword(kNetlogonKey, "Pulse"));
    EXPECT_EQ(1u, LabCounter(kPdc, "RegFlushKey"));
}

namespace {

const char kUpsKey[] = "SYSTEM\\CurrentControlSet\\Services\\UPS\\Parameters";
const char kFileServiceKey[] =
    "SYSTEM\\CurrentControlSet\\Services\\VelmorServer\\FileServiceParameters";

// One string read of a dialog, and the boxes its opening shows, in order.
struct StringRead {
    int dialogId;
    DLGPROC proc;
    const char *key;
    const char *name;
    DWORD type;  // stored: 5000 bytes of 'b', no terminator
    std::vector<std::string> boxes;
};

const char kRecipientTooLong[] =
    "The length of the message recipient name in Registry\nis greater than 15 characters.\n"
    "Only the first 15 characters will be displayed.\nChange the recipient name.";
const char kMessageTooLong[] =
    "The length of the power failure message in Registry\nis greater than 500 characters.\n"
    "Only the first 500 characters will be displayed.\nRe-enter a new message.";
const char kScriptsTooLong[] =
    "The length of the Scripts directory in Registry\nis greater than 240 characters.\n"
    "Only the first 240 characters will be displayed.\nRe-configure your Scripts directory path.";

}  // namespace

TEST_F(PolicyProtocol, DataFillingTheStringBufferIsJudgedByItsType)
{
    // The program title for the warnings; the start-up state, then the connection again.
    InitShell(GetModuleHandleA(NULL));
    ConnectTarget(kPdc, TRUE);
    ASSERT_EQ(RolePrimaryDomainController, GetServerRole());
    // Data of another type is no string too long for the buffer: the type test reports it, after
    // the warning a dialog gives for a long text. A string that long is still too long.
    const StringRead reads[] = {
        {IDD_NAME_SPACE, NameSpaceMappingDlgProc, kFileServiceKey, "MappingSeparator", REG_BINARY,
         {"NAMESPACE - WM_INITDIALOG MappingSeparator 2, dwType=3"}},
        {IDD_UPS_SERVICE, UpsServiceDlgProc, kUpsKey, "PowerFailAddress", REG_BINARY,
         {kRecipientTooLong, "Power Failure - WM_INITDIALOG 5, dwType=3"}},
        {IDD_UPS_SERVICE, UpsServiceDlgProc, kUpsKey, "PowerFailMessage", REG_BINARY,
         {kMessageTooLong, "Power Failure - WM_INITDIALOG 6, dwType=3"}},
        {IDD_NETLOGON_PDC, NetlogonServiceDlgProc, kNetlogonKey, "Scripts", REG_BINARY,
         {kScriptsTooLong, "Netlogon - WM_INITDIALOG Scripts 2, dwType=3"}},
        {IDD_NETLOGON_PDC, NetlogonServiceDlgProc, kNetlogonKey, "Scripts", REG_EXPAND_SZ,
         {"Netlogon - WM_INITDIALOG Scripts 1, RegRet=234"}},
        {IDD_NAME_SPACE, NameSpaceMappingDlgProc, kFileServiceKey, "MappingSeparator", REG_SZ,
         {"NAMESPACE - WM_INITDIALOG MappingSeparator 1, RegRet=234"}},
    };
    const std::string data(kRegStringChars, 'b');
    for (const StringRead &read : reads) {
        SCOPED_TRACE(std::string(read.name) + " of type " + std::to_string(read.type));
        LabSetRegValue(kPdc, read.key, read.name, read.type, data.c_str(), (DWORD)data.size());
        {
            Driver driver;
            for (size_t i = 0; i < read.boxes.size(); ++i)
                driver.OnMessageBox(IDOK);
            EXPECT_EQ(0, RunDialog(read.dialogId, read.proc));
            std::vector<std::string> shown;
            for (const BoxRecord &box : driver.Boxes())
                shown.push_back(box.text);
            EXPECT_EQ(read.boxes, shown);
        }
        ASSERT_TRUE(LabLoadDefaultNetwork());
    }
    EXPECT_EQ(0u, LabCounter(kPdc, "RegSetValueExA"));
}
