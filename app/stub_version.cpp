// Placeholder Version page until it lands; delete this file when they do.
#include "app/tabhost.h"
#include "pages/pages.h"

INT_PTR CALLBACK VersionTabProc(HWND page, UINT message, WPARAM, LPARAM)
{
    if (message == WM_INITDIALOG)
        PlacePage(page, SWP_SHOWWINDOW | SWP_NOACTIVATE);
    return 0;
}
