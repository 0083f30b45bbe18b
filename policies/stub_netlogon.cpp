// Placeholder for the Netlogon Service dialog until it lands: with no template in the resources
// the Policy page opens nothing for it. Delete this file when the dialog lands.
#include "policies/policies.h"

INT_PTR CALLBACK NetlogonServiceDlgProc(HWND, UINT, WPARAM, LPARAM) { return 0; }
