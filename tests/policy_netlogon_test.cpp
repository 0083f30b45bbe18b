// The Netlogon Service dialog in its three layouts: the scripts path, the optional flags, the
// password change frequency held in one of two values, and the writes that do not end it.
#include "tests/support/policy_dialog_fixture.h"

#include <string>
#include <vector>

#include "lab/lab.h"
#include "tests/support/write_recorder.h"

using namespace policytest;

namespace {

const char kNetlogonKey[] = "SYSTEM\\CurrentControlSet\\Services\\Netlogon\\Parameters";
const char kNetlogonTitle[] = "Properties of Netlogon Service - VELMOR-PDC";
const char kExport[] = "%SystemRoot%\\var\\opt\\lanman\\shares\\korvid\\repl\\export\\scripts";
const char kImport[] = "%SystemRoot%\\var\\opt\\lanman\\shares\\korvid\\repl\\import\\scripts";
const DWORD kDay = 86400;

// The lab's primary domain controller answers in every role; only the role bits change.
void SetRole(ServerRole role)
{
    static const DWORD kServerTypes[] = {0x1003, 0x100B, 0x1013};
    Target().serverType = kServerTypes[role];
    ASSERT_EQ(role, GetServerRole());
}

int LayoutOf(ServerRole role)
{
    return role == RolePrimaryDomainController  ? IDD_NETLOGON_PDC
           : role == RoleBackupDomainController ? IDD_NETLOGON_BDC
                                                : IDD_NETLOGON_SERVER;
}

void RunNetlogon(ServerRole role, const std::function<void(HWND)> &act)
{
    SetRole(role);
    RunActing(LayoutOf(role), NetlogonServiceDlgProc, kNetlogonTitle, act);
}

void ExpectOpeningStops(ServerRole role, const std::string &text)
{
    SetRole(role);
    RunToBox(LayoutOf(role), NetlogonServiceDlgProc,
             [&](const BoxRecord &box) { ExpectPolicyBox(box, text, "", true); });
}

void SetScripts(DWORD type, const std::string &path)
{
    LabSetRegValue(kPdc, kNetlogonKey, "Scripts", type, path.c_str(), (DWORD)path.size() + 1);
}

std::string LabScripts()
{
    std::string text;
    EXPECT_TRUE(LabGetRegString(kPdc, kNetlogonKey, "Scripts", &text));
    return text;
}

// The days typed into the frequency field, then OK.
void EnterDays(ServerRole role, const char *typed)
{
    RunNetlogon(role, [typed](HWND dialog) {
        TypeText(dialog, IDC_NL_DAYS, typed);
        Click(dialog, IDOK);
    });
}

std::string ShownDays(ServerRole role)
{
    std::string shown;
    RunNetlogon(role, [&](HWND dialog) {
        shown = ItemText(dialog, IDC_NL_DAYS);
        Click(dialog, IDCANCEL);
    });
    return shown;
}

void UseSsiAge(DWORD seconds)
{
    LabDeleteRegValue(kPdc, kNetlogonKey, "MaximumPasswordAge");
    LabSetRegDword(kPdc, kNetlogonKey, "SSIPasswdAge", seconds);
}

void ExpectAgeControlsEnabled(HWND dialog, bool enabled)
{
    for (int id : {IDC_NL_SERVER_AGE_TEXT, IDC_NL_DAYS_LABEL, IDC_NL_DAYS})
        EXPECT_EQ(enabled, Enabled(dialog, id)) << id;
}

class NetlogonService : public PolicyDialogTest {
protected:
    void SetUp() override
    {
        // The program title captions the Scripts warning.
        InitShell(GetModuleHandleA(NULL));
        PolicyDialogTest::SetUp();
        // The values of the other two roles, so that every layout opens on this computer.
        SetDwords(kNetlogonKey, {{"Update", 0}, {"Randomize", 30}, {"DisablePasswordChange", 0}});
    }
};

}  // namespace

