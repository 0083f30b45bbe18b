// Alerter Service: the header of alert messages and the cache of clients not on the network.
#include "policies/policies.h"

#include "policy/policy.h"
#include "resources/resource.h"

namespace {

const PolicyKey kAlerterKeys[] = {
    { "Alerter", "SYSTEM\\CurrentControlSet\\Services\\Alerter\\Parameters", AccessNumbered },
};

// A stored count of 999 or more shows as 995, the last entry of the list.
const ValueModel kAlerterValues[] = {
    FlagValue("IncludeMessageHeader", 0, Numbered(2, 3, 2)),
    ListValue("CountNotOnNetworkCache", { 0, 995, 5, 10 }, Numbered(4, 5, 3)),
    ListValue("NotOnNetworkCacheTimeout", { 0, 3600, 10, 120 }, Numbered(6, 7, 4)),
};

}  // namespace

extern const PolicyModel kAlerterPolicy = {
    "alerter", IDS_ALERTER, kAlerterKeys, ARRAYSIZE(kAlerterKeys),
    kAlerterValues, ARRAYSIZE(kAlerterValues), NULL,
};

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
