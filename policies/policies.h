// The ten policies' dialogs: their procedures, from the policies' table (model/model.h).
#ifndef KORVID_POLICIES_H
#define KORVID_POLICIES_H

#include <windows.h>

#include "model/model.h"

// The dialogs' procedures, one per row of the policies' table.
#define KORVID_DECLARE_POLICY_DIALOG(model, dialogId, dialogProc, descriptionId) \
    INT_PTR CALLBACK dialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
KORVID_POLICY_ROWS(KORVID_DECLARE_POLICY_DIALOG)
#undef KORVID_DECLARE_POLICY_DIALOG

#endif
