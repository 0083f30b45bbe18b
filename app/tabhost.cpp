// The tab control's pages. One page window exists at a time and is created anew at every tab
// change, so each page reads its data afresh.
#include "app/tabhost.h"

#include <commctrl.h>
#include <lm.h>

#include "app/shell.h"
#include "connection/target.h"
#include "pages/pages.h"
#include "policy/policy.h"
#include "resources/resource.h"

namespace {

TabPageEntry tabPages[] = {
    {TRUE, IDD_VERSION_PAGE, VersionTabProc, IDS_TAB_VERSION},
    {FALSE, IDD_POLICY_PAGE, PolicyTabProc, IDS_TAB_POLICY},
};

// The Policy page is offered only for a Velmor Server that has a role in a domain.
void DecideShownPages()
{
    const TargetComputer &computer = Target();
    tabPages[0].shown = TRUE;
    tabPages[1].shown = HasDomainPolicies(computer.platformKind, computer.serverType);
}

void InsertTab(HWND tabControl, int index, UINT captionId)
{
    char caption[30];
    LoadAppString(captionId, caption, sizeof(caption));
    TCITEMA item = {};
    item.mask = TCIF_TEXT | TCIF_PARAM;
    item.pszText = caption;
    item.cchTextMax = sizeof(caption);
    item.lParam = index;
    SendMessageA(tabControl, TCM_INSERTITEMA, index, reinterpret_cast<LPARAM>(&item));
}

}  // namespace

TabPageHost *GetTabPageHost(HWND mainWindow)
{
    return mainWindow ? reinterpret_cast<TabPageHost *>(GetWindowLongPtrA(mainWindow, GWLP_USERDATA)) : NULL;
}

void DestroyTabPages(HWND mainWindow)
{
    TabPageHost *host = GetTabPageHost(mainWindow);
    if (!host)
        return;
    if (host->currentPage)
        DestroyWindow(host->currentPage);
    SendMessageA(host->tabControl, TCM_DELETEALLITEMS, 0, 0);
    SetWindowLongPtrA(mainWindow, GWLP_USERDATA, 0);
    LocalFree(host);
}

LPCDLGTEMPLATEA LoadDialogTemplate(int dialogId)
{
    HINSTANCE instance = GetAppInstance();
    HRSRC resource = FindResourceA(instance, MAKEINTRESOURCEA(dialogId), MAKEINTRESOURCEA(5) /* RT_DIALOG */);
    HGLOBAL loaded = resource ? LoadResource(instance, resource) : NULL;
    return loaded ? static_cast<LPCDLGTEMPLATEA>(LockResource(loaded)) : NULL;
}

BOOL GetPageRect(HWND tabControl, RECT *rect)
{
    if (!GetWindowRect(tabControl, rect))
        return FALSE;
    SendMessageA(tabControl, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(rect));
    MapWindowPoints(NULL, GetParent(tabControl), reinterpret_cast<POINT *>(rect), 2);
    return TRUE;
}

int BuildTabPages(HWND mainWindow, HWND tabControl)
{
    DecideShownPages();
    DestroyTabPages(mainWindow);
    TabPageHost *host = static_cast<TabPageHost *>(LocalAlloc(LPTR, sizeof(TabPageHost)));
    if (!host)
        return 0;
    SetWindowLongPtrA(mainWindow, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(host));
    host->tabControl = tabControl;
    int shown = 0;
    for (const TabPageEntry &entry : tabPages) {
        if (!entry.shown || shown >= kMaxTabPages)
            continue;
        host->pageTemplates[shown] = LoadDialogTemplate(entry.dialogId);
        host->pageProcs[shown] = entry.pageProc;
        InsertTab(tabControl, shown, entry.captionId);
        ++shown;
    }
    GetPageRect(tabControl, &host->pageRect);
    return 1;
}

void ShowTabPage(HWND mainWindow, int index)
{
    TabPageHost *host = GetTabPageHost(mainWindow);
    if (!host)
        return;
    if (host->currentPage) {
        DestroyWindow(host->currentPage);
        host->currentPage = NULL;
    }
    if (index < 0 || index >= kMaxTabPages || !host->pageTemplates[index])
        return;
    host->currentPage = CreateDialogIndirectParamA(GetAppInstance(), host->pageTemplates[index], mainWindow,
                                                   host->pageProcs[index], 0);
}

void PlacePage(HWND page, UINT flags)
{
    TabPageHost *host = GetTabPageHost(GetParent(page));
    if (!host)
        return;
    const RECT &r = host->pageRect;
    // Above the tab control, which is its sibling.
    SetWindowPos(page, HWND_TOP, r.left, r.top, r.right - r.left, r.bottom - r.top, flags);
}
