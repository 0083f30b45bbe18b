// The File Name Space Mapping dialog: the mapping bits and their dependent groups, the suffix
// list, the separator's validation and what OK writes.
#include "tests/support/typed_entry_checks.h"

using namespace policytest;

namespace {

const char kNameSpaceTitle[] = "Properties of File Name Space Mapping - VELMOR-PDC";

const std::vector<std::string> kWriteOrder = {
    "UniqueSuffixLength", "NameSpaceMapping", "MixedCaseSupport", "TruncatedExtensions",
    "MappingSeparator"};

const int kExtensionGroup[] = {IDC_NS_EXT_GROUP, IDC_NS_EXT_TEXT, IDC_NS_TRUNCATE};
const int kSeparatorGroup[] = {IDC_NS_SEP_GROUP, IDC_NS_SEP_TEXT, IDC_NS_SEP_LABEL,
                               IDC_NS_SEPARATOR};

void StoreMapping(DWORD suffix, DWORD mapping, DWORD mixedCase, DWORD truncated,
                  const char *separator)
{
    SetDwords(kFileServiceKey, {{"UniqueSuffixLength", suffix}, {"NameSpaceMapping", mapping},
                                {"MixedCaseSupport", mixedCase},
                                {"TruncatedExtensions", truncated}});
    LabSetRegString(kPdc, kFileServiceKey, "MappingSeparator", separator);
}

// The five writes in their order, the separator with its exact length and no terminator.
void ExpectWrites(const WriteRecorder &recorder, DWORD suffix, DWORD mapping, DWORD mixedCase,
                  DWORD truncated, const std::string &separator)
{
    ASSERT_EQ(kWriteOrder, recorder.Names());
    const std::vector<RecordedWrite> &writes = recorder.Writes();
    EXPECT_EQ(DwordBytes(suffix), writes[0].bytes);
    EXPECT_EQ(DwordBytes(mapping), writes[1].bytes);
    EXPECT_EQ(DwordBytes(mixedCase), writes[2].bytes);
    EXPECT_EQ(DwordBytes(truncated), writes[3].bytes);
    EXPECT_EQ((DWORD)REG_SZ, writes[4].type);
    EXPECT_EQ(separator, writes[4].bytes);
    std::string stored;
    EXPECT_TRUE(LabGetRegString(kPdc, kFileServiceKey, "MappingSeparator", &stored));
    EXPECT_EQ(separator, stored);
    EXPECT_EQ(1u, LabCounter(kPdc, "RegFlushKey"));
}

void ExpectGroup(HWND dialog, const int *ids, size_t count, bool enabled)
{
    for (size_t i = 0; i < count; ++i)
        EXPECT_EQ(enabled, Enabled(dialog, ids[i])) << ids[i];
}

void ExpectGroups(HWND dialog, bool extension, bool separator)
{
    ExpectGroup(dialog, kExtensionGroup, ARRAYSIZE(kExtensionGroup), extension);
    ExpectGroup(dialog, kSeparatorGroup, ARRAYSIZE(kSeparatorGroup), separator);
    for (int id : {IDC_NS_SUFFIX, IDC_NS_SUFFIX_GROUP, IDC_NS_MIXED_CASE, IDC_NS_CASE_TEXT})
        EXPECT_TRUE(Enabled(dialog, id)) << id;
}

}  // namespace

using NameSpaceMapping = TitledPolicyDialogTest;

