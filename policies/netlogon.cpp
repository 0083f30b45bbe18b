// Netlogon Service: the Net Logon service's parameters, in the layout of the server's role in
// its domain (the Policy page opens the template that matches the role).
#include "policies/policies.h"

#include <stdio.h>

#include "connection/target.h"
#include "policy/policy.h"
#include "resources/resource.h"

namespace {

// The description's values, in its order.
enum {
    kPrimaryScripts, kBackupScripts, kRefuse, kPulse, kUpdate, kRandomize, kDisable, kDays,
    kNetlogonValueCount
};

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

const ValueModel &NetlogonValue(int index)
{
    return kNetlogonPolicy.values[index];
}

BOOL IsController(ServerRole role)
{
    return role == RolePrimaryDomainController || role == RoleBackupDomainController;
}

// The Scripts value of the role's layout (the two differ in their default).
int ScriptsOf(ServerRole role)
{
    return role == RolePrimaryDomainController ? kPrimaryScripts : kBackupScripts;
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

// A flag the server lacks is no error: its box is just unavailable.
void ShowOptionalFlag(HWND dialog, int controlId, const PolicyRead &read, int index)
{
    BOOL present = IsValuePresent(NetlogonValue(index), read.values[index]);
    ShowFlag(dialog, controlId, present ? read.values[index].data.number : 0);
    if (!present)
        EnableWindow(GetDlgItem(dialog, controlId), FALSE);
}

void ShowNetlogonValues(HWND dialog, ServerRole role, const PolicyRead &read)
{
    if (IsController(role)) {
        const ValueModel &scripts = NetlogonValue(ScriptsOf(role));
        char text[kRegStringChars];
        ShowText(scripts, read.values[ScriptsOf(role)].data.text, text, sizeof(text));
        SetDlgItemTextA(dialog, IDC_NL_SCRIPTS, text);
        SendDlgItemMessageA(dialog, IDC_NL_SCRIPTS, EM_LIMITTEXT, scripts.limit, 0);
        ShowOptionalFlag(dialog, IDC_NL_REFUSE, read, kRefuse);
    }
    if (role == RolePrimaryDomainController)
        FillNumberList(dialog, IDC_NL_PULSE, NetlogonValue(kPulse).range,
                       read.values[kPulse].data.number);
    if (role == RoleBackupDomainController) {
        ShowFlag(dialog, IDC_NL_UPDATE, read.values[kUpdate].data.number);
        FillNumberList(dialog, IDC_NL_RANDOMIZE, NetlogonValue(kRandomize).range,
                       read.values[kRandomize].data.number);
    }
    if (role == RoleServer) {
        ShowOptionalFlag(dialog, IDC_NL_DISABLE, read, kDisable);
        // A server that may not change its password has no frequency to edit.
        if (IsValuePresent(NetlogonValue(kDisable), read.values[kDisable]))
            EnablePasswordAgeControls(dialog, !GetCheck(dialog, IDC_NL_DISABLE));
    }
    SetNetlogonTexts(dialog, role);
    ShowDays(dialog, ShownNumber(NetlogonValue(kDays), read.values[kDays]));
}

void OpenNetlogon(HWND dialog)
{
    PolicyRead read;
    if (!ReadPolicyForDialog(dialog, kNetlogonPolicy, &read))
        return;
    ShowNetlogonValues(dialog, GetServerRole(), read);
    SetPolicyTitle(dialog, IDS_NETLOGON);
    DisableOkAndDefaultWithoutAccess(dialog);
    UpdateWindow(dialog);
    FocusPolicyControl(dialog, IDCANCEL);
}

void ShowNetlogonDefaults(HWND dialog)
{
    ServerRole role = GetServerRole();
    if (IsController(role)) {
        SetDlgItemTextA(dialog, IDC_NL_SCRIPTS, NetlogonValue(ScriptsOf(role)).defaultText);
        ShowFlag(dialog, IDC_NL_REFUSE, NetlogonValue(kRefuse).range.defaultValue);
    }
    if (role == RolePrimaryDomainController)
        SelectListValue(dialog, IDC_NL_PULSE, NetlogonValue(kPulse).range,
                        NetlogonValue(kPulse).range.defaultValue);
    if (role == RoleBackupDomainController) {
        ShowFlag(dialog, IDC_NL_UPDATE, NetlogonValue(kUpdate).range.defaultValue);
        SelectListValue(dialog, IDC_NL_RANDOMIZE, NetlogonValue(kRandomize).range,
                        NetlogonValue(kRandomize).range.defaultValue);
    }
    if (role == RoleServer) {
        ShowFlag(dialog, IDC_NL_DISABLE, NetlogonValue(kDisable).range.defaultValue);
        EnablePasswordAgeControls(dialog, TRUE);
    }
    ShowDays(dialog, NetlogonValue(kDays).range.defaultValue);
}

// A box that was unavailable at opening stands for a value the server does not have: it is
// left as it is rather than created. The value's bit when it is to be left out.
ValueSelection LeaveOutUnavailable(HWND dialog, int index, int controlId)
{
    return IsWindowEnabled(GetDlgItem(dialog, controlId)) ? 0 : 1u << index;
}

// The values of the role's layout (the model leaves out the others' values); the selection
// leaves out the flags the server lacks.
ValueSelection CollectNetlogonValues(HWND dialog, ServerRole role, ValueData *values)
{
    ValueSelection unavailable = 0;
    if (IsController(role)) {
        int scripts = ScriptsOf(role);
        GetDlgItemTextA(dialog, IDC_NL_SCRIPTS, values[scripts].text,
                        NetlogonValue(scripts).limit + 1);
        unavailable |= LeaveOutUnavailable(dialog, kRefuse, IDC_NL_REFUSE);
        values[kRefuse].number = GetCheck(dialog, IDC_NL_REFUSE);
    }
    if (role == RolePrimaryDomainController)
        values[kPulse].number = GetListValue(dialog, IDC_NL_PULSE, NetlogonValue(kPulse).range);
    if (role == RoleBackupDomainController) {
        values[kUpdate].number = GetCheck(dialog, IDC_NL_UPDATE);
        values[kRandomize].number =
            GetListValue(dialog, IDC_NL_RANDOMIZE, NetlogonValue(kRandomize).range);
    }
    if (role == RoleServer) {
        unavailable |= LeaveOutUnavailable(dialog, kDisable, IDC_NL_DISABLE);
        values[kDisable].number = GetCheck(dialog, IDC_NL_DISABLE);
    }
    // Taken as unsigned, so that a negative entry comes to the upper bound.
    long days = ReadDecimalField(dialog, IDC_NL_DAYS);
    values[kDays].number = days == 0 ? NetlogonValue(kDays).range.defaultValue : (DWORD)days;
    return kEveryValue & ~unavailable;
}

void WriteNetlogon(HWND dialog)
{
    ValueData values[kNetlogonValueCount] = {};
    ValueSelection selected = CollectNetlogonValues(dialog, GetServerRole(), values);
    WritePolicyForDialog(dialog, kNetlogonPolicy, values, selected);
}

}  // namespace

INT_PTR CALLBACK NetlogonServiceDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    ServerRole role = GetServerRole();
    switch (message) {
    case WM_INITDIALOG:
        OpenNetlogon(dialog);
        return 0;
    case WM_CLOSE:
        return ClosePolicyDialog(dialog);
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
        case IDCANCEL:
        case IDC_DEFAULT:
            return PressPolicyButton(dialog, LOWORD(wParam), WriteNetlogon, ShowNetlogonDefaults);
        case IDC_NL_UPDATE:
            if (role == RoleBackupDomainController)
                FlipCheck(dialog, IDC_NL_UPDATE);
            return 1;
        case IDC_NL_REFUSE:
            if (IsController(role))
                FlipCheck(dialog, IDC_NL_REFUSE);
            return 1;
        case IDC_NL_DISABLE:
            if (role == RoleServer)
                EnablePasswordAgeControls(dialog, !FlipCheck(dialog, IDC_NL_DISABLE));
            return 1;
        }
        break;
    }
    return 0;
}