const ControlText kPrimaryTexts[] = {
    {IDC_NL_PDC_GROUP, "Primary Domain Controller (PDC)"},
    {IDC_NL_SCRIPTS_LABEL, "Export Scripts from: "},
    {IDC_NL_PULSE_TEXT,
     "Specify the time at which the primary domain controller should send update "
     "notices when no updates are occurring to the master user accounts database."},
    {IDC_NL_PULSE_LABEL, "Update Notice Interval (in seconds): "},
    {IDC_NL_REFUSE,
     "Refuse to change machine account password for all machines those are not "
     "domain controllers."},
    {IDC_NL_PDC_AGE_TEXT,
     "Specify the frequency with which PDC must change its machine account password "
     "on trusted domains."},
    {IDC_NL_DAYS_LABEL, "Password Change Frequency (in days): "},
};

TEST_F(NetlogonService, PrimaryShowsItsLayoutAndWritesItsValues)
{
    LabSetRegDword(kPdc, kNetlogonKey, "RefusePasswordChange", 3);
    LabSetRegDword(kPdc, kNetlogonKey, "Pulse", 305);
    LabSetRegDword(kPdc, kNetlogonKey, "MaximumPasswordAge", 45);
    RunNetlogon(RolePrimaryDomainController, [](HWND dialog) {
        EXPECT_EQ(kExport, ItemText(dialog, IDC_NL_SCRIPTS));
        EXPECT_EQ(240, (int)SendDlgItemMessageA(dialog, IDC_NL_SCRIPTS, EM_GETLIMITTEXT, 0, 0));
        EXPECT_TRUE(Checked(dialog, IDC_NL_REFUSE));
        EXPECT_EQ(178, ComboCount(dialog, IDC_NL_PULSE));
        EXPECT_EQ("300", ComboText(dialog, IDC_NL_PULSE));
        EXPECT_EQ("45", ItemText(dialog, IDC_NL_DAYS));
        ExpectControlTexts(dialog, kPrimaryTexts);
        EXPECT_EQ(GetDlgItem(dialog, IDCANCEL), GetFocus());
        Click(dialog, IDC_NL_REFUSE);
        PickIndex(dialog, IDC_NL_PULSE, 0);
        TypeText(dialog, IDC_NL_SCRIPTS, "D:\\scripts");
        Click(dialog, IDOK);
    });
    EXPECT_EQ("D:\\scripts", LabScripts());
    ExpectDwords(kNetlogonKey,
                 {{"RefusePasswordChange", 0}, {"Pulse", 60}, {"MaximumPasswordAge", 45}});
    EXPECT_EQ(1u, LabCounter(kPdc, "RegFlushKey"));

    LabSetRegDword(kPdc, kNetlogonKey, "Pulse", 30);
    RunNetlogon(RolePrimaryDomainController, [](HWND dialog) {
        EXPECT_EQ("60", ComboText(dialog, IDC_NL_PULSE));
        Click(dialog, IDCANCEL);
    });
}

const ControlText kBackupTexts[] = {
    {IDC_NL_BDC_GROUP, "Backup Domain Controller (BDC)"},
    {IDC_NL_SCRIPTS_LABEL, "Import Scripts to: "},
    {IDC_NL_UPDATE,
     "Synchronize user accounts database with Primary Domain Controller (PDC) when "
     "the NetLogon service starts."},
    {IDC_NL_RANDOMIZE_TEXT,
     "Specify the time period within which BDC should contact PDC for updates after "
     "receiving an update notice."},
    {IDC_NL_RANDOMIZE_LABEL, "Update Request Interval (in seconds): "},
    {IDC_NL_BDC_AGE_TEXT,
     "Specify the frequency with which BDC must change its machine account password "
     "on PDC."},
    {IDC_NL_DAYS_LABEL, "Password Change Frequency (in days): "},
};

