// Placeholder tools and About box until they land; delete this file when they do.
#include "app/shell.h"

BOOL LaunchTool(HWND, int) { return FALSE; }

INT_PTR CALLBACK AboutDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    if (message == WM_COMMAND && LOWORD(wParam) == IDOK)
        EndDialog(dialog, 0);
    return 0;
}
