// File Name Space Mapping: how the server maps UNIX file names for clients that need 8.3-style
// or Windows NT-style names, and the separator that marks a mapped name.
#include "policies/policies.h"

#include "policy/policy.h"
#include "resources/resource.h"

namespace {

// The description's values, in its order.
enum { kSuffixLength, kMapping, kMixedCase, kTruncate, kSeparator };

// NameSpaceMapping's two bits.
const DWORD kShortNames = 1;
const DWORD kLongNames = 2;

const PolicyText kTexts[] = {
    { IDC_NS_MAPPING_GROUP, IDS_NS_MAPPING_GROUP },
    { IDC_NS_MAPPING_TEXT, IDS_NS_MAPPING_TEXT },
    { IDC_NS_SHORT_NAMES, IDS_NS_SHORT_NAMES },
    { IDC_NS_LONG_NAMES, IDS_NS_LONG_NAMES },
    { IDC_NS_SUFFIX_GROUP, IDS_NS_SUFFIX_GROUP },
    { IDC_NS_SUFFIX_TEXT, IDS_NS_SUFFIX_TEXT },
    { IDC_NS_SUFFIX_LABEL, IDS_NS_SUFFIX_LABEL },
    { IDC_NS_SUFFIX_UNIT, IDS_NS_SUFFIX_UNIT },
    { IDC_NS_CASE_GROUP, IDS_NS_CASE_GROUP },
    { IDC_NS_MIXED_CASE, IDS_NS_MIXED_CASE },
    { IDC_NS_CASE_TEXT, IDS_NS_CASE_TEXT },
    { IDC_NS_EXT_GROUP, IDS_NS_EXT_GROUP },
    { IDC_NS_EXT_TEXT, IDS_NS_EXT_TEXT },
    { IDC_NS_TRUNCATE, IDS_NS_TRUNCATE },
    { IDC_NS_SEP_GROUP, IDS_NS_SEP_GROUP },
    { IDC_NS_SEP_TEXT, IDS_NS_SEP_TEXT },
    { IDC_NS_SEP_LABEL, IDS_NS_SEP_LABEL },
};

// Truncated extensions matter only to 8.3-style names, the separator only to Windows NT-style.
const int kExtensionGroup[] = { IDC_NS_EXT_GROUP, IDC_NS_EXT_TEXT, IDC_NS_TRUNCATE };
const int kSeparatorGroup[] = { IDC_NS_SEP_GROUP, IDC_NS_SEP_TEXT, IDC_NS_SEP_LABEL,
                                IDC_NS_SEPARATOR };

const ValueModel &MappingValue(int index)
{
    return kNameSpacePolicy.values[index];
}

void EnableMappingGroups(HWND dialog, DWORD mapping)
{
    if (mapping > MappingValue(kMapping).range.upper)
        return;
    EnablePolicyControls(dialog, kExtensionGroup, ARRAYSIZE(kExtensionGroup),
                         (mapping & kShortNames) != 0);
    EnablePolicyControls(dialog, kSeparatorGroup, ARRAYSIZE(kSeparatorGroup),
                         (mapping & kLongNames) != 0);
}

void CheckMapping(HWND dialog, DWORD mapping)
{
    SetCheck(dialog, IDC_NS_SHORT_NAMES, (mapping & kShortNames) != 0);
    SetCheck(dialog, IDC_NS_LONG_NAMES, (mapping & kLongNames) != 0);
}

DWORD GetMapping(HWND dialog)
{
    return (GetCheck(dialog, IDC_NS_SHORT_NAMES) ? kShortNames : 0)
         | (GetCheck(dialog, IDC_NS_LONG_NAMES) ? kLongNames : 0);
}

// Every control from values as shown (read or defaults), the suffix list already filled.
void ShowMapping(HWND dialog, const ValueData *values)
{
    CheckMapping(dialog, values[kMapping].number);
    SelectListValue(dialog, IDC_NS_SUFFIX, MappingValue(kSuffixLength).range,
                    values[kSuffixLength].number);
    SetCheck(dialog, IDC_NS_MIXED_CASE, values[kMixedCase].number != 0);
    SetCheck(dialog, IDC_NS_TRUNCATE, values[kTruncate].number != 0);
    SetDlgItemTextA(dialog, IDC_NS_SEPARATOR, values[kSeparator].text);
}

void OpenNameSpaceMapping(HWND dialog)
{
    PolicyRead read;
    if (!ReadPolicyForDialog(dialog, kNameSpacePolicy, &read))
        return;
    ValueData shown[kMaxPolicyValues];
    for (int i = 0; i < kNameSpacePolicy.valueCount; ++i) {
        shown[i].number = ShownNumber(MappingValue(i), read.values[i]);
        ShowText(MappingValue(i), read.values[i].data.text, shown[i].text, sizeof(shown[i].text));
    }
    FillNumberList(dialog, IDC_NS_SUFFIX, MappingValue(kSuffixLength).range,
                   shown[kSuffixLength].number);
    ShowMapping(dialog, shown);
    SendDlgItemMessageA(dialog, IDC_NS_SEPARATOR, EM_LIMITTEXT, MappingValue(kSeparator).limit, 0);
    SetPolicyTexts(dialog, kTexts, ARRAYSIZE(kTexts));
    SetPolicyTitle(dialog, IDS_NAME_SPACE);
    DisableOkAndDefaultWithoutAccess(dialog);
    UpdateWindow(dialog);
    EnableMappingGroups(dialog, shown[kMapping].number);
    FocusPolicyControl(dialog, IDCANCEL);
}

void ShowDefaults(HWND dialog)
{
    ValueData defaults[kMaxPolicyValues];
    for (int i = 0; i < kNameSpacePolicy.valueCount; ++i)
        GetDefaultValue(MappingValue(i), &defaults[i]);
    ShowMapping(dialog, defaults);
    EnableMappingGroups(dialog, defaults[kMapping].number);
}

// The separator is checked even while its group is disabled: it is written all the same.
BOOL AcceptSeparator(HWND dialog, const char *separator)
{
    const char *defaultText = MappingValue(kSeparator).defaultText;
    CheckedValue checked;
    CheckText(MappingValue(kSeparator), separator, &checked);
    if (checked.check == CheckEmpty) {
        RefuseTypedText(dialog, IDC_NS_SEPARATOR, defaultText, "Separator is not entered.");
        return FALSE;
    }
    if (checked.check == CheckCharacter) {
        RefuseTypedText(dialog, IDC_NS_SEPARATOR, defaultText,
                        "The character '%c' is not a tilde or alpha-numerical", checked.refused);
        return FALSE;
    }
    return TRUE;
}

void WriteNameSpaceMapping(HWND dialog)
{
    ValueData values[kMaxPolicyValues] = {};
    GetDlgItemTextA(dialog, IDC_NS_SEPARATOR, values[kSeparator].text,
                    MappingValue(kSeparator).limit + 1);
    if (!AcceptSeparator(dialog, values[kSeparator].text))
        return;
    values[kSuffixLength].number =
        GetListValue(dialog, IDC_NS_SUFFIX, MappingValue(kSuffixLength).range);
    values[kMapping].number = GetMapping(dialog);
    values[kMixedCase].number = GetCheck(dialog, IDC_NS_MIXED_CASE);
    values[kTruncate].number = GetCheck(dialog, IDC_NS_TRUNCATE);
    WritePolicyForDialog(dialog, kNameSpacePolicy, values, kEveryValue);
}

}  // namespace

INT_PTR CALLBACK NameSpaceMappingDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        OpenNameSpaceMapping(dialog);
        return 0;
    case WM_CLOSE:
        return ClosePolicyDialog(dialog);
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
        case IDCANCEL:
        case IDC_DEFAULT:
            return PressPolicyButton(dialog, LOWORD(wParam), WriteNameSpaceMapping, ShowDefaults);
        case IDC_NS_SHORT_NAMES:
        case IDC_NS_LONG_NAMES:
            FlipCheck(dialog, LOWORD(wParam));
            EnableMappingGroups(dialog, GetMapping(dialog));
            return 1;
        case IDC_NS_MIXED_CASE:
        case IDC_NS_TRUNCATE:
            FlipCheck(dialog, LOWORD(wParam));
            return 1;
        }
        break;
    }
    return 0;
}
