// Server Announcement: whether the server announces itself, how often, and whether down-level
// LAN Manager servers hear it too.
#include "policies/policies.h"

#include "policy/policy.h"
#include "resources/resource.h"

namespace {

const PolicyText kTexts[] = {
    { IDC_ANN_ANNOUNCE, IDS_ANN_ANNOUNCE },
    { IDC_ANN_SERVER_GROUP, IDS_ANN_SERVER_GROUP },
    { IDC_ANN_TEXT, IDS_ANN_TEXT },
    { IDC_ANN_FREQUENCY_LABEL, IDS_ANN_FREQUENCY_LABEL },
    { IDC_ANN_LM, IDS_ANN_LM },
};

// A hidden server makes no announcements, so their settings are greyed (and still written).
const int kAnnouncementControls[] = {
    IDC_ANN_SERVER_GROUP, IDC_ANN_TEXT, IDC_ANN_FREQUENCY_LABEL, IDC_ANN_FREQUENCY, IDC_ANN_LM,
};

void EnableAnnouncementControls(HWND dialog, int hidden)
{
    EnablePolicyControls(dialog, kAnnouncementControls, ARRAYSIZE(kAnnouncementControls),
                         hidden != 1);
}

void ShowAnnouncementDependents(HWND dialog)
{
    EnableAnnouncementControls(dialog, InvertCheck(GetCheck(dialog, IDC_ANN_ANNOUNCE)));
}

const int kControlIds[] = { IDC_ANN_ANNOUNCE, IDC_ANN_FREQUENCY, IDC_ANN_LM };

const PolicyDialogSpec kDialog = {
    &kAnnouncePolicy, kControlIds, kTexts, ARRAYSIZE(kTexts), ShowAnnouncementDependents,
};

}  // namespace

INT_PTR CALLBACK ServerAnnouncementDlgProc(HWND dialog, UINT message, WPARAM wParam,
                                           LPARAM lParam)
{
    return HandlePolicyDialog(kDialog, dialog, message, wParam, lParam);
}
