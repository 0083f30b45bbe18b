// Users Alerts: how many violations of each kind the server tolerates before it alerts.
#include "policies/policies.h"

#include "policy/policy.h"
#include "resources/resource.h"

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
