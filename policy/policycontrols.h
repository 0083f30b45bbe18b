// The controls of the policy dialogs: number lists, check boxes, texts, title, focus, enabling
// and typed numbers.
#ifndef KORVID_POLICYCONTROLS_H
#define KORVID_POLICYCONTROLS_H

#include <windows.h>

#include "model/model.h"

// Empties and fills the list, then selects the stored value brought into it.
void FillNumberList(HWND dialog, int controlId, const NumberList &list, DWORD stored);
void SelectListValue(HWND dialog, int controlId, const NumberList &list, DWORD value);
// The selected number, or the default when nothing is selected.
DWORD GetListValue(HWND dialog, int controlId, const NumberList &list);

// Sets the box to the opposite of its state; returns the new state (0 or 1).
int FlipCheck(HWND dialog, int controlId);
int GetCheck(HWND dialog, int controlId);
void SetCheck(HWND dialog, int controlId, BOOL checked);
// 1 for 0 or less, else 0: for check boxes that mean the opposite of their value.
int InvertCheck(int value);

// The computer name cut to 17 characters and "..." for titles (one static buffer).
const char *GetShortComputerName();
// "<Properties of> <policy name> - <short computer name>".
void SetPolicyTitle(HWND dialog, UINT nameId);
// Loads string table texts into controls.
struct PolicyText {
    int controlId;
    UINT stringId;
};
void SetPolicyTexts(HWND dialog, const PolicyText *texts, int count);

// Without write access OK and Default are disabled: the dialog then only shows the values.
void DisableOkAndDefaultWithoutAccess(HWND dialog);
// Enables or disables the controls in the given order.
void EnablePolicyControls(HWND dialog, const int *controlIds, int count, BOOL enable);
// Gives a control the focus the way the dialog manager does, so that the default push button
// follows it: Enter presses a focused button, and OK again from a field.
void FocusPolicyControl(HWND dialog, int controlId);

// The number at the start of a field (up to 600 characters): blanks skipped, an optional sign,
// digits up to the first other character; 0 without digits. Saturates instead of overflowing.
long ReadDecimalField(HWND dialog, int controlId);
// A typed text refused at OK: "<reason>\nWill put the default back." (caption the program
// title, information icon), then the field shows its default again; the dialog stays open.
void RefuseTypedText(HWND dialog, int controlId, const char *defaultText, const char *format, ...)
    __attribute__((format(printf, 4, 5)));

#endif
