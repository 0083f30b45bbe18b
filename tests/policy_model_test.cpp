// The policy descriptions and the window-free reads, checks and writes, over all ten policies
// and the lab's Velmor Servers of every role; the classification of the lab's computers.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "connection/netcalls.h"
#include "connection/target.h"
#include "lab/lab.h"
#include "lab/labconfig.h"
#include "policies/policies.h"
#include "model/model.h"
#include "policy/policy.h"
#include "resources/resource.h"
#include "tests/support/harness.h"
#include "tests/support/write_recorder.h"

namespace {

// The lab's Velmor Servers, one of each role (the member has DisablePasswordChange, the
// stand-alone server has not).
struct LabServer {
    const char *name;
    DWORD serverType;
    ServerRole role;
    int netlogonDialog;
};

const LabServer kServers[] = {
    { "VELMOR-PDC", 0x100B, RolePrimaryDomainController, IDD_NETLOGON_PDC },
    { "VELMOR-BDC", 0x1013, RoleBackupDomainController, IDD_NETLOGON_BDC },
    { "VELMOR-MEMBER", 0x1103, RoleServer, IDD_NETLOGON_SERVER },
    { "VELMOR-SOLO", 0x1003, RoleServer, IDD_NETLOGON_SERVER },
};

const char *const kPolicyIds[kPolicyCount] = {
    "unixaccount", "ups", "alerter", "browser", "netlogon",
    "namespace", "unixfs", "usersalerts", "clients", "announce",
};

// Every registry call of the network table, in order, with the key or value it names.
std::vector<std::string> &RecordedCalls()
{
    static std::vector<std::string> calls;
    return calls;
}

LONG WINAPI RecordOpen(HKEY key, LPCSTR subKey, DWORD options, REGSAM access, PHKEY result)
{
    RecordedCalls().push_back(std::string("open ") + subKey + " " + std::to_string(access));
    return GetLabNetCalls().RegOpenKeyExA(key, subKey, options, access, result);
}

LONG WINAPI RecordQuery(HKEY key, LPCSTR name, LPDWORD reserved, LPDWORD type, LPBYTE data,
                        LPDWORD size)
{
    RecordedCalls().push_back(std::string("query ") + name + " " + std::to_string(*size));
    return GetLabNetCalls().RegQueryValueExA(key, name, reserved, type, data, size);
}

LONG WINAPI RecordSet(HKEY key, LPCSTR name, DWORD reserved, DWORD type, const BYTE *data,
                      DWORD size)
{
    RecordedCalls().push_back(std::string("set ") + name + " " + std::to_string(type) + " " +
                              std::string((const char *)data, size));
    return GetLabNetCalls().RegSetValueExA(key, name, reserved, type, data, size);
}

LONG WINAPI RecordFlush(HKEY key)
{
    RecordedCalls().push_back("flush");
    return GetLabNetCalls().RegFlushKey(key);
}

LONG WINAPI RecordClose(HKEY key)
{
    RecordedCalls().push_back("close");
    return GetLabNetCalls().RegCloseKey(key);
}

// While it lives, every registry call below the root is recorded.
class CallRecorder {
public:
    CallRecorder() { RecordedCalls().clear(); }
    std::vector<std::string> Take()
    {
        std::vector<std::string> calls = RecordedCalls();
        RecordedCalls().clear();
        return calls;
    }

private:
    policytest::ScopedNetCalls calls_{[](NetCalls *table) {
        table->RegOpenKeyExA = RecordOpen;
        table->RegQueryValueExA = RecordQuery;
        table->RegSetValueExA = RecordSet;
        table->RegFlushKey = RecordFlush;
        table->RegCloseKey = RecordClose;
    }};
};

class PolicyModelTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        LabReset();
        ASSERT_TRUE(LabLoadDefaultNetwork());
    }
    void TearDown() override { CloseRemoteRoot(); }

    // The server selected as a selection leaves it.
    void Connect(const LabServer &server)
    {
        CloseRemoteRoot();
        TargetComputer &target = Target();
        snprintf(target.computerName, sizeof(target.computerName), "%s", server.name);
        MultiByteToWideChar(CP_ACP, 0, server.name, -1, target.computerNameWide, kNameChars);
        HKEY root = NULL;
        ASSERT_EQ(ERROR_SUCCESS, Net().RegConnectRegistryA(server.name, HKEY_LOCAL_MACHINE, &root));
        target.remoteRoot = root;
        target.writeAccess = TRUE;
        target.serverType = server.serverType;
        target.platformKind = PlatformVelmorServer;
        target.connected = TRUE;
    }

    PolicyTarget TargetOf(const LabServer &server)
    {
        return PolicyTarget{ GetRemoteRoot(), server.role, server.name, NULL, NULL };
    }
};

