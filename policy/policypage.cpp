// The Policy page: the fixed table of policies, the sorted list of their names with the
// description of the selected one, and the opening of a policy's dialog.
#include "policy/policy.h"

#include <string.h>

#include "app/tabhost.h"
#include "connection/target.h"
#include "policies/policies.h"
#include "resources/resource.h"

namespace {

enum { kDescriptionChars = 451 };

// In table order; the list shows them sorted by name.
#define KORVID_PAGE_ROW(model, dialogId, dialogProc, descriptionId) \
    { (int)model.nameId, descriptionId, "", dialogId, dialogProc },
PolicyEntry policyTable[kPolicyCount] = { KORVID_POLICY_ROWS(KORVID_PAGE_ROW) };
#undef KORVID_PAGE_ROW

WNDPROC previousListProc;
char propertiesPrefix[kTextChars];

// The Netlogon dialog has one layout per server role.
int NetlogonDialogId()
{
    switch (GetServerRole()) {
    case RolePrimaryDomainController:
        return IDD_NETLOGON_PDC;
    case RoleBackupDomainController:
        return IDD_NETLOGON_BDC;
    case RoleServer:
        break;
    }
    return IDD_NETLOGON_SERVER;
}

// The row of the list's selection, or -1.
int FindSelectedPolicy()
{
    HWND list = GetPolicyList();
    if (!list)
        return -1;
    LRESULT selection = SendMessageA(list, LB_GETCURSEL, 0, 0);
    if (selection == LB_ERR)
        return -1;
    char text[kTextChars] = "";
    LRESULT length = SendMessageA(list, LB_GETTEXTLEN, selection, 0);
    if (length == LB_ERR || length >= kTextChars)
        return -1;
    if (SendMessageA(list, LB_GETTEXT, selection, (LPARAM)text) == LB_ERR)
        return -1;
    return FindPolicyByText(text);
}

// EndDialog gives the focus while the dialog's loop still runs, and an activation change that the
// windowing system reports late can take it away again before that loop ends. Given again here,
// with the dialog gone and the main window enabled, it is certain.
void GiveFocusBack()
{
    HWND target = GetSavedFocus();
    if (target && IsWindow(target) && GetFocus() != target)
        SetFocus(target);
}

void OpenSelectedPolicy(HWND page)
{
    int row = FindSelectedPolicy();
    if (row < 0)
        return;
    PolicyEntry &entry = policyTable[row];
    if (entry.nameId == IDS_NETLOGON)
        entry.dialogId = NetlogonDialogId();
    if (!entry.dialogProc)
        return;
    EnableMainButtons(FALSE);
    // Where the main window puts the focus whenever it is activated; a lost connection moves it
    // to "&Select...".
    SetSavedFocus(GetPolicyList());
    DialogBoxParamA(GetAppInstance(), MAKEINTRESOURCEA(entry.dialogId), page, entry.dialogProc, 0);
    EnableMainButtons(TRUE);
    GiveFocusBack();
}

void ShowSelectedDescription(HWND page)
{
    int row = FindSelectedPolicy();
    if (row >= 0)
        ShowPolicyDescription(page, policyTable[row].descriptionId);
}

void FillPolicyList(HWND list)
{
    for (PolicyEntry &entry : policyTable) {
        memset(entry.text, 0, sizeof(entry.text));
        LoadAppString(entry.nameId, entry.text);
        if (list)
            SendMessageA(list, LB_ADDSTRING, 0, (LPARAM)entry.text);
    }
}

BOOL OpenPolicyPage(HWND page)
{
    SetItemString(page, IDC_POL_FOR, IDS_POLICY_FOR);
    HWND list = GetDlgItem(page, IDC_POL_LIST);
    SetPolicyPageControls(list, GetDlgItem(page, IDC_POL_PROPERTIES));
    if (list)
        previousListProc = (WNDPROC)SetWindowLongPtrA(list, GWLP_WNDPROC, (LONG_PTR)PolicyListProc);
    FillPolicyList(list);
    PlacePage(page, SWP_SHOWWINDOW);
    SetItemString(page, IDC_POL_PROPERTIES, IDS_PROPERTIES_BUTTON);
    SetItemString(page, IDC_POL_DESCR_GROUP, IDS_DESCRIPTION_GROUP);
    if (!list)
        return TRUE;
    UpdateWindow(page);
    LoadAppString(IDS_PROPERTIES_OF, propertiesPrefix);
    return FALSE;
}

INT_PTR PolicyPageCommand(HWND page, WPARAM wParam)
{
    HWND list = GetPolicyList();
    if (HIWORD(wParam) == LBN_DBLCLK) {
        if (list)
            SendMessageA(page, WM_COMMAND, IDC_POL_PROPERTIES, 0);
        return 1;
    }
    switch (LOWORD(wParam)) {
    case IDC_POL_PROPERTIES:
        OpenSelectedPolicy(page);
        return 1;
    case IDC_POL_DESCR_GROUP:
        ShowSelectedDescription(page);
        return 1;
    }
    return list ? 0 : 1;
}

}  // namespace

PolicyEntry &GetPolicyEntry(int index)
{
    return policyTable[index];
}

int FindPolicyByText(const char *text)
{
    for (int i = 0; i < kPolicyCount; ++i)
        if (strcmp(policyTable[i].text, text) == 0)
            return i;
    return -1;
}

void ShowPolicyDescription(HWND page, int descriptionId)
{
    char description[kDescriptionChars];
    LoadAppString(descriptionId, description, sizeof(description));
    SetDlgItemTextA(page, IDC_POL_DESCR, description);
}

const char *PropertiesPrefix()
{
    // A dialog opened before the page ever was still gets its title's first word.
    if (!propertiesPrefix[0])
        LoadAppString(IDS_PROPERTIES_OF, propertiesPrefix);
    return propertiesPrefix;
}

// The list tells the page about every selection by mouse or key, and opens on Enter; both
// before the list handles the message itself.
LRESULT CALLBACK PolicyListProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam)
{
    HWND page = GetParent(list);
    if (message == WM_LBUTTONUP || message == WM_KEYUP)
        SendMessageA(page, WM_COMMAND, IDC_POL_DESCR_GROUP, 0);
    else if (message == WM_KEYDOWN && wParam == VK_RETURN)
        SendMessageA(page, WM_COMMAND, IDC_POL_PROPERTIES, 0);
    return CallWindowProcA(previousListProc, list, message, wParam, lParam);
}

INT_PTR CALLBACK PolicyTabProc(HWND page, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        return OpenPolicyPage(page);
    case WM_SETFOCUS:
        SetFocus(page);
        return 0;
    case WM_COMMAND:
        return PolicyPageCommand(page, wParam);
    }
    return 0;
}