TEST_F(NetlogonService, BackupShowsItsLayoutAndClampsItsInterval)
{
    SetScripts(REG_EXPAND_SZ, kImport);
    LabSetRegDword(kPdc, kNetlogonKey, "Update", 7);
    LabSetRegDword(kPdc, kNetlogonKey, "Randomize", 0);
    RunNetlogon(RoleBackupDomainController, [](HWND dialog) {
        EXPECT_EQ(kImport, ItemText(dialog, IDC_NL_SCRIPTS));
        EXPECT_TRUE(Checked(dialog, IDC_NL_UPDATE));
        EXPECT_FALSE(Checked(dialog, IDC_NL_REFUSE));
        EXPECT_EQ(24, ComboCount(dialog, IDC_NL_RANDOMIZE));
        EXPECT_EQ("5", ComboText(dialog, IDC_NL_RANDOMIZE));
        ExpectControlTexts(dialog, kBackupTexts);
        Click(dialog, IDC_NL_UPDATE);
        Click(dialog, IDC_NL_REFUSE);
        Click(dialog, IDOK);
    });
    ExpectDwords(kNetlogonKey, {{"Update", 0}, {"RefusePasswordChange", 1}, {"Randomize", 5}});

    LabSetRegDword(kPdc, kNetlogonKey, "Randomize", 200);
    RunNetlogon(RoleBackupDomainController, [](HWND dialog) {
        EXPECT_EQ("120", ComboText(dialog, IDC_NL_RANDOMIZE));
        Click(dialog, IDOK);
    });
    EXPECT_EQ(120u, LabDword(kNetlogonKey, "Randomize"));
}

TEST_F(NetlogonService, DefaultPutsBackEachLayoutsValues)
{
    LabSetRegDword(kPdc, kNetlogonKey, "RefusePasswordChange", 1);
    LabSetRegDword(kPdc, kNetlogonKey, "Pulse", 1000);
    LabSetRegDword(kPdc, kNetlogonKey, "MaximumPasswordAge", 90);
    SetScripts(REG_EXPAND_SZ, "C:\\elsewhere");
    RunNetlogon(RolePrimaryDomainController, [](HWND dialog) {
        Click(dialog, IDC_DEFAULT);
        EXPECT_EQ("7", ItemText(dialog, IDC_NL_DAYS));
        EXPECT_EQ("300", ComboText(dialog, IDC_NL_PULSE));
        Click(dialog, IDOK);
    });
    // Stored as typed: the path keeps %SystemRoot% unexpanded.
    EXPECT_EQ(kExport, LabScripts());
    ExpectDwords(kNetlogonKey,
                 {{"RefusePasswordChange", 0}, {"Pulse", 300}, {"MaximumPasswordAge", 7}});

    SetScripts(REG_EXPAND_SZ, "C:\\elsewhere");
    LabSetRegDword(kPdc, kNetlogonKey, "Update", 1);
    LabSetRegDword(kPdc, kNetlogonKey, "Randomize", 100);
    RunNetlogon(RoleBackupDomainController, [](HWND dialog) {
        Click(dialog, IDC_DEFAULT);
        EXPECT_FALSE(Checked(dialog, IDC_NL_UPDATE));
        EXPECT_EQ("30", ComboText(dialog, IDC_NL_RANDOMIZE));
        Click(dialog, IDOK);
    });
    EXPECT_EQ(kImport, LabScripts());
    ExpectDwords(kNetlogonKey, {{"Update", 0}, {"Randomize", 30}});
}

const ControlText kMemberServerTexts[] = {
    {IDC_NL_SERVER_GROUP, "Member Server"},
    {IDC_NL_DISABLE, "Prevent member server from changing its machine account password on PDC."},
    {IDC_NL_SERVER_AGE_TEXT,
     "Specify the frequency with which member server must change its machine account "
     "password on PDC."},
};

TEST_F(NetlogonService, MemberServerPreventedFromChangingHasNoFrequencyToEdit)
{
    LabSetRegDword(kPdc, kNetlogonKey, "DisablePasswordChange", 1);
    RunNetlogon(RoleServer, [](HWND dialog) {
        ExpectControlTexts(dialog, kMemberServerTexts);
        EXPECT_TRUE(Checked(dialog, IDC_NL_DISABLE));
        ExpectAgeControlsEnabled(dialog, false);
        Click(dialog, IDC_NL_DISABLE);
        ExpectAgeControlsEnabled(dialog, true);
        Click(dialog, IDC_NL_DISABLE);
        ExpectAgeControlsEnabled(dialog, false);
        // Still written while it cannot be edited.
        TypeText(dialog, IDC_NL_DAYS, "30");
        Click(dialog, IDOK);
    });
    ExpectDwords(kNetlogonKey, {{"DisablePasswordChange", 1}, {"MaximumPasswordAge", 30}});

    RunNetlogon(RoleServer, [](HWND dialog) {
        Click(dialog, IDC_DEFAULT);
        EXPECT_FALSE(Checked(dialog, IDC_NL_DISABLE));
        ExpectAgeControlsEnabled(dialog, true);
        EXPECT_EQ("7", ItemText(dialog, IDC_NL_DAYS));
        Click(dialog, IDOK);
    });
    ExpectDwords(kNetlogonKey, {{"DisablePasswordChange", 0}, {"MaximumPasswordAge", 7}});
}

