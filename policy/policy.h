// The Policy page, the policy table, and the protocol every policy dialog follows.
#ifndef KORVID_POLICY_H
#define KORVID_POLICY_H

#include <windows.h>

INT_PTR CALLBACK PolicyTabProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);

#endif
