// Batched reads: a key's values read in one call give exactly what the value-by-value reads give,
// for every policy and role, for every way a value can be wrong, and in fewer round trips; a
// server that refuses the call is not asked again on that connection.
#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <cstring>
#include <string>
#include <vector>

#include "connection/batchread.h"
#include "connection/netcalls.h"
#include "lab/labconfig.h"
#include "model/model.h"
#include "tests/support/policy_dialog_fixture.h"
#include "tests/support/readpath_testing.h"

namespace {

using policytest::RoleComputer;
using policytest::kRoleComputers;

struct ModelRun {
    PolicyRead read;
    BOOL clean;
    DWORD roundTrips, batches, queries;
};

// One reading of the policy on a connection of its own, counted.
std::unique_ptr<ModelRun> ReadOnce(const PolicyModel &policy, const RoleComputer &server, bool batched,
                                   ReadMode mode = ReadUntilFailure)
{
    RefuseBatchedReads(server.name, batched ? 0 : ERROR_CALL_NOT_IMPLEMENTED);
    auto run = std::make_unique<ModelRun>();
    HKEY root = NULL;
    EXPECT_EQ(ERROR_SUCCESS, Net().RegConnectRegistryA(server.name, HKEY_LOCAL_MACHINE, &root));
    LabResetCounters(server.name);
    PolicyTarget target = {root, server.role, server.name, NULL, NULL};
    run->clean = ReadPolicy(policy, target, mode, &run->read);
    run->roundTrips = LabCounter(server.name, "RoundTrips");
    run->batches = LabCounter(server.name, "RegQueryMultipleValuesA");
    run->queries = LabCounter(server.name, "RegQueryValueExA");
    ForgetBatchRefusal(root);
    Net().RegCloseKey(root);
    EXPECT_EQ(0u, LabCounter(server.name, "OpenKeys"));
    return run;
}

void ExpectSameRead(const PolicyModel &policy, const PolicyRead &batched, const PolicyRead &single,
                    const std::string &label)
{
    EXPECT_EQ(single.fault.failure, batched.fault.failure) << label;
    EXPECT_EQ(single.fault.key, batched.fault.key) << label;
    EXPECT_EQ(single.fault.value, batched.fault.value) << label;
    EXPECT_EQ(single.fault.status, batched.fault.status) << label;
    EXPECT_EQ(single.fault.type, batched.fault.type) << label;
    for (int i = 0; i < policy.valueCount; ++i) {
        const StoredValue &a = batched.values[i], &b = single.values[i];
        std::string at = label + " " + policy.values[i].name;
        EXPECT_EQ(b.queried, a.queried) << at;
        EXPECT_EQ(b.status, a.status) << at;
        EXPECT_EQ(b.type, a.type) << at;
        EXPECT_EQ(b.alternate, a.alternate) << at;
        EXPECT_EQ(b.data.number, a.data.number) << at;
        EXPECT_STREQ(b.data.text, a.data.text) << at;
    }
}

// Keys of the policy with a value in the role, and those with two or more.
void CountKeys(const PolicyModel &policy, ServerRole role, int *keys, int *batchable)
{
    *keys = *batchable = 0;
    for (int key = 0; key < policy.keyCount; ++key) {
        int values = 0;
        for (int i = 0; i < policy.valueCount; ++i)
            values += policy.values[i].key == key && ValueInRole(policy.values[i], role);
        *keys += values > 0;
        *batchable += values > 1;
    }
}

class BatchedReads : public ::testing::Test {
protected:
    void SetUp() override
    {
        LabReset();
        ASSERT_TRUE(LabLoadDefaultNetwork());
    }
};

TEST_F(BatchedReads, EveryPolicyAndRoleReadsTheSameValuesInThreeRoundTripsAKey)
{
    for (const RoleComputer &server : kRoleComputers) {
        for (int p = 0; p < kPolicyCount; ++p) {
            const PolicyModel &policy = *AllPolicies()[p];
            std::string label = std::string(policy.id) + " on " + server.name;
            auto batched = ReadOnce(policy, server, true);
            auto single = ReadOnce(policy, server, false);
            EXPECT_TRUE(batched->clean) << label;
            ExpectSameRead(policy, batched->read, single->read, label);
            int keys = 0, batchable = 0, seconds = 0;
            CountKeys(policy, server.role, &keys, &batchable);
            for (const StoredValue &stored : batched->read.values)
                seconds += stored.alternate;
            // Open, one read and close a key; a server keeping seconds is asked once more.
            EXPECT_EQ((DWORD)(3 * keys + seconds), batched->roundTrips) << label;
            EXPECT_EQ((DWORD)(batchable + seconds), batched->batches) << label;
            EXPECT_EQ((DWORD)(keys - batchable), batched->queries) << label;
            // Refused once, then value by value.
            EXPECT_EQ(batchable > 0 ? 1u : 0u, single->batches) << label;
            EXPECT_LE(batched->roundTrips, single->roundTrips) << label;
        }
    }
}

enum Spoil { SpoilMissing, SpoilType, SpoilTooLong, SpoilOverLimit, SpoilQueryFault };
const char *const kSpoilNames[] = {"missing", "wrong type", "too long", "over its limit",
                                   "query fault"};

// Spoils one value on the lab computer; FALSE when the spoiling does not apply to it.
bool SpoilValue(const RoleComputer &server, const PolicyModel &policy, const ValueModel &value,
                Spoil spoil)
{
    const char *path = policy.keys[value.key].path;
    bool text = value.type != REG_DWORD;
    switch (spoil) {
    case SpoilMissing:
        LabDeleteRegValue(server.name, path, value.name);
        return true;
    case SpoilType:
        if (text)
            LabSetRegDword(server.name, path, value.name, 1);
        else
            LabSetRegString(server.name, path, value.name, "1");
        return true;
    case SpoilTooLong:
        LabSetRegString(server.name, path, value.name,
                        std::string(text ? kRegStringChars : 8, 'x').c_str());
        return true;
    case SpoilOverLimit:
        if (!text)
            return false;
        LabSetRegValue(server.name, path, value.name, value.type,
                       std::string(value.limit + 1, 'y').c_str(), value.limit + 2);
        return true;
    case SpoilQueryFault:
        LabSetFault(server.name, "QueryValue", (std::string(path) + "\\" + value.name).c_str(),
                    ERROR_ACCESS_DENIED);
        return true;
    }
    return false;
}

// Puts back what the healthy read found.
void RestoreValue(const RoleComputer &server, const PolicyModel &policy, const ValueModel &value,
                  const StoredValue &stored)
{
    const char *path = policy.keys[value.key].path;
    const char *name = stored.alternate ? value.alternate : value.name;
    if (stored.alternate)
        LabDeleteRegValue(server.name, path, value.name);
    if (!stored.queried || stored.status != ERROR_SUCCESS)
        LabDeleteRegValue(server.name, path, name);
    else if (value.type == REG_DWORD)
        LabSetRegValue(server.name, path, name, stored.type, &stored.data.number, stored.size);
    else
        LabSetRegValue(server.name, path, name, stored.type, stored.data.text, stored.size);
    LabClearFaults(server.name);
}

TEST_F(BatchedReads, AValueMissingOfAnotherTypeTooLongOrRefusedFailsAsValueByValue)
{
    for (const RoleComputer &server : kRoleComputers) {
        for (int p = 0; p < kPolicyCount; ++p) {
            const PolicyModel &policy = *AllPolicies()[p];
            // The other roles differ from the primary controller's in Netlogon only.
            if (server.role != RolePrimaryDomainController && std::string(policy.id) != "netlogon")
                continue;
            auto healthy = ReadOnce(policy, server, true);
            for (int i = 0; i < policy.valueCount; ++i) {
                const ValueModel &value = policy.values[i];
                if (!ValueInRole(value, server.role))
                    continue;
                for (int s = SpoilMissing; s <= SpoilQueryFault; ++s) {
                    std::string label = std::string(policy.id) + " on " + server.name + ", " +
                                        value.name + " " + kSpoilNames[s];
                    if (!SpoilValue(server, policy, value, (Spoil)s))
                        continue;
                    for (ReadMode mode : {ReadUntilFailure, ReadEveryValue}) {
                        auto batched = ReadOnce(policy, server, true, mode);
                        auto single = ReadOnce(policy, server, false, mode);
                        ExpectSameRead(policy, batched->read, single->read, label);
                        EXPECT_EQ(single->clean, batched->clean) << label;
                    }
                    RestoreValue(server, policy, value, healthy->read.values[i]);
                }
            }
        }
    }
}

// A value the dialog warns about is read again on its own, so the warning comes as it always has.
TEST_F(BatchedReads, AValueThatBringsAWarningIsReadOnItsOwn)
{
    const PolicyModel &netlogon = *FindPolicyModel("netlogon");
    LabSetRegValue("VELMOR-PDC", netlogon.keys[0].path, "Scripts", REG_EXPAND_SZ,
                   std::string(241, 's').c_str(), 242);
    auto run = ReadOnce(netlogon, kRoleComputers[0], true);
    EXPECT_TRUE(run->clean);
    EXPECT_EQ(1u, run->batches);
    EXPECT_EQ(4u, run->queries);  // Scripts, RefusePasswordChange, Pulse, MaximumPasswordAge
    EXPECT_EQ(241u, strlen(run->read.values[0].data.text));
}

TEST_F(BatchedReads, AServerRefusingTheCallIsNotAskedAgainOnThatConnection)
{
    const struct {
        LONG code;
        DWORD asked;  // of three reads on one connection
    } cases[] = {
        {ERROR_CALL_NOT_IMPLEMENTED, 1},
        {RPC_S_PROCNUM_OUT_OF_RANGE, 1},
        {ERROR_ACCESS_DENIED, 3},
    };
    const PolicyModel &alerter = *FindPolicyModel("alerter");
    const char *computer = "VELMOR-PDC";
    for (const auto &c : cases) {
        LabSetFault(computer, "QueryMultiple", alerter.keys[0].path, c.code);
        HKEY root = NULL, other = NULL;
        ASSERT_EQ(ERROR_SUCCESS, Net().RegConnectRegistryA(computer, HKEY_LOCAL_MACHINE, &root));
        ASSERT_EQ(ERROR_SUCCESS, Net().RegConnectRegistryA(computer, HKEY_LOCAL_MACHINE, &other));
        LabResetCounters(computer);
        auto read = std::make_unique<PolicyRead>();
        for (int i = 0; i < 3; ++i) {
            PolicyTarget target = {root, RolePrimaryDomainController, computer, NULL, NULL};
            EXPECT_TRUE(ReadPolicy(alerter, target, ReadUntilFailure, read.get())) << c.code;
            EXPECT_EQ(10u, read->values[1].data.number) << c.code;
        }
        EXPECT_EQ(c.asked, LabCounter(computer, "RegQueryMultipleValuesA")) << c.code;
        // Another connection is asked for itself, and answered once the fault is gone.
        LabClearFaults(computer);
        PolicyTarget target = {other, RolePrimaryDomainController, computer, NULL, NULL};
        EXPECT_TRUE(ReadPolicy(alerter, target, ReadUntilFailure, read.get()));
        EXPECT_EQ(c.asked + 1, LabCounter(computer, "RegQueryMultipleValuesA")) << c.code;
        ForgetBatchRefusal(root);
        ForgetBatchRefusal(other);
        Net().RegCloseKey(root);
        Net().RegCloseKey(other);
    }
}

// The lab's batched call: one round trip, the value faults of its values, its own fault, the
// registry's own answers for a missing value and a short buffer, and a broken connection.
TEST(LabBatchedCall, OneRoundTripWithTheFaultsOfItsValues)
{
    LabReset();
    ASSERT_TRUE(LabLoadDefaultNetwork());
    const char *computer = "VELMOR-PDC";
    const char *path = "SYSTEM\\CurrentControlSet\\Services\\Alerter\\Parameters";
    const struct {
        const char *fault, *faultName;
        const char *second;  // the second value asked for
        DWORD bufferSize;
        LONG expected;
    } cases[] = {
        {NULL, NULL, "CountNotOnNetworkCache", 64, ERROR_SUCCESS},
        {NULL, NULL, "Missing", 64, ERROR_FILE_NOT_FOUND},
        {NULL, NULL, "CountNotOnNetworkCache", 4, ERROR_MORE_DATA},
        {"QueryValue", "SYSTEM\\CurrentControlSet\\Services\\Alerter\\Parameters\\CountNotOnNetworkCache",
         "CountNotOnNetworkCache", 64, ERROR_ACCESS_DENIED},
        {"QueryMultiple", "SYSTEM\\CurrentControlSet\\Services\\Alerter\\Parameters",
         "CountNotOnNetworkCache", 64, ERROR_CALL_NOT_IMPLEMENTED},
        {"Break", NULL, "CountNotOnNetworkCache", 64, RPC_S_SERVER_UNAVAILABLE},
    };
    for (const auto &c : cases) {
        LabClearFaults(computer);
        HKEY root = NULL, key = NULL;
        ASSERT_EQ(ERROR_SUCCESS, Net().RegConnectRegistryA(computer, HKEY_LOCAL_MACHINE, &root));
        ASSERT_EQ(ERROR_SUCCESS, Net().RegOpenKeyExA(root, path, 0, KEY_READ, &key));
        if (c.fault && std::string(c.fault) == "Break")
            LabSetBreakAfter(computer, 2);
        else if (c.fault)
            LabSetFault(computer, c.fault, c.faultName, c.expected);
        LabResetCounters(computer);
        VALENTA values[2] = {};
        values[0].ve_valuename = (LPSTR) "IncludeMessageHeader";
        values[1].ve_valuename = (LPSTR)c.second;
        char buffer[64] = {};
        DWORD size = c.bufferSize;
        EXPECT_EQ(c.expected, Net().RegQueryMultipleValuesA(key, values, 2, buffer, &size)) << c.second;
        EXPECT_EQ(1u, LabCounter(computer, "RegQueryMultipleValuesA"));
        EXPECT_EQ(1u, LabCounter(computer, "RoundTrips"));
        if (c.expected == ERROR_SUCCESS) {
            EXPECT_EQ((DWORD)REG_DWORD, values[1].ve_type);
            EXPECT_EQ(10u, *(const DWORD *)values[1].ve_valueptr);
        }
        Net().RegCloseKey(key);
        Net().RegCloseKey(root);
    }
}

}  // namespace