TEST_F(NetlogonService, MissingOptionalFlagsDisableTheirBoxesAndAreNotCreated)
{
    LabDeleteRegValue(kPdc, kNetlogonKey, "DisablePasswordChange");
    RunNetlogon(RoleServer, [](HWND dialog) {
        EXPECT_FALSE(Checked(dialog, IDC_NL_DISABLE));
        EXPECT_FALSE(Enabled(dialog, IDC_NL_DISABLE));
        ExpectAgeControlsEnabled(dialog, true);
        Click(dialog, IDC_DEFAULT);
        EXPECT_FALSE(Enabled(dialog, IDC_NL_DISABLE));
        Click(dialog, IDOK);
    });
    EXPECT_FALSE(LabRegValueExists(kPdc, kNetlogonKey, "DisablePasswordChange"));

    // A flag of another type counts as missing and is left as it is.
    LabResetCounters(kPdc);
    LabSetRegString(kPdc, kNetlogonKey, "RefusePasswordChange", "1");
    RunNetlogon(RolePrimaryDomainController, [](HWND dialog) {
        EXPECT_FALSE(Checked(dialog, IDC_NL_REFUSE));
        EXPECT_FALSE(Enabled(dialog, IDC_NL_REFUSE));
        Click(dialog, IDOK);
    });
    std::string refuse;
    EXPECT_TRUE(LabGetRegString(kPdc, kNetlogonKey, "RefusePasswordChange", &refuse));
    EXPECT_EQ("1", refuse);
    EXPECT_EQ(1u, LabCounter(kPdc, "RegFlushKey"));
}

TEST_F(NetlogonService, FrequencyIsShownInDaysFromEitherValue)
{
    LabSetRegDword(kPdc, kNetlogonKey, "MaximumPasswordAge", 0);
    EXPECT_EQ("1", ShownDays(RoleServer));
    LabSetRegDword(kPdc, kNetlogonKey, "MaximumPasswordAge", 2000000);
    EXPECT_EQ("1000000", ShownDays(RoleServer));
    LabSetRegDword(kPdc, kNetlogonKey, "MaximumPasswordAge", 0xFFFFFFFF);
    EXPECT_EQ("1000000", ShownDays(RoleServer));

    UseSsiAge(7 * kDay);
    EXPECT_EQ("7", ShownDays(RoleServer));
    UseSsiAge(100);
    EXPECT_EQ("1", ShownDays(RoleServer));
    UseSsiAge(40 * kDay);
    EXPECT_EQ("31", ShownDays(RoleServer));
}

TEST_F(NetlogonService, TypedDaysAreWrittenIntoTheValueTheServerHas)
{
    UseSsiAge(7 * kDay);
    const struct { const char *typed; DWORD days; } kSsiCases[] = {
        {"45", 31}, {"", 7}, {"-3", 31}, {"12", 12}, {"0", 7},
    };
    for (const auto &entry : kSsiCases) {
        EnterDays(RoleServer, entry.typed);
        EXPECT_EQ(entry.days * kDay, LabDword(kNetlogonKey, "SSIPasswdAge")) << entry.typed;
    }
    EXPECT_FALSE(LabRegValueExists(kPdc, kNetlogonKey, "MaximumPasswordAge"));

    LabSetRegDword(kPdc, kNetlogonKey, "MaximumPasswordAge", 7);
    const struct { const char *typed; DWORD days; } kMaximumCases[] = {
        {"45", 45}, {"12abc", 12}, {"abc", 7}, {"  +20", 20}, {"-3", 1000000},
        // Far beyond any integer: the bound, not an overflowed number.
        {"99999999999999999999", 1000000}, {"-99999999999999999999", 1000000},
    };
    for (const auto &entry : kMaximumCases) {
        EnterDays(RoleServer, entry.typed);
        EXPECT_EQ(entry.days, LabDword(kNetlogonKey, "MaximumPasswordAge")) << entry.typed;
    }
    EXPECT_EQ(7u * kDay, LabDword(kNetlogonKey, "SSIPasswdAge"));

    // MaximumPasswordAge of another type still answers the query at OK and takes the days.
    UseSsiAge(7 * kDay);
    RunNetlogon(RoleServer, [](HWND dialog) {
        LabSetRegString(kPdc, kNetlogonKey, "MaximumPasswordAge", "x");
        TypeText(dialog, IDC_NL_DAYS, "40");
        Click(dialog, IDOK);
    });
    EXPECT_EQ(40u, LabDword(kNetlogonKey, "MaximumPasswordAge"));
    EXPECT_EQ(7u * kDay, LabDword(kNetlogonKey, "SSIPasswdAge"));
}

