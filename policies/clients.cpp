// Connected Clients: how often the server asks its clients whether they are still active (the
// Netlogon service's key) and after how long it drops an inactive one (the server's key).
#include "policies/policies.h"

#include "connection/netcalls.h"
#include "policy/policy.h"
#include "resources/resource.h"

namespace {

const PolicyKey kClientKeys[] = {
    { "Clients", "SYSTEM\\CurrentControlSet\\Services\\Netlogon\\Parameters", AccessNamed },
    { "Clients", "SYSTEM\\CurrentControlSet\\Services\\LanmanServer\\Parameters",
      AccessHelpers },
};

// AutoDisconnect is stored in minutes and chosen in whole hours; 0 disconnects nobody. The
// Netlogon key's values are written and flushed before the server key is opened, so a failure
// there leaves them in place.
const ValueModel kClientValues[] = {
    ListValue("LogonQuery", { 60, 3600, 20, 900 }, Named("Query")),
    ListValue("QueryDelay", { 1, 60, 1, 2 }, Named("Delay")),
    ListValue("RelogonDelay", { 1, 60, 1, 2 }, Named("Wait")),
    InKey(1, ListValue("AutoDisconnect", { 0, 3600, 60, 0 }, ByValueName())),
};

}  // namespace

extern const PolicyModel kClientsPolicy = {
    "clients", IDS_CONNECTED_CLIENTS, kClientKeys, ARRAYSIZE(kClientKeys),
    kClientValues, ARRAYSIZE(kClientValues), NULL,
};

namespace {

const PolicyKey kNetlogonKey = {
    "Clients", "SYSTEM\\CurrentControlSet\\Services\\Netlogon\\Parameters", AccessNamed };
const PolicyKey kServerKey = {
    "Clients", "SYSTEM\\CurrentControlSet\\Services\\LanmanServer\\Parameters", AccessHelpers };

// The three intervals of the Netlogon key, in reading and writing order.
struct ClientInterval {
    const char *name;
    const char *word;   // names the value in its messages
    int controlId;
    NumberList range;
};

const ClientInterval kIntervals[] = {
    { "LogonQuery", "Query", IDC_CC_QUERY, { 60, 3600, 20, 900 } },
    { "QueryDelay", "Delay", IDC_CC_DELAY, { 1, 60, 1, 2 } },
    { "RelogonDelay", "Wait", IDC_CC_WAIT, { 1, 60, 1, 2 } },
};
enum { kIntervalCount = ARRAYSIZE(kIntervals) };

// AutoDisconnect is stored in minutes and chosen in whole hours; an empty list disconnects
// nobody.
const char kAutoDisconnect[] = "AutoDisconnect";
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

BOOL ReadIntervals(HWND dialog, DWORD *values)
{
    HKEY handle;
    if (!OpenKeyForReading(dialog, kNetlogonKey, &handle))
        return FALSE;
    for (int i = 0; i < kIntervalCount; ++i) {
        const ClientInterval &interval = kIntervals[i];
        if (!QueryNamedDword(dialog, kNetlogonKey.tag, handle, interval.name, interval.word,
                             &values[i])) {
            AbandonPolicyKey(dialog, handle);
            return FALSE;
        }
    }
    Net().RegCloseKey(handle);
    return TRUE;
}

BOOL ReadDisconnectHours(HWND dialog, DWORD *hours)
{
    HKEY handle;
    DWORD minutes = 0;
    if (!OpenKeyForReading(dialog, kServerKey, &handle))
        return FALSE;
    if (!GetKorvidRegValue(kServerKey.tag, handle, kAutoDisconnect, &minutes, REG_DWORD)) {
        AbandonPolicyKey(dialog, handle);
        return FALSE;
    }
    Net().RegCloseKey(handle);
    *hours = minutes / kMinutesPerHour;
    return TRUE;
}

void ShowDisconnect(HWND dialog, DWORD hours)
{
    if (hours > kHours.upper)
        hours = kHours.upper;
    CheckDlgButton(dialog, IDC_CC_DISCONNECT, hours != 0 ? BST_CHECKED : BST_UNCHECKED);
    // No disconnection still shows the first hour, ready for when the box is checked.
    FillNumberList(dialog, IDC_CC_HOURS, kHours, hours);
}

void OpenConnectedClients(HWND dialog)
{
    DWORD intervals[kIntervalCount] = {};
    DWORD hours = 0;
    if (!ReadIntervals(dialog, intervals) || !ReadDisconnectHours(dialog, &hours))
        return;
    for (int i = 0; i < kIntervalCount; ++i)
        FillNumberList(dialog, kIntervals[i].controlId, kIntervals[i].range, intervals[i]);
    SetPolicyTexts(dialog, kTexts, ARRAYSIZE(kTexts));
    ShowDisconnect(dialog, hours);
    SetPolicyTitle(dialog, IDS_CONNECTED_CLIENTS);
    FinishPolicyOpening(dialog);
    UpdateWindow(dialog);
    EnableAutoDisconnectControls(dialog, GetCheck(dialog, IDC_CC_DISCONNECT));
    FocusPolicyControl(dialog, IDCANCEL);
}

void ShowClientDefaults(HWND dialog)
{
    for (const ClientInterval &interval : kIntervals)
        SelectListValue(dialog, interval.controlId, interval.range, interval.range.defaultValue);
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

// The Netlogon values are written and flushed before the server key is opened, so a failure
// there leaves them in place.
void WriteConnectedClients(HWND dialog)
{
    DWORD intervals[kIntervalCount];
    for (int i = 0; i < kIntervalCount; ++i)
        intervals[i] = GetListValue(dialog, kIntervals[i].controlId, kIntervals[i].range);
    DWORD minutes = CollectDisconnectMinutes(dialog);

    HKEY handle;
    if (!OpenKeyForWriting(dialog, kNetlogonKey, KEY_WRITE, TRUE, &handle))
        return;
    for (int i = 0; i < kIntervalCount; ++i) {
        const ClientInterval &interval = kIntervals[i];
        if (!WriteNamedDword(dialog, kNetlogonKey.tag, handle, interval.name, interval.word,
                             intervals[i])) {
            AbandonPolicyKey(dialog, handle);
            return;
        }
    }
    Net().RegFlushKey(handle);
    Net().RegCloseKey(handle);

    if (!OpenKeyForWriting(dialog, kServerKey, KEY_WRITE, FALSE, &handle))
        return;
    if (SetKorvidRegValue(kServerKey.tag, handle, kAutoDisconnect, &minutes, REG_DWORD))
        FinishPolicyWrites(dialog, handle);
    else
        AbandonPolicyKey(dialog, handle);
}

BOOL ClickConnectedClients(HWND dialog, int controlId)
{
    if (controlId != IDC_CC_DISCONNECT)
        return FALSE;
    EnableAutoDisconnectControls(dialog, FlipCheck(dialog, IDC_CC_DISCONNECT));
    return TRUE;
}

const PolicyProcedure kProcedure = {
    OpenConnectedClients, WriteConnectedClients, ShowClientDefaults, ClickConnectedClients,
};

}  // namespace

INT_PTR CALLBACK ConnectedClientsDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    return HandlePolicyProcedure(kProcedure, dialog, message, wParam, lParam);
}
