// Alerter Service: the header of alert messages and the cache of clients not on the network.
#include "policies/policies.h"

#include "policy/policy.h"
#include "resources/resource.h"

namespace {

const PolicyText kTexts[] = {
    { IDC_ALR_HEADER_TEXT, IDS_ALR_HEADER_TEXT },
    { IDC_ALR_HEADER, IDS_ALR_HEADER },
    { IDC_ALR_CACHE_TEXT, IDS_ALR_CACHE_TEXT },
    { IDC_ALR_CLIENTS_GROUP, IDS_ALR_CLIENTS_GROUP },
    { IDC_ALR_COUNT_LABEL, IDS_ALR_COUNT_LABEL },
    { IDC_ALR_TIMEOUT_LABEL, IDS_ALR_TIMEOUT_LABEL },
};

const int kControlIds[] = { IDC_ALR_HEADER, IDC_ALR_COUNT, IDC_ALR_TIMEOUT };

const PolicyDialogSpec kDialog = {
    &kAlerterPolicy, kControlIds, kTexts, ARRAYSIZE(kTexts), NULL,
};

}  // namespace

INT_PTR CALLBACK AlerterServiceDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    return HandlePolicyDialog(kDialog, dialog, message, wParam, lParam);
}
