// Users Alerts: how many violations of each kind the server tolerates before it alerts.
#include "policies/policies.h"

#include "policy/policy.h"
#include "resources/resource.h"

namespace {

const PolicyKey kViolationKeys[] = {
    { "Violation", "SYSTEM\\CurrentControlSet\\Services\\LanmanServer\\Parameters",
      AccessHelpers },
};

constexpr NumberList kViolations = { 0, 10, 1, 5 };

const ValueModel kViolationValues[] = {
    ListValue("AccessAlert", kViolations, ByValueName()),
    ListValue("ErrorAlert", kViolations, ByValueName()),
    ListValue("LogonAlert", kViolations, ByValueName()),
};

}  // namespace

extern const PolicyModel kUsersAlertsPolicy = {
    "usersalerts", IDS_USERS_ALERTS, kViolationKeys, ARRAYSIZE(kViolationKeys),
    kViolationValues, ARRAYSIZE(kViolationValues), NULL,
};

namespace {

const PolicyText kTexts[] = {
    { IDC_UA_GROUP, IDS_UA_GROUP },
    { IDC_UA_SENTENCE, IDS_UA_SENTENCE },
    { IDC_UA_ACCESS_PREFIX, IDS_UA_MORE_THAN },
    { IDC_UA_ERROR_PREFIX, IDS_UA_MORE_THAN },
    { IDC_UA_LOGON_PREFIX, IDS_UA_MORE_THAN },
    { IDC_UA_ACCESS_SUFFIX, IDS_UA_ACCESS },
    { IDC_UA_ERROR_SUFFIX, IDS_UA_ERROR },
    { IDC_UA_LOGON_SUFFIX, IDS_UA_LOGON },
};

const int kControlIds[] = { IDC_UA_ACCESS, IDC_UA_ERROR, IDC_UA_LOGON };

const PolicyDialogSpec kDialog = {
    &kUsersAlertsPolicy, kControlIds, kTexts, ARRAYSIZE(kTexts), NULL,
};

}  // namespace

INT_PTR CALLBACK UsersAlertsDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    return HandlePolicyDialog(kDialog, dialog, message, wParam, lParam);
}