// What the dialog would write back after opening: every value as shown, the optional ones only
// when present.
ValueSelection ShownValues(const PolicyModel &policy, const PolicyRead &read, ValueData *values)
{
    ValueSelection selected = 0;
    for (int i = 0; i < policy.valueCount; ++i) {
        const ValueModel &value = policy.values[i];
        const StoredValue &stored = read.values[i];
        if (!stored.queried || (value.optional && !IsValuePresent(value, stored)))
            continue;
        selected |= 1u << i;
        values[i].number = ShownNumber(value, stored);
        ShowText(value, stored.data.text, values[i].text, sizeof(values[i].text));
    }
    return selected;
}

std::string Describe(const PolicyModel &policy, const LabServer &server)
{
    return std::string(policy.id) + " on " + server.name;
}

}  // namespace

TEST_F(PolicyModelTest, DescriptionsComeInTableOrderAndAreFoundByIdOrName)
{
    for (int i = 0; i < kPolicyCount; ++i) {
        const PolicyModel &policy = *AllPolicies()[i];
        EXPECT_STREQ(kPolicyIds[i], policy.id);
        EXPECT_EQ(GetPolicyEntry(i).nameId, (int)policy.nameId) << policy.id;
        char name[kPolicyNameChars];
        LoadPolicyName(policy, name, sizeof(name));
        EXPECT_EQ(&policy, FindPolicyModel(policy.id));
        EXPECT_EQ(&policy, FindPolicyModel(CharUpperA(name))) << name;
        EXPECT_LE(policy.valueCount, (int)kMaxPolicyValues);
    }
    EXPECT_EQ(nullptr, FindPolicyModel("no such policy"));
    EXPECT_EQ(&kClientsPolicy, FindPolicyModel("connected clients"));
    EXPECT_EQ(1, FindPolicyValue(kBrowserPolicy, "backupupdate", RoleServer));
    EXPECT_EQ(1, FindPolicyValue(kNetlogonPolicy, "Scripts", RoleBackupDomainController));
    EXPECT_EQ(-1, FindPolicyValue(kNetlogonPolicy, "Scripts", RoleServer));
}

TEST_F(PolicyModelTest, EveryDefaultPassesItsOwnCheckAndShowsAsItself)
{
    for (int p = 0; p < kPolicyCount; ++p) {
        const PolicyModel *policy = AllPolicies()[p];
        for (int i = 0; i < policy->valueCount; ++i) {
            const ValueModel &value = policy->values[i];
            ValueData data;
            GetDefaultValue(value, &data);
            CheckedValue checked;
            if (value.type == REG_DWORD) {
                CheckNumber(value, data.number, &checked);
                EXPECT_EQ(data.number, checked.shown.number) << policy->id << " " << value.name;
            } else {
                CheckText(value, data.text, &checked);
                EXPECT_STREQ(data.text, checked.shown.text) << policy->id << " " << value.name;
            }
            EXPECT_EQ(CheckPassed, checked.check) << policy->id << " " << value.name;
        }
    }
}