TEST_F(NetlogonService, ReadFailuresNameTheValue)
{
    LabDeleteRegValue(kPdc, kNetlogonKey, "MaximumPasswordAge");
    ExpectOpeningStops(RoleServer, "Netlogon - WM_INITDIALOG Password 1, RegRet=2");

    // Another type in MaximumPasswordAge stops the opening even though SSIPasswdAge exists.
    LabSetRegDword(kPdc, kNetlogonKey, "SSIPasswdAge", 7 * kDay);
    LabSetRegString(kPdc, kNetlogonKey, "MaximumPasswordAge", "abc");
    ExpectOpeningStops(RoleServer, "Netlogon - WM_INITDIALOG Password 2, dwType=1");

    // Too long for four bytes: the query fails and SSIPasswdAge is taken instead.
    LabSetRegString(kPdc, kNetlogonKey, "MaximumPasswordAge", "abcdefgh");
    EXPECT_EQ("7", ShownDays(RoleServer));

    LabDeleteRegValue(kPdc, kNetlogonKey, "Pulse");
    ExpectOpeningStops(RolePrimaryDomainController, "Netlogon - WM_INITDIALOG Pulse 1, RegRet=2");

    LabSetRegString(kPdc, kNetlogonKey, "Update", "no");
    ExpectOpeningStops(RoleBackupDomainController, "Netlogon - WM_INITDIALOG Update 2, dwType=1");
    LabSetRegDword(kPdc, kNetlogonKey, "Update", 0);
    LabDeleteRegValue(kPdc, kNetlogonKey, "Randomize");
    ExpectOpeningStops(RoleBackupDomainController, "Netlogon - WM_INITDIALOG Random 1, RegRet=2");

    LabDeleteRegValue(kPdc, kNetlogonKey, "Scripts");
    ExpectOpeningStops(RolePrimaryDomainController, "Netlogon - WM_INITDIALOG Scripts 1, RegRet=2");

    LabSetFault(kPdc, "OpenRead", kNetlogonKey, 5);
    ExpectOpeningStops(RoleServer, "Netlogon - WM_INITDIALOG 1, RegRet=5");
    EXPECT_EQ(0u, LabCounter(kPdc, "RegSetValueExA"));
}

