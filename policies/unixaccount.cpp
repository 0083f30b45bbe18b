// UNIX Account Mapping: whether the server creates a UNIX account for every new user.
#include "policies/policies.h"

#include "policy/policy.h"
#include "resources/resource.h"

namespace {

const PolicyText kTexts[] = {
    { IDC_UAM_TEXT, IDS_UAM_TEXT },
    { IDC_UAM_CREATE, IDS_UAM_CREATE },
};

const int kControlIds[] = { IDC_UAM_CREATE };

const PolicyDialogSpec kDialog = {
    &kUnixAccountPolicy, kControlIds, kTexts, ARRAYSIZE(kTexts), NULL,
};

}  // namespace

INT_PTR CALLBACK UnixAccountMappingDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    return HandlePolicyDialog(kDialog, dialog, message, wParam, lParam);
}