TEST_F(PolicyModelTest, ValuesJustOutsideTheirRulesAreRefused)
{
    for (int p = 0; p < kPolicyCount; ++p) {
        const PolicyModel &policy = *AllPolicies()[p];
        for (int i = 0; i < policy.valueCount; ++i) {
            const ValueModel &value = policy.values[i];
            const NumberList &range = value.range;
            std::string what = std::string(policy.id) + " " + value.name;
            CheckedValue checked;
            if (value.type != REG_DWORD) {
                CheckText(value, std::string(value.limit + 1, 'a').c_str(), &checked);
                EXPECT_EQ(CheckTooLong, checked.check) << what;
                EXPECT_EQ(std::string(value.limit, 'a'), checked.shown.text) << what;
                if (value.rule == RuleSeparator) {
                    CheckText(value, "", &checked);
                    EXPECT_EQ(CheckEmpty, checked.check) << what;
                    CheckText(value, "~-", &checked);
                    EXPECT_EQ(CheckCharacter, checked.check) << what;
                    EXPECT_EQ('-', checked.refused) << what;
                }
                continue;
            }
            CheckNumber(value, range.upper + 1, &checked);
            EXPECT_EQ(CheckAboveUpper, checked.check) << what;
            EXPECT_EQ(value.rule == RuleNumberList ? BringIntoList(range, range.upper)
                                                   : ShownNumberOf(value, range.upper + 1),
                      checked.shown.number) << what;
            if (range.lower > 0) {
                CheckNumber(value, range.lower - 1, &checked);
                EXPECT_EQ(CheckBelowLower, checked.check) << what;
                EXPECT_EQ(range.lower, checked.shown.number) << what;
            }
            if (range.step > 1) {
                CheckNumber(value, range.lower + 1, &checked);
                EXPECT_EQ(CheckOffStep, checked.check) << what;
                EXPECT_EQ(range.lower, checked.shown.number) << what;
            }
            CheckTyped(value, value.rule == RuleOctalMask ? "8" : "1x", &checked);
            EXPECT_EQ(CheckNotNumber, checked.check) << what;
        }
    }
}

TEST_F(PolicyModelTest, TypedCandidatesAreReadAsTheirControlsTakeThem)
{
    // Which number of the result a row names: what the dialog would show, or the candidate itself.
    enum Number { kNoNumber, kShown, kCandidate };
    const struct {
        const ValueModel &value;
        const char *typed;
        ValueCheck check;
        Number which;
        DWORD number;
    } kTyped[] = {
        {kAlerterPolicy.values[1], "997", CheckAboveUpper, kShown, 995},
        {kAlerterPolicy.values[1], "17", CheckOffStep, kShown, 15},
        {kUnixFsPolicy.values[5], "2664", CheckPassed, kCandidate, 02664},
        {kUnixFsPolicy.values[4], "1000", CheckAboveUpper, kShown, 0777},
        {kAlerterPolicy.values[0], "4294967296", CheckNotNumber, kNoNumber, 0},
    };
    CheckedValue checked;
    for (const auto &row : kTyped) {
        CheckTyped(row.value, row.typed, &checked);
        EXPECT_EQ(row.check, checked.check) << row.typed;
        if (row.which == kNoNumber)
            continue;
        DWORD number = row.which == kShown ? checked.shown.number : checked.candidate.number;
        EXPECT_EQ(row.number, number) << row.typed;
    }
    CheckNumber(kAlerterPolicy.values[0], 7, &checked);
    EXPECT_EQ(CheckAboveUpper, checked.check);
    EXPECT_EQ(1u, checked.shown.number);   // any other stored number counts as set
}

TEST_F(PolicyModelTest, ReadingTheLabServersGivesTheDefaults)
{
    for (const LabServer &server : kServers) {
        Connect(server);
        for (int p = 0; p < kPolicyCount; ++p) {
            const PolicyModel &policy = *AllPolicies()[p];
            PolicyRead read;
            EXPECT_TRUE(ReadPolicy(policy, TargetOf(server), ReadUntilFailure, &read))
                << Describe(policy, server);
            EXPECT_EQ(FailureNone, read.fault.failure) << Describe(policy, server);
            for (int i = 0; i < policy.valueCount; ++i) {
                const ValueModel &value = policy.values[i];
                const StoredValue &stored = read.values[i];
                std::string what = Describe(policy, server) + " " + value.name;
                EXPECT_EQ(ValueInRole(value, server.role), stored.queried) << what;
                if (!stored.queried || (value.optional && !IsValuePresent(value, stored)))
                    continue;
                ValueData expected;
                GetDefaultValue(value, &expected);
                char shown[kRegStringChars];
                ShowText(value, stored.data.text, shown, sizeof(shown));
                if (value.type == REG_DWORD)
                    EXPECT_EQ(expected.number, ShownNumber(value, stored)) << what;
                else
                    EXPECT_STREQ(expected.text, shown) << what;
            }
        }
        EXPECT_EQ(0u, LabCounter(server.name, "OpenKeys")) << server.name;
    }
}

