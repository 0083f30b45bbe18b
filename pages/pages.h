#ifndef KORVID_PAGES_H
#define KORVID_PAGES_H

#include <windows.h>

INT_PTR CALLBACK VersionTabProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);

#endif