TEST_F(NetlogonService, ScriptsMustBeAnExpandableStringAndLongOnesAreCut)
{
    SetScripts(REG_SZ, kExport);
    ExpectOpeningStops(RolePrimaryDomainController, "Netlogon - WM_INITDIALOG Scripts 2, dwType=1");

    const std::string warning =
        "The length of the Scripts directory in Registry\nis greater than 240 characters.\n"
        "Only the first 240 characters will be displayed.\n"
        "Re-configure your Scripts directory path.";
    auto checkWarning = [&](const BoxRecord &box) {
        EXPECT_EQ(warning, box.text);
        EXPECT_EQ("Korvid Administrator", box.caption);
        EXPECT_EQ((UINT)MB_ICONHAND, box.icon);
        EXPECT_EQ(std::vector<int>{IDOK}, box.buttons);
    };
    // Exactly as long as the field: shown whole, no warning.
    const std::string fullPath = "C:\\" + std::string(237, 'f');
    SetScripts(REG_EXPAND_SZ, fullPath);
    RunNetlogon(RolePrimaryDomainController, [&](HWND dialog) {
        EXPECT_EQ(fullPath, ItemText(dialog, IDC_NL_SCRIPTS));
        Click(dialog, IDCANCEL);
    });

    const std::string longPath = "C:\\" + std::string(238, 'p');
    SetScripts(REG_EXPAND_SZ, longPath);
    SetRole(RolePrimaryDomainController);
    {
        Driver driver;
        driver.OnMessageBox(IDOK, checkWarning)
            .OnDialog(kNetlogonTitle, [&](HWND dialog) {
                EXPECT_EQ(longPath.substr(0, 240), ItemText(dialog, IDC_NL_SCRIPTS));
                Click(dialog, IDOK);
            });
        RunDialog(IDD_NETLOGON_PDC, NetlogonServiceDlgProc);
    }
    EXPECT_EQ(longPath.substr(0, 240), LabScripts());

    // A long path of the wrong type: the warning first, then the type.
    SetScripts(REG_SZ, longPath);
    Driver driver;
    driver.OnMessageBox(IDOK, checkWarning).OnMessageBox(IDOK, [](const BoxRecord &box) {
        ExpectPolicyBox(box, "Netlogon - WM_INITDIALOG Scripts 2, dwType=1", "", true);
    });
    EXPECT_EQ(0, RunDialog(IDD_NETLOGON_PDC, NetlogonServiceDlgProc));
}

TEST_F(NetlogonService, ScriptsAreWrittenExpandableWithoutATerminator)
{
    WriteRecorder recorder;
    RunNetlogon(RolePrimaryDomainController, [](HWND dialog) { Click(dialog, IDOK); });
    ASSERT_FALSE(recorder.Writes().empty());
    EXPECT_EQ("Scripts", recorder.Writes()[0].name);
    EXPECT_EQ((DWORD)REG_EXPAND_SZ, recorder.Writes()[0].type);
    EXPECT_EQ(std::string(kExport), recorder.Writes()[0].bytes);

    RecordedWrites().clear();
    RunNetlogon(RoleBackupDomainController, [](HWND dialog) {
        TypeText(dialog, IDC_NL_SCRIPTS, "");
        Click(dialog, IDOK);
    });
    ASSERT_FALSE(recorder.Writes().empty());
    EXPECT_EQ("Scripts", recorder.Writes()[0].name);
    EXPECT_EQ("", recorder.Writes()[0].bytes);
    EXPECT_EQ((std::vector<std::string>{"Scripts", "RefusePasswordChange", "Update", "Randomize",
                                        "MaximumPasswordAge"}),
              recorder.Names());
}

TEST_F(NetlogonService, FailedFlagWritesReportAndGoOn)
{
    LabSetFault(kPdc, "SetValue", ValuePath(kNetlogonKey, "RefusePasswordChange").c_str(), 5);
    Driver driver;
    SetRole(RolePrimaryDomainController);
    driver.OnDialog(kNetlogonTitle, [](HWND dialog) {
        PickIndex(dialog, IDC_NL_PULSE, 2);
        TypeText(dialog, IDC_NL_DAYS, "9");
        Click(dialog, IDOK);
    });
    driver.OnMessageBox(IDOK, [](const BoxRecord &box) {
        ExpectPolicyBox(box, "Netlogon - WM_COMMAND, Update RegRet=5", "Registry", true);
    });
    RunDialog(IDD_NETLOGON_PDC, NetlogonServiceDlgProc);
    ExpectDwords(kNetlogonKey, {{"Pulse", 100}, {"MaximumPasswordAge", 9}});
    EXPECT_EQ(1u, LabCounter(kPdc, "RegFlushKey"));
}

