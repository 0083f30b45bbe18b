// Placeholder Policy page until it lands; delete this file when it does.
#include "app/tabhost.h"
#include "policy/policy.h"

INT_PTR CALLBACK PolicyTabProc(HWND page, UINT message, WPARAM, LPARAM)
{
    if (message == WM_INITDIALOG)
        PlacePage(page, SWP_SHOWWINDOW);
    return 0;
}
