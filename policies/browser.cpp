// Computer Browser Service: how often the browse lists are brought up to date, how long a former
// backup browser waits, and whether the service logs more.
#include "policies/policies.h"

#include "policy/policy.h"
#include "resources/resource.h"

namespace {

const PolicyText kTexts[] = {
    { IDC_BRW_LOG_GROUP, IDS_BRW_LOG_GROUP },
    { IDC_BRW_LOG_TEXT, IDS_BRW_LOG_TEXT },
    { IDC_BRW_MORE_LOG, IDS_BRW_MORE_LOG },
    { IDC_BRW_MASTER_GROUP, IDS_BRW_MASTER_GROUP },
    { IDC_BRW_MASTER_TEXT, IDS_BRW_MASTER_TEXT },
    { IDC_BRW_MASTER_LABEL, IDS_BRW_MASTER_LABEL },
    { IDC_BRW_BACKUP_GROUP, IDS_BRW_BACKUP_GROUP },
    { IDC_BRW_BACKUP_TEXT, IDS_BRW_BACKUP_TEXT },
    { IDC_BRW_BACKUP_LABEL, IDS_BRW_BACKUP_LABEL },
    { IDC_BRW_RECOVERY_TEXT, IDS_BRW_RECOVERY_TEXT },
    { IDC_BRW_RECOVERY_LABEL, IDS_BRW_RECOVERY_LABEL },
};

const int kControlIds[] = {
    IDC_BRW_MASTER_UPDATE, IDC_BRW_BACKUP_UPDATE, IDC_BRW_RECOVERY, IDC_BRW_MORE_LOG,
};

const PolicyDialogSpec kDialog = {
    &kBrowserPolicy, kControlIds, kTexts, ARRAYSIZE(kTexts), NULL,
};

}  // namespace

INT_PTR CALLBACK BrowserServiceDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    return HandlePolicyDialog(kDialog, dialog, message, wParam, lParam);
}
