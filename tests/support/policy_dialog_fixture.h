// The fixture of the policy dialog tests: the lab's primary domain controller selected and
// connected as the program leaves it after a selection, its values set and read back, and the
// checks of the dialogs' texts and message boxes.
#ifndef KORVID_POLICY_DIALOG_FIXTURE_H
#define KORVID_POLICY_DIALOG_FIXTURE_H

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "connection/netcalls.h"
#include "connection/target.h"
#include "lab/labconfig.h"
#include "policies/policies.h"
#include "policy/policy.h"
#include "resources/resource.h"
#include "tests/support/harness.h"
#include "tests/support/readpath_testing.h"

namespace policytest {

const char kPdc[] = "VELMOR-PDC";
const char kUserServiceKey[] = "SYSTEM\\CurrentControlSet\\Services\\VelmorServer\\UserServiceParameters";
const char kAlerterKey[] = "SYSTEM\\CurrentControlSet\\Services\\Alerter\\Parameters";
const char kServerKey[] = "SYSTEM\\CurrentControlSet\\Services\\LanmanServer\\Parameters";

inline std::string ValuePath(const char *key, const char *value)
{
    return std::string(key) + "\\" + value;
}

inline DWORD LabDword(const char *key, const char *value)
{
    DWORD data = 0xDEADBEEF;
    EXPECT_TRUE(LabGetRegDword(kPdc, key, value, &data)) << value;
    return data;
}

// The lab computer of each server role, holding every value of its layout.
struct RoleComputer {
    const char *name;
    ServerRole role;
};
const RoleComputer kRoleComputers[] = {
    {"VELMOR-PDC", RolePrimaryDomainController},
    {"VELMOR-BDC", RoleBackupDomainController},
    {"VELMOR-MEMBER", RoleServer},
};

const char kUnixTitle[] = "Properties of UNIX Account Mapping - VELMOR-PDC";
const char kAlerterTitle[] = "Properties of Alerter Service - VELMOR-PDC";
const char kUsersAlertsTitle[] = "Properties of Users Alerts - VELMOR-PDC";

struct NamedDword {
    const char *name;
    DWORD value;
};

inline void SetDwords(const char *key, const std::vector<NamedDword> &values)
{
    for (const NamedDword &value : values)
        LabSetRegDword(kPdc, key, value.name, value.value);
}

inline void ExpectDwords(const char *key, const std::vector<NamedDword> &values)
{
    for (const NamedDword &value : values)
        EXPECT_EQ(value.value, LabDword(key, value.name)) << value.name;
}

inline std::vector<NamedDword> AlerterValues(DWORD header, DWORD count, DWORD timeout)
{
    return {{"IncludeMessageHeader", header}, {"CountNotOnNetworkCache", count},
            {"NotOnNetworkCacheTimeout", timeout}};
}

inline std::vector<NamedDword> AlertValues(DWORD access, DWORD error, DWORD logon)
{
    return {{"AccessAlert", access}, {"ErrorAlert", error}, {"LogonAlert", logon}};
}

// Target() as a successful selection leaves it, connected to a lab computer.
inline void ConnectTarget(const char *name, BOOL writeAccess)
{
    CloseRemoteRoot();
    TargetComputer &target = Target();
    snprintf(target.computerName, sizeof(target.computerName), "%s", name);
    MultiByteToWideChar(CP_ACP, 0, name, -1, target.computerNameWide, kNameChars);
    HKEY root = NULL;
    ASSERT_EQ(ERROR_SUCCESS, Net().RegConnectRegistryA(name, HKEY_LOCAL_MACHINE, &root));
    target.remoteRoot = root;
    target.writeAccess = writeAccess;
    target.serverType = 0x100B;
    target.platformKind = PlatformVelmorServer;
    target.connected = TRUE;
}

// A control's text as the dialog shows it.
struct ControlText {
    int controlId;
    const char *text;
};

// Every control of the table shows its text.
template <size_t N>
inline void ExpectControlTexts(HWND dialog, const ControlText (&texts)[N])
{
    for (const ControlText &expected : texts)
        EXPECT_EQ(expected.text, ItemText(dialog, expected.controlId)) << expected.controlId;
}

// A registry message of a policy dialog: one OK button, no icon.
inline void ExpectPolicyBox(const BoxRecord &box, const std::string &text, const char *caption,
                            bool owned)
{
    EXPECT_EQ(text, box.text);
    EXPECT_EQ(caption, box.caption);
    EXPECT_EQ(0u, box.icon);
    EXPECT_EQ(std::vector<int>{IDOK}, box.buttons);
    if (owned)
        EXPECT_NE(nullptr, box.owner) << text;
    else
        EXPECT_EQ(nullptr, box.owner) << text;
}

// Runs a dialog under a Driver of its own that acts once in it.
inline void RunActing(int dialogId, DLGPROC proc, const char *title,
                      const std::function<void(HWND)> &act)
{
    Driver driver;
    driver.OnDialog(title, act);
    RunDialog(dialogId, proc);
}

// Runs a dialog that ends while opening, after one message box.
inline void RunToBox(int dialogId, DLGPROC proc, const std::function<void(const BoxRecord &)> &check)
{
    Driver driver;
    driver.OnMessageBox(IDOK, check);
    EXPECT_EQ(0, RunDialog(dialogId, proc));
}

// A dialog acted on, then the one message box that its action brings.
inline void RunToOkBox(int dialogId, DLGPROC proc, const char *title,
                       const std::function<void(HWND)> &act,
                       const std::function<void(const BoxRecord &)> &check)
{
    Driver driver;
    driver.OnDialog(title, act);
    driver.OnMessageBox(IDOK, check);
    RunDialog(dialogId, proc);
}

// OK in a dialog whose key the lab refuses to open for writing: the one registry message, owned
// by the dialog, is "WHERE, Fail to open 'KEY', RegRet=5".
inline void PressOkOnRefusedKey(int dialogId, DLGPROC proc, const char *title, const std::string &where,
                                const char *key)
{
    LabSetFault(kPdc, "OpenWrite", key, 5);
    RunToOkBox(dialogId, proc, title, [](HWND dialog) { Click(dialog, IDOK); }, [&](const BoxRecord &box) {
        ExpectPolicyBox(box, where + ", Fail to open '" + key + "', RegRet=5", "Registry", true);
    });
}

// act (ending in OK) in a dialog whose write of the value the lab refuses: the one registry
// message, owned by none, is "WHERE, 'VALUE', dwRegType=4, RegRet=5".
inline void PressOkOnRefusedWrite(int dialogId, DLGPROC proc, const char *title, const std::string &where,
                                  const char *key, const char *value, const std::function<void(HWND)> &act)
{
    LabSetFault(kPdc, "SetValue", ValuePath(key, value).c_str(), 5);
    RunToOkBox(dialogId, proc, title, act, [&](const BoxRecord &box) {
        ExpectPolicyBox(box, where + ", '" + value + "', dwRegType=4, RegRet=5", "Registry", false);
    });
}

// Runs a dialog that ends while opening with one registry message (empty caption).
inline void RunToReadBox(int dialogId, DLGPROC proc, const std::string &text, bool owned)
{
    RunToBox(dialogId, proc,
             [&](const BoxRecord &box) { ExpectPolicyBox(box, text, "", owned); });
}

class PolicyDialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        LabReset();
        ASSERT_TRUE(LabLoadDefaultNetwork());
        ApplyReadPath();
        ConnectTarget(kPdc, TRUE);
        LabResetCounters(kPdc);
    }
    void TearDown() override
    {
        // Whatever way the dialog ended, it left no key open.
        EXPECT_EQ(0u, LabCounter(kPdc, "OpenKeys"));
        CloseRemoteRoot();
    }
};

}  // namespace policytest

#endif
