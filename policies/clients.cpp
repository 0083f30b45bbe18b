// Connected Clients: how often the server asks its clients whether they are still active (the
// Netlogon service's key) and after how long it drops an inactive one (the server's key).
#include "policies/policies.h"

#include "policy/policy.h"
#include "resources/resource.h"

namespace {

// The description's values, in its order: three intervals, then the disconnection.
const int kIntervalControls[] = { IDC_CC_QUERY, IDC_CC_DELAY, IDC_CC_WAIT };
enum { kIntervalCount = ARRAYSIZE(kIntervalControls), kAutoDisconnect = kIntervalCount };

// AutoDisconnect is chosen in whole hours; with no disconnection the list still shows the
// first hour, ready for when the box is checked.
const NumberList kHours = { 1, 60, 1, 0 };
const DWORD kMinutesPerHour = 60;

const PolicyText kTexts[] = {
    { IDC_CC_ACTIVE_GROUP, IDS_CC_ACTIVE_GROUP },
    { IDC_CC_QUERY_TEXT, IDS_CC_QUERY_TEXT },
    { IDC_CC_QUERY_LABEL, IDS_CC_QUERY_LABEL },
    { IDC_CC_DELAY_TEXT, IDS_CC_DELAY_TEXT },
    { IDC_CC_DELAY_LABEL, IDS_CC_DELAY_LABEL },
    { IDC_CC_WAIT_TEXT, IDS_CC_WAIT_TEXT },
    { IDC_CC_WAIT_LABEL, IDS_CC_WAIT_LABEL },
    { IDC_CC_DISCONNECT_GROUP, IDS_CC_DISCONNECT_GROUP },
    { IDC_CC_DISCONNECT, IDS_CC_DISCONNECT },
    { IDC_CC_AFTER, IDS_CC_AFTER },
    { IDC_CC_INACTIVITY, IDS_CC_INACTIVITY },
};

const int kDisconnectControls[] = { IDC_CC_AFTER, IDC_CC_HOURS, IDC_CC_INACTIVITY };

void EnableAutoDisconnectControls(HWND dialog, BOOL enable)
{
    EnablePolicyControls(dialog, kDisconnectControls, ARRAYSIZE(kDisconnectControls), enable);
}

void ShowDisconnect(HWND dialog, DWORD hours)
{
    CheckDlgButton(dialog, IDC_CC_DISCONNECT, hours != 0 ? BST_CHECKED : BST_UNCHECKED);
    FillNumberList(dialog, IDC_CC_HOURS, kHours, hours);
}

void OpenConnectedClients(HWND dialog)
{
    PolicyRead read;
    if (!ReadPolicyForDialog(dialog, kClientsPolicy, &read))
        return;
    for (int i = 0; i < kIntervalCount; ++i)
        FillNumberList(dialog, kIntervalControls[i], kClientsPolicy.values[i].range,
                       read.values[i].data.number);
    SetPolicyTexts(dialog, kTexts, ARRAYSIZE(kTexts));
    ShowDisconnect(dialog, ShownNumber(kClientsPolicy.values[kAutoDisconnect], read.values[kAutoDisconnect])
                               / kMinutesPerHour);
    SetPolicyTitle(dialog, IDS_CONNECTED_CLIENTS);
    DisableOkAndDefaultWithoutAccess(dialog);
    UpdateWindow(dialog);
    EnableAutoDisconnectControls(dialog, GetCheck(dialog, IDC_CC_DISCONNECT));
    FocusPolicyControl(dialog, IDCANCEL);
}

void ShowClientDefaults(HWND dialog)
{
    for (int i = 0; i < kIntervalCount; ++i)
        SelectListValue(dialog, kIntervalControls[i], kClientsPolicy.values[i].range,
                        kClientsPolicy.values[i].range.defaultValue);
    CheckDlgButton(dialog, IDC_CC_DISCONNECT, BST_UNCHECKED);
    SelectListValue(dialog, IDC_CC_HOURS, kHours, kHours.lower);
    EnableAutoDisconnectControls(dialog, FALSE);
}

DWORD CollectDisconnectMinutes(HWND dialog)
{
    if (!GetCheck(dialog, IDC_CC_DISCONNECT))
        return 0;
    return GetListValue(dialog, IDC_CC_HOURS, kHours) * kMinutesPerHour;
}

void WriteConnectedClients(HWND dialog)
{
    ValueData values[kMaxPolicyValues];
    for (int i = 0; i < kIntervalCount; ++i)
        values[i].number = GetListValue(dialog, kIntervalControls[i], kClientsPolicy.values[i].range);
    values[kAutoDisconnect].number = CollectDisconnectMinutes(dialog);
    WritePolicyForDialog(dialog, kClientsPolicy, values, kEveryValue);
}

}  // namespace

INT_PTR CALLBACK ConnectedClientsDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        OpenConnectedClients(dialog);
        return 0;
    case WM_CLOSE:
        return ClosePolicyDialog(dialog);
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
        case IDCANCEL:
        case IDC_DEFAULT:
            return PressPolicyButton(dialog, LOWORD(wParam), WriteConnectedClients,
                                     ShowClientDefaults);
        case IDC_CC_DISCONNECT:
            EnableAutoDisconnectControls(dialog, FlipCheck(dialog, IDC_CC_DISCONNECT));
            return 1;
        }
        break;
    }
    return 0;
}
