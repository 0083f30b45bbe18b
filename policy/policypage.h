// The Policy page and its table of policies.
#ifndef KORVID_POLICYPAGE_H
#define KORVID_POLICYPAGE_H

#include <windows.h>

#include "app/shell.h"

INT_PTR CALLBACK PolicyTabProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);

// One policy of the Policy page. The list is sorted, so a row is always found by its text.
struct PolicyEntry {
    int nameId;
    int descriptionId;
    char text[kTextChars];   // the name as loaded when the page opens
    int dialogId;            // Netlogon: set from the server role each time it is opened
    DLGPROC dialogProc;      // null while the policy's dialog is not available
};

PolicyEntry &GetPolicyEntry(int index);
// Index of the first row whose text equals text exactly, or -1.
int FindPolicyByText(const char *text);
// Sets control 1105 of the page to the description (cut to 450 characters).
void ShowPolicyDescription(HWND page, int descriptionId);
// "Properties of", the first word of every policy dialog title.
const char *PropertiesPrefix();
LRESULT CALLBACK PolicyListProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam);

#endif
