// Netlogon Service: the Net Logon service's parameters, in the layout of the server's role in
// its domain (the Policy page opens the template that matches the role).
#include "policies/policies.h"

#include <stdio.h>
#include <string.h>

#include "connection/netcalls.h"
#include "connection/target.h"
#include "policy/policy.h"
#include "resources/resource.h"

namespace {

const PolicyKey kNetlogonKeys[] = {
    { "Netlogon", "SYSTEM\\CurrentControlSet\\Services\\Netlogon\\Parameters", AccessNamed },
};

const char kExportScripts[] =
    "%SystemRoot%\\var\\opt\\lanman\\shares\\korvid\\repl\\export\\scripts";
const char kImportScripts[] =
    "%SystemRoot%\\var\\opt\\lanman\\shares\\korvid\\repl\\import\\scripts";
const char kScriptsTooLong[] =
    "The length of the Scripts directory in Registry\nis greater than %d characters.\n"
    "Only the first %d characters will be displayed.\nRe-configure your Scripts directory path.";

const unsigned ForControllers = ForPrimary | ForBackup;

// The two password-change flags may be missing: their boxes are then unavailable and they are
// not written. The password change frequency is shown in days: MaximumPasswordAge holds days;
// a server without it keeps SSIPasswdAge, in seconds and with a far lower bound.
const ValueModel kNetlogonValues[] = {
    ForRoles(ForPrimary, TextValue("Scripts", REG_EXPAND_SZ, 240, kExportScripts,
                                   kScriptsTooLong, Named("Scripts"))),
    ForRoles(ForBackup, TextValue("Scripts", REG_EXPAND_SZ, 240, kImportScripts,
                                  kScriptsTooLong, Named("Scripts"))),
    ForRoles(ForControllers, OptionalValue(FlagValue("RefusePasswordChange", 0, Named("Update")))),
    ForRoles(ForPrimary, ListValue("Pulse", { 60, 3600, 20, 300 }, Named("Pulse"))),
    ForRoles(ForBackup, FlagValue("Update", 0, Named("Update"))),
    ForRoles(ForBackup, ListValue("Randomize", { 5, 120, 5, 30 }, Named("Random"))),
    ForRoles(ForServer, OptionalValue(FlagValue("DisablePasswordChange", 0, Named("Update")))),
    DaysValue("MaximumPasswordAge", { 1, 1000000, 1, 7 }, "SSIPasswdAge", 31, Named("Password")),
};

}  // namespace

extern const PolicyModel kNetlogonPolicy = {
    "netlogon", IDS_NETLOGON, kNetlogonKeys, ARRAYSIZE(kNetlogonKeys),
    kNetlogonValues, ARRAYSIZE(kNetlogonValues), NULL,
};