// Opening a dialog and pressing OK makes the same registry calls, in the same order and with
// the same data, as the model's read of the policy and its write of the values shown.
TEST_F(PolicyModelTest, ModelReadsAndWritesMakeTheDialogsCalls)
{
    for (const LabServer &server : kServers) {
        Connect(server);
        for (int p = 0; p < kPolicyCount; ++p) {
            const PolicyModel &policy = *AllPolicies()[p];
            const PolicyEntry &entry = GetPolicyEntry(p);
            int dialogId = policy.nameId == IDS_NETLOGON ? server.netlogonDialog : entry.dialogId;
            CallRecorder recorder;
            LabResetCounters(server.name);
            {
                Driver driver;
                driver.OnDialog("", [](HWND dialog) { Click(dialog, IDOK); });
                RunDialog(dialogId, entry.dialogProc);
            }
            std::vector<std::string> dialogCalls = recorder.Take();
            DWORD dialogSets = LabCounter(server.name, "RegSetValueExA");
            DWORD dialogTrips = LabCounter(server.name, "RoundTrips");

            LabResetCounters(server.name);
            PolicyRead read;
            ASSERT_TRUE(ReadPolicy(policy, TargetOf(server), ReadUntilFailure, &read))
                << Describe(policy, server);
            ValueData values[kMaxPolicyValues] = {};
            ValueSelection selected = ShownValues(policy, read, values);
            PolicyWrite write;
            EXPECT_TRUE(WritePolicy(policy, TargetOf(server), values, selected, &write))
                << Describe(policy, server);
            std::vector<std::string> modelCalls = recorder.Take();

            EXPECT_EQ(dialogCalls, modelCalls) << Describe(policy, server);
            EXPECT_EQ(dialogSets, LabCounter(server.name, "RegSetValueExA"))
                << Describe(policy, server);
            EXPECT_EQ(dialogTrips, LabCounter(server.name, "RoundTrips"))
                << Describe(policy, server);
            EXPECT_EQ((int)dialogSets, write.written) << Describe(policy, server);
            EXPECT_EQ(0u, LabCounter(server.name, "OpenKeys")) << Describe(policy, server);
        }
    }
}

TEST_F(PolicyModelTest, ReadingEveryValueGoesPastFailuresAndKeepsTheFirst)
{
    const LabServer &pdc = kServers[0];
    Connect(pdc);
    const char kAlerterKey[] = "SYSTEM\\CurrentControlSet\\Services\\Alerter\\Parameters";
    LabSetRegString(pdc.name, kAlerterKey, "IncludeMessageHeader", "yes");
    LabDeleteRegValue(pdc.name, kAlerterKey, "NotOnNetworkCacheTimeout");

    PolicyRead read;
    EXPECT_FALSE(ReadPolicy(kAlerterPolicy, TargetOf(pdc), ReadUntilFailure, &read));
    EXPECT_EQ(FailureType, read.fault.failure);
    EXPECT_EQ(0, read.fault.value);
    EXPECT_EQ((DWORD)REG_SZ, read.fault.type);
    EXPECT_FALSE(read.values[1].queried);

    EXPECT_FALSE(ReadPolicy(kAlerterPolicy, TargetOf(pdc), ReadEveryValue, &read));
    EXPECT_EQ(FailureType, read.fault.failure);
    EXPECT_EQ(0, read.fault.value);
    EXPECT_EQ(10u, read.values[1].data.number);
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, read.values[2].status);
    EXPECT_EQ(FailureQuery, ValueReadFailure(kAlerterPolicy.values[2], read.values[2]));
    EXPECT_EQ(0u, LabCounter(pdc.name, "OpenKeys"));
}