TEST_F(NameSpaceMapping, OpensWithStoredValuesBroughtIntoTheirControls)
{
    StoreMapping(12, 7, 5, 0, "abcdefghij");
    WriteRecorder recorder;
    RunActing(IDD_NAME_SPACE, NameSpaceMappingDlgProc, kNameSpaceTitle, [](HWND dialog) {
        EXPECT_TRUE(Checked(dialog, IDC_NS_SHORT_NAMES));
        EXPECT_TRUE(Checked(dialog, IDC_NS_LONG_NAMES));
        ExpectGroups(dialog, true, true);
        EXPECT_EQ(8, ComboCount(dialog, IDC_NS_SUFFIX));
        EXPECT_EQ("0", ComboItem(dialog, IDC_NS_SUFFIX, 0));
        EXPECT_EQ("7", ComboText(dialog, IDC_NS_SUFFIX));
        EXPECT_TRUE(Checked(dialog, IDC_NS_MIXED_CASE));
        EXPECT_FALSE(Checked(dialog, IDC_NS_TRUNCATE));
        EXPECT_EQ("abcdefg", ItemText(dialog, IDC_NS_SEPARATOR));
        EXPECT_EQ(7, (int)SendDlgItemMessageA(dialog, IDC_NS_SEPARATOR, EM_GETLIMITTEXT, 0, 0));
        for (int id : {IDC_NS_SHORT_NAMES, IDC_NS_LONG_NAMES, IDC_NS_MIXED_CASE, IDC_NS_TRUNCATE})
            EXPECT_EQ(BS_CHECKBOX, GetWindowLongA(GetDlgItem(dialog, id), GWL_STYLE) & BS_TYPEMASK);
        EXPECT_EQ(CBS_DROPDOWNLIST, GetWindowLongA(GetDlgItem(dialog, IDC_NS_SUFFIX), GWL_STYLE) & 3);
        EXPECT_EQ(GetDlgItem(dialog, IDCANCEL), GetFocus());
        Click(dialog, IDOK);
    });
    ExpectWrites(recorder, 7, 3, 1, 0, "abcdefg");
}

TEST_F(NameSpaceMapping, MappingBoxesSwitchTheirGroupsAndHiddenValuesAreStillWritten)
{
    StoreMapping(2, 2, 0, 1, "X1");
    WriteRecorder recorder;
    RunActing(IDD_NAME_SPACE, NameSpaceMappingDlgProc, kNameSpaceTitle, [](HWND dialog) {
        EXPECT_FALSE(Checked(dialog, IDC_NS_SHORT_NAMES));
        EXPECT_TRUE(Checked(dialog, IDC_NS_LONG_NAMES));
        ExpectGroups(dialog, false, true);
        Click(dialog, IDC_NS_SHORT_NAMES);
        ExpectGroups(dialog, true, true);
        Click(dialog, IDC_NS_LONG_NAMES);
        ExpectGroups(dialog, true, false);
        Click(dialog, IDC_NS_SHORT_NAMES);
        ExpectGroups(dialog, false, false);
        // A disabled box keeps its state; OK writes it and checks the separator all the same.
        EXPECT_TRUE(Checked(dialog, IDC_NS_TRUNCATE));
        Click(dialog, IDC_NS_MIXED_CASE);
        EXPECT_TRUE(Checked(dialog, IDC_NS_MIXED_CASE));
        PickIndex(dialog, IDC_NS_SUFFIX, 5);
        Click(dialog, IDOK);
    });
    ExpectWrites(recorder, 5, 0, 1, 1, "X1");
}

TEST_F(NameSpaceMapping, DefaultThenOkWritesTheDocumentedDefaults)
{
    StoreMapping(6, 0, 1, 0, "abc");
    WriteRecorder recorder;
    RunActing(IDD_NAME_SPACE, NameSpaceMappingDlgProc, kNameSpaceTitle, [&](HWND dialog) {
        ExpectGroups(dialog, false, false);
        Click(dialog, IDC_DEFAULT);
        ExpectGroups(dialog, true, true);
        EXPECT_TRUE(Checked(dialog, IDC_NS_SHORT_NAMES));
        EXPECT_TRUE(Checked(dialog, IDC_NS_LONG_NAMES));
        EXPECT_EQ("3", ComboText(dialog, IDC_NS_SUFFIX));
        EXPECT_FALSE(Checked(dialog, IDC_NS_MIXED_CASE));
        EXPECT_TRUE(Checked(dialog, IDC_NS_TRUNCATE));
        EXPECT_EQ("~", ItemText(dialog, IDC_NS_SEPARATOR));
        EXPECT_TRUE(recorder.Writes().empty());
        Click(dialog, IDOK);
    });
    ExpectWrites(recorder, 3, 3, 0, 1, "~");
}

