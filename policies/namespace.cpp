// File Name Space Mapping: how the server maps UNIX file names for clients that need 8.3-style
// or Windows NT-style names, and the separator that marks a mapped name.
#include "policies/policies.h"

#include <stddef.h>
#include <string.h>

#include "policy/policy.h"
#include "resources/resource.h"

namespace {

const PolicyKey kMappingKeys[] = {
    { "NAMESPACE", "SYSTEM\\CurrentControlSet\\Services\\VelmorServer\\FileServiceParameters",
      AccessHelpers },
};

// Plain ASCII only: the server's clients must all be able to spell a mapped name.
const char kSeparatorCharacters[] =
    "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz~";

// NameSpaceMapping holds the two kinds of mapping as bits (1 8.3-style, 2 Windows NT-style);
// a larger number shows as both. A longer separator is shown cut without a warning.
const ValueModel kMappingValues[] = {
    ListValue("UniqueSuffixLength", { 0, 7, 1, 3 }, ByValueName()),
    ListValue("NameSpaceMapping", { 0, 3, 1, 3 }, ByValueName()),
    FlagValue("MixedCaseSupport", 0, ByValueName()),
    FlagValue("TruncatedExtensions", 1, ByValueName()),
    SeparatorValue("MappingSeparator", 7, "~", kSeparatorCharacters, ByValueName()),
};

}  // namespace

extern const PolicyModel kNameSpacePolicy = {
    "namespace", IDS_NAME_SPACE, kMappingKeys, ARRAYSIZE(kMappingKeys),
    kMappingValues, ARRAYSIZE(kMappingValues), NULL,
};

namespace {

const PolicyKey kKey = {
    "NAMESPACE", "SYSTEM\\CurrentControlSet\\Services\\VelmorServer\\FileServiceParameters",
    AccessHelpers,
};

// NameSpaceMapping holds the two kinds of mapping as bits.
const DWORD kShortNames = 1;
const DWORD kLongNames = 2;
const DWORD kBothMappings = kShortNames | kLongNames;

enum { kSeparatorChars = 7 };
const char kDefaultSeparator[] = "~";

const NumberList kSuffixLengths = { 0, 7, 1, 3 };

struct MappingRecord {
    DWORD suffixLength;
    DWORD mapping;
    DWORD mixedCase;
    DWORD truncatedExtensions;
    char separator[kRegStringChars];
};

const HelperValue kValues[] = {
    { "UniqueSuffixLength", REG_DWORD, offsetof(MappingRecord, suffixLength) },
    { "NameSpaceMapping", REG_DWORD, offsetof(MappingRecord, mapping) },
    { "MixedCaseSupport", REG_DWORD, offsetof(MappingRecord, mixedCase) },
    { "TruncatedExtensions", REG_DWORD, offsetof(MappingRecord, truncatedExtensions) },
    { "MappingSeparator", REG_SZ, offsetof(MappingRecord, separator) },
};

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

void EnableMappingGroups(HWND dialog, DWORD mapping)
{
    if (mapping > kBothMappings)
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

void OpenNameSpaceMapping(HWND dialog)
{
    MappingRecord record = {};
    if (!ReadHelperValues(dialog, kKey, kValues, ARRAYSIZE(kValues), &record))
        return;
    record.separator[kSeparatorChars] = '\0';
    DWORD mapping = record.mapping > kBothMappings ? kBothMappings : record.mapping;
    CheckMapping(dialog, mapping);
    FillNumberList(dialog, IDC_NS_SUFFIX, kSuffixLengths, record.suffixLength);
    SetCheck(dialog, IDC_NS_MIXED_CASE, record.mixedCase != 0);
    SetCheck(dialog, IDC_NS_TRUNCATE, record.truncatedExtensions != 0);
    SetDlgItemTextA(dialog, IDC_NS_SEPARATOR, record.separator);
    SendDlgItemMessageA(dialog, IDC_NS_SEPARATOR, EM_LIMITTEXT, kSeparatorChars, 0);
    SetPolicyTexts(dialog, kTexts, ARRAYSIZE(kTexts));
    SetPolicyTitle(dialog, IDS_NAME_SPACE);
    FinishPolicyOpening(dialog);
    UpdateWindow(dialog);
    EnableMappingGroups(dialog, mapping);
    FocusPolicyControl(dialog, IDCANCEL);
}

void ShowDefaults(HWND dialog)
{
    CheckMapping(dialog, kBothMappings);
    SelectListValue(dialog, IDC_NS_SUFFIX, kSuffixLengths, kSuffixLengths.defaultValue);
    SetCheck(dialog, IDC_NS_MIXED_CASE, FALSE);
    SetCheck(dialog, IDC_NS_TRUNCATE, TRUE);
    SetDlgItemTextA(dialog, IDC_NS_SEPARATOR, kDefaultSeparator);
    EnableMappingGroups(dialog, kBothMappings);
}

// The separator is checked even while its group is disabled: it is written all the same.
BOOL AcceptSeparator(HWND dialog, const char *separator)
{
    if (separator[0] == '\0') {
        RefuseTypedText(dialog, IDC_NS_SEPARATOR, kDefaultSeparator, "Separator is not entered.");
        return FALSE;
    }
    char refused = separator[strspn(separator, kSeparatorCharacters)];
    if (refused != '\0') {
        RefuseTypedText(dialog, IDC_NS_SEPARATOR, kDefaultSeparator,
                        "The character '%c' is not a tilde or alpha-numerical", refused);
        return FALSE;
    }
    return TRUE;
}

void WriteNameSpaceMapping(HWND dialog)
{
    MappingRecord record = {};
    GetDlgItemTextA(dialog, IDC_NS_SEPARATOR, record.separator, kSeparatorChars + 1);
    if (!AcceptSeparator(dialog, record.separator))
        return;
    record.suffixLength = GetListValue(dialog, IDC_NS_SUFFIX, kSuffixLengths);
    record.mapping = GetMapping(dialog);
    record.mixedCase = GetCheck(dialog, IDC_NS_MIXED_CASE);
    record.truncatedExtensions = GetCheck(dialog, IDC_NS_TRUNCATE);
    WriteHelperValues(dialog, kKey, kValues, ARRAYSIZE(kValues), &record);
}

}  // namespace

INT_PTR CALLBACK NameSpaceMappingDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        OpenNameSpaceMapping(dialog);
        return 0;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
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
    return HandlePolicyButtons(dialog, message, wParam, WriteNameSpaceMapping, ShowDefaults);
}