TEST_F(PolicyModelTest, WritesStopAtAFailureButNotAtAnOptionalValues)
{
    const LabServer &pdc = kServers[0];
    Connect(pdc);
    const char kNetlogonKey[] = "SYSTEM\\CurrentControlSet\\Services\\Netlogon\\Parameters";
    LabSetFault(pdc.name, "SetValue",
                (std::string(kNetlogonKey) + "\\RefusePasswordChange").c_str(), 5);
    ValueData values[kMaxPolicyValues] = {};
    for (int i = 0; i < kNetlogonPolicy.valueCount; ++i)
        GetDefaultValue(kNetlogonPolicy.values[i], &values[i]);
    PolicyWrite write;
    EXPECT_TRUE(WritePolicy(kNetlogonPolicy, TargetOf(pdc), values, kEveryValue, &write));
    EXPECT_EQ(5, write.statuses[2]);
    EXPECT_EQ(3, write.written);   // Scripts, Pulse and the password age
    EXPECT_EQ(FailureNone, write.fault.failure);

    LabResetCounters(pdc.name);
    LabSetFault(pdc.name, "SetValue", (std::string(kNetlogonKey) + "\\Pulse").c_str(), 5);
    EXPECT_FALSE(WritePolicy(kNetlogonPolicy, TargetOf(pdc), values, kEveryValue, &write));
    EXPECT_EQ(FailureWrite, write.fault.failure);
    EXPECT_EQ(3, write.fault.value);
    EXPECT_EQ(1, write.written);
    EXPECT_FALSE(write.attempted[7]);
    EXPECT_EQ(0u, LabCounter(pdc.name, "RegFlushKey"));

    // Only the selected values, and only the keys that hold them, are reached.
    LabClearFaults(pdc.name);
    LabResetCounters(pdc.name);
    values[3].number = 1800;
    EXPECT_TRUE(WritePolicy(kClientsPolicy, TargetOf(pdc), values, 1u << 3, &write));
    EXPECT_EQ(1, write.written);
    EXPECT_EQ(1u, LabCounter(pdc.name, "RegOpenKeyExA"));
    DWORD minutes = 0;
    EXPECT_TRUE(LabGetRegDword(pdc.name, kClientsPolicy.keys[1].path, "AutoDisconnect", &minutes));
    EXPECT_EQ(1800u, minutes);
}

// The computers of the lab classified without a window: kind, role, write access, and the step
// a refused one fails in.
TEST_F(PolicyModelTest, ClassificationNeedsNoWindow)
{
    struct Expected {
        const char *name;
        PlatformKind kind;
        ClassifyStep step;
        ServerRole role;
        bool root;
    };
    const Expected kComputers[] = {
        { "VELMOR-PDC", PlatformVelmorServer, ClassifyAccepted, RolePrimaryDomainController, true },
        { "VELMOR-BDC", PlatformVelmorServer, ClassifyAccepted, RoleBackupDomainController, true },
        { "VELMOR-NOVER", PlatformVelmorServerNoVersionKey, ClassifyAccepted, RoleServer, true },
        { "NT-SERVER", PlatformWindowsNT, ClassifyAccepted, RoleBackupDomainController, true },
        { "WIN95-PC", PlatformWindows95, ClassifyAccepted, RoleServer, false },
        { "LANMAN-SRV", PlatformLanManager, ClassifyAccepted, RoleServer, false },
        { "DOS-PC", PlatformNone, ClassifyPlatform, RoleServer, false },
        { "OFFLINE-PC", PlatformNone, ClassifyWorkstation, RoleServer, false },
        { "LOCKED-SRV", PlatformNone, ClassifyConnect, RoleServer, false },
    };
    for (const Expected &expected : kComputers) {
        ComputerClass found;
        ClassifyComputer(expected.name, NULL, FALSE, &found);
        EXPECT_EQ(expected.kind, found.kind) << expected.name;
        EXPECT_EQ(expected.step, found.step) << expected.name;
        EXPECT_EQ(expected.root, found.root != NULL) << expected.name;
        if (expected.step == ClassifyAccepted) {
            EXPECT_EQ(expected.role, found.role) << expected.name;
            EXPECT_STREQ("KORVID", found.domainName) << expected.name;
        }
        if (found.root)
            Net().RegCloseKey(found.root);
        EXPECT_EQ(0u, LabCounter(expected.name, "OpenRoots")) << expected.name;
        EXPECT_EQ(0u, LabCounter(expected.name, "NetBuffers")) << expected.name;
    }
    ComputerClass found;
    ClassifyComputer("LOCKED-SRV", NULL, FALSE, &found);
    EXPECT_EQ(5u, found.status);
    ClassifyComputer("VELMOR-PDC", NULL, FALSE, &found);
    EXPECT_TRUE(found.writeAccess);
    Net().RegCloseKey(found.root);
}