namespace {

const PolicyKey kKey = {
    "Netlogon", "SYSTEM\\CurrentControlSet\\Services\\Netlogon\\Parameters", AccessNamed };

enum { kScriptsChars = 240 };

const NumberList kPulse = { 60, 3600, 20, 300 };
const NumberList kRandomize = { 5, 120, 5, 30 };

// The password change frequency is shown in days. MaximumPasswordAge holds days; a server
// without it keeps SSIPasswdAge, in seconds and with a far lower bound.
const char kMaximumAge[] = "MaximumPasswordAge";
const char kSsiAge[] = "SSIPasswdAge";
const DWORD kMaximumAgeDays = 1000000;
const DWORD kSsiAgeDays = 31;
const DWORD kSecondsPerDay = 86400;
const DWORD kDefaultDays = 7;

const PolicyText kPdcTexts[] = {
    { IDC_NL_REFUSE, IDS_NL_REFUSE },
    { IDC_NL_SCRIPTS_LABEL, IDS_NL_EXPORT_LABEL },
    { IDC_NL_PDC_GROUP, IDS_NL_PDC_GROUP },
    { IDC_NL_PULSE_TEXT, IDS_NL_PULSE_TEXT },
    { IDC_NL_PULSE_LABEL, IDS_NL_PULSE_LABEL },
    { IDC_NL_PDC_AGE_TEXT, IDS_NL_PDC_AGE_TEXT },
    { IDC_NL_DAYS_LABEL, IDS_NL_DAYS_LABEL },
};

const PolicyText kBdcTexts[] = {
    { IDC_NL_REFUSE, IDS_NL_REFUSE },
    { IDC_NL_SCRIPTS_LABEL, IDS_NL_IMPORT_LABEL },
    { IDC_NL_BDC_GROUP, IDS_NL_BDC_GROUP },
    { IDC_NL_UPDATE, IDS_NL_UPDATE },
    { IDC_NL_RANDOMIZE_TEXT, IDS_NL_RANDOMIZE_TEXT },
    { IDC_NL_RANDOMIZE_LABEL, IDS_NL_RANDOMIZE_LABEL },
    { IDC_NL_BDC_AGE_TEXT, IDS_NL_BDC_AGE_TEXT },
    { IDC_NL_DAYS_LABEL, IDS_NL_DAYS_LABEL },
};

const PolicyText kServerTexts[] = {
    { IDC_NL_SERVER_GROUP, IDS_NL_SERVER_GROUP },
    { IDC_NL_DISABLE, IDS_NL_DISABLE },
    { IDC_NL_SERVER_AGE_TEXT, IDS_NL_SERVER_AGE_TEXT },
    { IDC_NL_DAYS_LABEL, IDS_NL_DAYS_LABEL },
};

const int kPasswordAgeControls[] = { IDC_NL_SERVER_AGE_TEXT, IDC_NL_DAYS_LABEL, IDC_NL_DAYS };

// Everything the dialog reads and writes; each role uses its own part.
struct NetlogonValues {
    char scripts[kScriptsChars + 1];
    BOOL hasRefuse;     // RefusePasswordChange was a REG_DWORD at opening
    DWORD refuse;
    DWORD pulse;
    DWORD update;
    DWORD randomize;
    BOOL hasDisable;    // DisablePasswordChange was a REG_DWORD at opening
    DWORD disable;
    DWORD days;
};

BOOL IsController(ServerRole role)
{
    return role == RolePrimaryDomainController || role == RoleBackupDomainController;
}

void EnablePasswordAgeControls(HWND dialog, BOOL enable)
{
    EnablePolicyControls(dialog, kPasswordAgeControls, ARRAYSIZE(kPasswordAgeControls), enable);
}

void SetNetlogonTexts(HWND dialog, ServerRole role)
{
    switch (role) {
    case RolePrimaryDomainController:
        SetPolicyTexts(dialog, kPdcTexts, ARRAYSIZE(kPdcTexts));
        break;
    case RoleBackupDomainController:
        SetPolicyTexts(dialog, kBdcTexts, ARRAYSIZE(kBdcTexts));
        break;
    case RoleServer:
        SetPolicyTexts(dialog, kServerTexts, ARRAYSIZE(kServerTexts));
        break;
    }
}

LONG QueryFourBytes(HKEY handle, const char *name, DWORD *data, DWORD *type)
{
    DWORD size = sizeof(*data);
    *data = 0;
    return Net().RegQueryValueExA(handle, name, NULL, type, (BYTE *)data, &size);
}

// The two flags a server may lack: a missing one is no error, its box is just unavailable.
BOOL QueryOptionalFlag(HKEY handle, const char *name, DWORD *value)
{
    DWORD type = 0;
    return QueryFourBytes(handle, name, value, &type) == ERROR_SUCCESS && type == REG_DWORD;
}

DWORD BringDaysIntoBound(DWORD days, DWORD bound)
{
    if (days > bound)
        return bound;
    return days < 1 ? 1 : days;
}

BOOL ReadScripts(HWND dialog, HKEY handle, char *scripts)
{
    static char text[kRegStringChars];
    DWORD type = 0;
    LONG status = QueryRegString(handle, "Scripts", text, &type);
    if (status != ERROR_SUCCESS) {
        ReportNamedReadStatus(dialog, kKey.tag, "Scripts", status);
        return FALSE;
    }
    // The warning comes before the type test: a long path of the wrong type gets both.
    if (strlen(text) > kScriptsChars)
        ShowPolicyWarning(dialog, MB_ICONHAND, kScriptsTooLong, (int)kScriptsChars,
                          (int)kScriptsChars);
    if (type != REG_EXPAND_SZ) {
        ReportNamedReadType(dialog, kKey.tag, "Scripts", type);
        return FALSE;
    }
    size_t length = strnlen(text, kScriptsChars);
    memcpy(scripts, text, length);
    scripts[length] = '\0';
    return TRUE;
}

BOOL ReadPasswordDays(HWND dialog, HKEY handle, DWORD *days)
{
    DWORD data = 0;
    DWORD type = 0;
    BOOL inDays = TRUE;
    LONG status = QueryFourBytes(handle, kMaximumAge, &data, &type);
    if (status != ERROR_SUCCESS) {
        inDays = FALSE;
        status = QueryFourBytes(handle, kSsiAge, &data, &type);
    }
    if (status != ERROR_SUCCESS) {
        ReportNamedReadStatus(dialog, kKey.tag, "Password", status);
        return FALSE;
    }
    if (type != REG_DWORD) {
        ReportNamedReadType(dialog, kKey.tag, "Password", type);
        return FALSE;
    }
    *days = inDays ? BringDaysIntoBound(data, kMaximumAgeDays)
                   : BringDaysIntoBound(data / kSecondsPerDay, kSsiAgeDays);
    return TRUE;
}

BOOL ReadNetlogonValues(HWND dialog, HKEY handle, ServerRole role, NetlogonValues *values)
{
    const char *tag = kKey.tag;
    if (IsController(role)) {
        if (!ReadScripts(dialog, handle, values->scripts))
            return FALSE;
        values->hasRefuse = QueryOptionalFlag(handle, "RefusePasswordChange", &values->refuse);
    }
    if (role == RolePrimaryDomainController &&
        !QueryNamedDword(dialog, tag, handle, "Pulse", "Pulse", &values->pulse))
        return FALSE;
    if (role == RoleBackupDomainController &&
        (!QueryNamedDword(dialog, tag, handle, "Update", "Update", &values->update) ||
         !QueryNamedDword(dialog, tag, handle, "Randomize", "Random", &values->randomize)))
        return FALSE;
    if (role == RoleServer)
        values->hasDisable = QueryOptionalFlag(handle, "DisablePasswordChange", &values->disable);
    return ReadPasswordDays(dialog, handle, &values->days);
}

void ShowDays(HWND dialog, DWORD days)
{
    char text[16];
    snprintf(text, sizeof(text), "%lu", (unsigned long)days);
    SetDlgItemTextA(dialog, IDC_NL_DAYS, text);
}

void ShowFlag(HWND dialog, int controlId, DWORD value)
{
    CheckDlgButton(dialog, controlId, value != 0 ? BST_CHECKED : BST_UNCHECKED);
}

void ShowOptionalFlag(HWND dialog, int controlId, BOOL present, DWORD value)
{
    ShowFlag(dialog, controlId, present ? value : 0);
    if (!present)
        EnableWindow(GetDlgItem(dialog, controlId), FALSE);
}

void ShowNetlogonValues(HWND dialog, ServerRole role, const NetlogonValues &values)
{
    if (IsController(role)) {
        SetDlgItemTextA(dialog, IDC_NL_SCRIPTS, values.scripts);
        SendDlgItemMessageA(dialog, IDC_NL_SCRIPTS, EM_LIMITTEXT, kScriptsChars, 0);
        ShowOptionalFlag(dialog, IDC_NL_REFUSE, values.hasRefuse, values.refuse);
    }
    if (role == RolePrimaryDomainController)
        FillNumberList(dialog, IDC_NL_PULSE, kPulse, values.pulse);
    if (role == RoleBackupDomainController) {
        ShowFlag(dialog, IDC_NL_UPDATE, values.update);
        FillNumberList(dialog, IDC_NL_RANDOMIZE, kRandomize, values.randomize);
    }
    if (role == RoleServer) {
        ShowOptionalFlag(dialog, IDC_NL_DISABLE, values.hasDisable, values.disable);
        // A server that may not change its password has no frequency to edit.
        if (values.hasDisable)
            EnablePasswordAgeControls(dialog, !GetCheck(dialog, IDC_NL_DISABLE));
    }
    SetNetlogonTexts(dialog, role);
    ShowDays(dialog, values.days);
}

void OpenNetlogon(HWND dialog)
{
    ServerRole role = GetServerRole();
    NetlogonValues values = {};
    HKEY handle;
    if (!OpenKeyForReading(dialog, kKey, &handle))
        return;
    if (!ReadNetlogonValues(dialog, handle, role, &values)) {
        AbandonPolicyKey(dialog, handle);
        return;
    }
    Net().RegCloseKey(handle);
    ShowNetlogonValues(dialog, role, values);
    SetPolicyTitle(dialog, IDS_NETLOGON);
    FinishPolicyOpening(dialog);
    UpdateWindow(dialog);
    FocusPolicyControl(dialog, IDCANCEL);
}

void ShowNetlogonDefaults(HWND dialog)
{
    ServerRole role = GetServerRole();
    if (IsController(role)) {
        SetDlgItemTextA(dialog, IDC_NL_SCRIPTS,
                        role == RolePrimaryDomainController ? kExportScripts : kImportScripts);
        ShowFlag(dialog, IDC_NL_REFUSE, 0);
    }
    if (role == RolePrimaryDomainController)
        SelectListValue(dialog, IDC_NL_PULSE, kPulse, kPulse.defaultValue);
    if (role == RoleBackupDomainController) {
        ShowFlag(dialog, IDC_NL_UPDATE, 0);
        SelectListValue(dialog, IDC_NL_RANDOMIZE, kRandomize, kRandomize.defaultValue);
    }
    if (role == RoleServer) {
        ShowFlag(dialog, IDC_NL_DISABLE, 0);
        EnablePasswordAgeControls(dialog, TRUE);
    }
    ShowDays(dialog, kDefaultDays);
}

// A box that was unavailable at opening stands for a value the server does not have: it is
// left as it is rather than created.
BOOL IsAvailable(HWND dialog, int controlId)
{
    return IsWindowEnabled(GetDlgItem(dialog, controlId));
}

void CollectNetlogonValues(HWND dialog, ServerRole role, NetlogonValues *values)
{
    if (IsController(role)) {
        GetDlgItemTextA(dialog, IDC_NL_SCRIPTS, values->scripts, sizeof(values->scripts));
        values->hasRefuse = IsAvailable(dialog, IDC_NL_REFUSE);
        values->refuse = GetCheck(dialog, IDC_NL_REFUSE);
    }
    if (role == RolePrimaryDomainController)
        values->pulse = GetListValue(dialog, IDC_NL_PULSE, kPulse);
    if (role == RoleBackupDomainController) {
        values->update = GetCheck(dialog, IDC_NL_UPDATE);
        values->randomize = GetListValue(dialog, IDC_NL_RANDOMIZE, kRandomize);
    }
    if (role == RoleServer) {
        values->hasDisable = IsAvailable(dialog, IDC_NL_DISABLE);
        values->disable = GetCheck(dialog, IDC_NL_DISABLE);
    }
    // Taken as unsigned, so that a negative entry comes to the upper bound.
    long days = ReadDecimalField(dialog, IDC_NL_DAYS);
    values->days = days == 0 ? kDefaultDays : (DWORD)days;
}

// Written into whichever of the two values the server has: MaximumPasswordAge whenever it
// answers a query, whatever its type.
BOOL WritePasswordDays(HWND dialog, HKEY handle, DWORD days)
{
    DWORD data = 0;
    DWORD type = 0;
    BOOL inDays = QueryFourBytes(handle, kMaximumAge, &data, &type) == ERROR_SUCCESS;
    DWORD value = inDays ? BringDaysIntoBound(days, kMaximumAgeDays)
                         : BringDaysIntoBound(days, kSsiAgeDays) * kSecondsPerDay;
    return WriteNamedDword(dialog, kKey.tag, handle, inDays ? kMaximumAge : kSsiAge, "Password",
                           value);
}

// FALSE at the first failure that ends the dialog; the two password-change flags only report
// theirs and let the others be written.
BOOL WriteNetlogonValues(HWND dialog, HKEY handle, ServerRole role, const NetlogonValues &values)
{
    const char *tag = kKey.tag;
    if (IsController(role)) {
        if (!WriteNamedString(dialog, tag, handle, "Scripts", "Scripts", REG_EXPAND_SZ,
                              values.scripts))
            return FALSE;
        if (values.hasRefuse)
            WriteNamedDword(dialog, tag, handle, "RefusePasswordChange", "Update", values.refuse);
    }
    if (role == RolePrimaryDomainController &&
        !WriteNamedDword(dialog, tag, handle, "Pulse", "Pulse", values.pulse))
        return FALSE;
    if (role == RoleBackupDomainController &&
        (!WriteNamedDword(dialog, tag, handle, "Update", "Update", values.update) ||
         !WriteNamedDword(dialog, tag, handle, "Randomize", "Random", values.randomize)))
        return FALSE;
    if (role == RoleServer && values.hasDisable)
        WriteNamedDword(dialog, tag, handle, "DisablePasswordChange", "Update", values.disable);
    return WritePasswordDays(dialog, handle, values.days);
}

void WriteNetlogon(HWND dialog)
{
    ServerRole role = GetServerRole();
    NetlogonValues values = {};
    CollectNetlogonValues(dialog, role, &values);
    HKEY handle;
    // Read access too: the frequency's value is chosen by querying the key again.
    if (!OpenKeyForWriting(dialog, kKey, KEY_READ | KEY_WRITE, TRUE, &handle))
        return;
    if (WriteNetlogonValues(dialog, handle, role, values))
        FinishPolicyWrites(dialog, handle);
    else
        AbandonPolicyKey(dialog, handle);
}

BOOL ClickNetlogon(HWND dialog, int controlId)
{
    ServerRole role = GetServerRole();
    switch (controlId) {
    case IDC_NL_UPDATE:
        if (role == RoleBackupDomainController)
            FlipCheck(dialog, controlId);
        return TRUE;
    case IDC_NL_REFUSE:
        if (IsController(role))
            FlipCheck(dialog, controlId);
        return TRUE;
    case IDC_NL_DISABLE:
        if (role == RoleServer)
            EnablePasswordAgeControls(dialog, !FlipCheck(dialog, controlId));
        return TRUE;
    }
    return FALSE;
}

const PolicyProcedure kProcedure = {
    OpenNetlogon, WriteNetlogon, ShowNetlogonDefaults, ClickNetlogon,
};

}  // namespace

INT_PTR CALLBACK NetlogonServiceDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    return HandlePolicyProcedure(kProcedure, dialog, message, wParam, lParam);
}