TEST_F(NameSpaceMapping, RefusedSeparatorsPutTheTildeBackAndKeepTheDialogOpen)
{
    StoreMapping(3, 3, 0, 1, "~");
    WriteRecorder recorder;
    RunThroughRefusals(IDD_NAME_SPACE, NameSpaceMappingDlgProc, kNameSpaceTitle,
                       {"The character '_' is not a tilde or alpha-numerical",
                        "Separator is not entered.",
                        "The character '\xE9' is not a tilde or alpha-numerical"},
                       [&](HWND dialog) {
        DWORD opens = LabCounter(kPdc, "RegOpenKeyExA");
        Click(dialog, IDC_NS_MIXED_CASE);
        TypeRefused(dialog, IDC_NS_SEPARATOR, "a_b", "~");
        EXPECT_TRUE(Checked(dialog, IDC_NS_MIXED_CASE));
        // Empty is refused even while the separator's group is disabled.
        Click(dialog, IDC_NS_LONG_NAMES);
        TypeRefused(dialog, IDC_NS_SEPARATOR, "", "~");
        // Letters outside ASCII are no letters to every client.
        TypeRefused(dialog, IDC_NS_SEPARATOR, "Z\xE9", "~");
        EXPECT_TRUE(IsWindowVisible(dialog));
        EXPECT_EQ(opens, LabCounter(kPdc, "RegOpenKeyExA"));
        EXPECT_TRUE(recorder.Writes().empty());
        TypeText(dialog, IDC_NS_SEPARATOR, "Zz9~");
        Click(dialog, IDOK);
    });
    ExpectWrites(recorder, 3, 1, 1, 1, "Zz9~");
}

TEST_F(NameSpaceMapping, RegistryFailuresNameTheValue)
{
    LabDeleteRegValue(kPdc, kFileServiceKey, "MappingSeparator");
    RunToBox(IDD_NAME_SPACE, NameSpaceMappingDlgProc, [](const BoxRecord &box) {
        ExpectPolicyBox(box, "NAMESPACE - WM_INITDIALOG MappingSeparator 1, RegRet=2", "", false);
    });
    LabSetRegDword(kPdc, kFileServiceKey, "MappingSeparator", 126);
    RunToBox(IDD_NAME_SPACE, NameSpaceMappingDlgProc, [](const BoxRecord &box) {
        ExpectPolicyBox(box, "NAMESPACE - WM_INITDIALOG MappingSeparator 2, dwType=4", "", false);
    });

    StoreMapping(3, 3, 0, 1, "~");
    PressOkOnRefusedKey(IDD_NAME_SPACE, NameSpaceMappingDlgProc, kNameSpaceTitle, "NAMESPACE - WM_COMMAND",
                        kFileServiceKey);
    EXPECT_EQ(0u, LabCounter(kPdc, "RegSetValueExA"));

    LabClearFaults(kPdc);
    WriteRecorder recorder;
    PressOkOnRefusedWrite(IDD_NAME_SPACE, NameSpaceMappingDlgProc, kNameSpaceTitle, "NAMESPACE - WM_COMMAND",
                          kFileServiceKey, "TruncatedExtensions", [](HWND dialog) {
                              Click(dialog, IDC_NS_MIXED_CASE);
                              Click(dialog, IDOK);
                          });
    EXPECT_EQ(std::vector<std::string>(kWriteOrder.begin(), kWriteOrder.begin() + 4),
              recorder.Names());
    EXPECT_EQ(1u, LabDword(kFileServiceKey, "MixedCaseSupport"));
    EXPECT_EQ(0u, LabCounter(kPdc, "RegFlushKey"));
}

TEST_F(NameSpaceMapping, EnterRightAfterOpeningCancels)
{
    StoreMapping(3, 3, 0, 1, "~");
    RunActing(IDD_NAME_SPACE, NameSpaceMappingDlgProc, kNameSpaceTitle,
              [](HWND dialog) { PressKey(GetDlgItem(dialog, IDCANCEL), VK_RETURN); });
    EXPECT_EQ(0u, LabCounter(kPdc, "RegSetValueExA"));
}