TEST_F(NetlogonService, FailedWritesEndTheDialogUnflushed)
{
    const struct { ServerRole role; const char *value; const char *text; } kCases[] = {
        {RolePrimaryDomainController, "Scripts", "Netlogon - WM_COMMAND, Scripts RegRet=5"},
        {RolePrimaryDomainController, "Pulse", "Netlogon - WM_COMMAND, Pulse RegRet=5"},
        {RoleBackupDomainController, "Update", "Netlogon - WM_COMMAND, Update RegRet=5"},
        {RoleBackupDomainController, "Randomize", "Netlogon - WM_COMMAND, Random RegRet=5"},
        {RoleServer, "MaximumPasswordAge", "Netlogon - WM_COMMAND, Password RegRet=5"},
    };
    for (const auto &entry : kCases) {
        LabClearFaults(kPdc);
        LabResetCounters(kPdc);
        LabSetRegDword(kPdc, kNetlogonKey, "MaximumPasswordAge", 7);
        LabSetFault(kPdc, "SetValue", ValuePath(kNetlogonKey, entry.value).c_str(), 5);
        SetRole(entry.role);
        Driver driver;
        driver.OnDialog(kNetlogonTitle, [](HWND dialog) {
            TypeText(dialog, IDC_NL_DAYS, "20");
            Click(dialog, IDOK);
        });
        driver.OnMessageBox(IDOK, [&](const BoxRecord &box) {
            ExpectPolicyBox(box, entry.text, "Registry", true);
        });
        RunDialog(LayoutOf(entry.role), NetlogonServiceDlgProc);
        // The frequency comes last: no failure before it lets it through.
        EXPECT_EQ(7u, LabDword(kNetlogonKey, "MaximumPasswordAge")) << entry.value;
        EXPECT_EQ(0u, LabCounter(kPdc, "RegFlushKey")) << entry.value;
    }

    LabClearFaults(kPdc);
    LabResetCounters(kPdc);
    LabSetFault(kPdc, "SetValue", ValuePath(kNetlogonKey, "DisablePasswordChange").c_str(), 5);
    Driver driver;
    driver.OnDialog(kNetlogonTitle, [](HWND dialog) {
        TypeText(dialog, IDC_NL_DAYS, "20");
        Click(dialog, IDOK);
    });
    driver.OnMessageBox(IDOK, [](const BoxRecord &box) {
        ExpectPolicyBox(box, "Netlogon - WM_COMMAND, Update RegRet=5", "Registry", true);
    });
    RunDialog(IDD_NETLOGON_SERVER, NetlogonServiceDlgProc);
    EXPECT_EQ(20u, LabDword(kNetlogonKey, "MaximumPasswordAge"));
    EXPECT_EQ(1u, LabCounter(kPdc, "RegFlushKey"));
}

TEST_F(NetlogonService, FailedOpenForWritingNamesTheKey)
{
    LabSetFault(kPdc, "OpenWrite", kNetlogonKey, 5);
    SetRole(RoleServer);
    Driver driver;
    driver.OnDialog(kNetlogonTitle, [](HWND dialog) { Click(dialog, IDOK); });
    driver.OnMessageBox(IDOK, [](const BoxRecord &box) {
        ExpectPolicyBox(box, std::string("Netlogon - WM_COMMAND, Fail to open '") + kNetlogonKey +
                        "', RegRet=5", "Registry", true);
    });
    RunDialog(IDD_NETLOGON_SERVER, NetlogonServiceDlgProc);
    EXPECT_EQ(0u, LabCounter(kPdc, "RegSetValueExA"));
}

TEST_F(NetlogonService, WithoutWriteAccessNothingIsWritten)
{
    ConnectTarget(kPdc, FALSE);
    LabResetCounters(kPdc);
    RunNetlogon(RoleServer, [](HWND dialog) {
        EXPECT_FALSE(Enabled(dialog, IDOK));
        EXPECT_FALSE(Enabled(dialog, IDC_DEFAULT));
        Click(dialog, IDC_NL_DISABLE);
        EXPECT_TRUE(Checked(dialog, IDC_NL_DISABLE));
        Command(dialog, IDOK);
        CloseBox(dialog);
    });
    EXPECT_EQ(0u, LabCounter(kPdc, "RegSetValueExA"));
}

TEST_F(NetlogonService, EnterRightAfterOpeningCancels)
{
    LabResetCounters(kPdc);
    for (ServerRole role : {RolePrimaryDomainController, RoleBackupDomainController, RoleServer}) {
        RunNetlogon(role, [](HWND dialog) {
            EXPECT_EQ(GetDlgItem(dialog, IDCANCEL), GetFocus());
            PressKey(GetFocus(), VK_RETURN);
        });
    }
    EXPECT_EQ(0u, LabCounter(kPdc, "RegSetValueExA"));
}
