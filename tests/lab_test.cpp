// The lab network seen through its own table: names, real keys, faults, breaks, latency,
// counters and the default network.
#include <gtest/gtest.h>
#include <windows.h>
#include <lm.h>

#include <stdio.h>
#include <string.h>
#include <string>

#include "lab/lab.h"
#include "lab/labconfig.h"

namespace {

const char kAlerter[] = "SYSTEM\\CurrentControlSet\\Services\\Alerter\\Parameters";
const char kVersionKey[] = "SOFTWARE\\VelmorServer\\CurrentVersion";

const NetCalls &Lab() { return GetLabNetCalls(); }

std::wstring Wide(const char *text)
{
    return std::wstring(text, text + strlen(text));
}

// One computer with an Alerter key holding a count, and clean counters.
void SetUpBench(const char *name = "BENCH")
{
    LabReset();
    LabSetComputerDword(name, "Platform", 500);
    LabSetRegDword(name, kAlerter, "CountNotOnNetworkCache", 10);
}

HKEY Connect(const char *name)
{
    HKEY root = NULL;
    EXPECT_EQ(Lab().RegConnectRegistryA(name, HKEY_LOCAL_MACHINE, &root), ERROR_SUCCESS) << name;
    return root;
}

LONG QueryCount(HKEY key, DWORD *count)
{
    DWORD type = 0, size = sizeof(*count);
    return Lab().RegQueryValueExA(key, "CountNotOnNetworkCache", NULL, &type, (BYTE *)count, &size);
}

}  // namespace

TEST(LabNames, UnknownComputerIsNotThere)
{
    SetUpBench();
    HKEY root = (HKEY)1;
    EXPECT_EQ(Lab().RegConnectRegistryA("NOBODY", HKEY_LOCAL_MACHINE, &root), ERROR_BAD_NETPATH);
    EXPECT_EQ(root, (HKEY)NULL);
    LPBYTE buffer = (LPBYTE)1;
    EXPECT_EQ(Lab().NetWkstaGetInfo((LMSTR)L"\\\\NOBODY", 100, &buffer), (DWORD)ERROR_BAD_NETPATH);
    EXPECT_EQ(buffer, (LPBYTE)NULL);
    EXPECT_EQ(Lab().NetServerGetInfo((LMSTR)L"NOBODY", 101, &buffer), (DWORD)ERROR_BAD_NETPATH);
    EXPECT_EQ(Lab().RegConnectRegistryA("", HKEY_LOCAL_MACHINE, &root), ERROR_BAD_NETPATH);
    EXPECT_EQ(Lab().RegConnectRegistryA("\\\\", HKEY_LOCAL_MACHINE, &root), ERROR_BAD_NETPATH);
    // The attempts still went out on the wire.
    EXPECT_EQ(LabCounter("NOBODY", "RoundTrips"), 3u);
}

TEST(LabNames, MatchWithoutCaseAndWithBackslashes)
{
    SetUpBench("Bench-One");
    for (const char *name : {"Bench-One", "BENCH-ONE", "\\\\bench-one"}) {
        HKEY root = Connect(name);
        EXPECT_EQ(Lab().RegCloseKey(root), ERROR_SUCCESS);
    }
    LPBYTE buffer = NULL;
    ASSERT_EQ(Lab().NetWkstaGetInfo((LMSTR)L"\\\\BENCH-ONE", 100, &buffer), (DWORD)NERR_Success);
    // The lab answers with the computer's own spelling, and counts every call under it.
    EXPECT_STREQ(((WKSTA_INFO_100 *)buffer)->wki100_computername, L"Bench-One");
    EXPECT_EQ(Lab().NetApiBufferFree(buffer), (DWORD)NERR_Success);
    EXPECT_EQ(LabCounter("bench-one", "RegConnectRegistryA"), 3u);
    EXPECT_EQ(LabCounter("\\\\BENCH-ONE", "RegCloseKey"), 3u);
}

TEST(LabRegistry, RealKeysBelowTheRoot)
{
    SetUpBench();
    HKEY root = Connect("BENCH"), key = NULL;
    ASSERT_EQ(Lab().RegOpenKeyExA(root, kAlerter, 0, KEY_READ | KEY_WRITE, &key), ERROR_SUCCESS);
    DWORD count = 0;
    EXPECT_EQ(QueryCount(key, &count), ERROR_SUCCESS);
    EXPECT_EQ(count, 10u);

    // A buffer too small for a value, and a string written without its terminator: the
    // registry's own answers.
    LabSetRegString("BENCH", kAlerter, "Long", "abcdef");
    char text[3];
    DWORD type = 0, size = sizeof(text);
    EXPECT_EQ(Lab().RegQueryValueExA(key, "Long", NULL, &type, (BYTE *)text, &size), ERROR_MORE_DATA);
    EXPECT_EQ(size, 7u);
    EXPECT_EQ(Lab().RegSetValueExA(key, "Name", 0, REG_SZ, (const BYTE *)"abcX", 3), ERROR_SUCCESS);
    EXPECT_EQ(Lab().RegQueryValueExA(key, "Missing", NULL, &type, (BYTE *)text, &size),
              ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(Lab().RegFlushKey(key), ERROR_SUCCESS);
    std::string stored;
    EXPECT_TRUE(LabGetRegString("bench", kAlerter, "Name", &stored));
    EXPECT_EQ(stored, "abc");

    // A key opened for reading refuses writes as the registry does.
    HKEY readOnly = NULL;
    ASSERT_EQ(Lab().RegOpenKeyExA(root, kAlerter, 0, KEY_READ, &readOnly), ERROR_SUCCESS);
    EXPECT_EQ(Lab().RegSetValueExA(readOnly, "Name", 0, REG_SZ, (const BYTE *)"x", 1),
              ERROR_ACCESS_DENIED);
    EXPECT_EQ(Lab().RegOpenKeyExA(root, "SOFTWARE\\Nowhere", 0, KEY_READ, &readOnly),
              ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(Lab().RegCloseKey(key), ERROR_SUCCESS);
    EXPECT_EQ(Lab().RegCloseKey(root), ERROR_SUCCESS);

    // Handles the lab never gave out, or took back, are refused.
    EXPECT_EQ(Lab().RegCloseKey(key), ERROR_INVALID_HANDLE);
    EXPECT_EQ(Lab().RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE", 0, KEY_READ, &key),
              ERROR_INVALID_HANDLE);
    EXPECT_EQ(Lab().RegQueryValueExA(NULL, "x", NULL, NULL, NULL, NULL), ERROR_INVALID_HANDLE);
    EXPECT_EQ(Lab().RegConnectRegistryA("BENCH", HKEY_CURRENT_USER, &key), ERROR_INVALID_HANDLE);
}

TEST(LabFaults, EachKindFailsOnlyItsCall)
{
    SetUpBench();
    HKEY root = Connect("BENCH"), key = NULL;
    LabSetFault("BENCH", "OpenWrite", kAlerter, ERROR_ACCESS_DENIED);
    EXPECT_EQ(Lab().RegOpenKeyExA(root, kAlerter, 0, KEY_WRITE, &key), ERROR_ACCESS_DENIED);
    EXPECT_EQ(key, (HKEY)NULL);
    ASSERT_EQ(Lab().RegOpenKeyExA(root, kAlerter, 0, KEY_READ, &key), ERROR_SUCCESS);
    EXPECT_EQ(Lab().RegCloseKey(key), ERROR_SUCCESS);

    // The key path counts whole, however it was reached.
    LabSetFault("BENCH", "OpenRead", kAlerter, ERROR_FILE_NOT_FOUND);
    HKEY services = NULL;
    ASSERT_EQ(Lab().RegOpenKeyExA(root, "SYSTEM\\CurrentControlSet\\Services", 0, KEY_READ, &services),
              ERROR_SUCCESS);
    EXPECT_EQ(Lab().RegOpenKeyExA(services, "alerter\\parameters", 0, KEY_READ, &key),
              ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(Lab().RegCloseKey(services), ERROR_SUCCESS);

    // Faults are read at every call: cleared, the same open works.
    LabClearFaults("BENCH");
    ASSERT_EQ(Lab().RegOpenKeyExA(root, kAlerter, 0, KEY_READ | KEY_WRITE, &key), ERROR_SUCCESS);
    std::string valuePath = std::string(kAlerter) + "\\CountNotOnNetworkCache";
    LabSetFault("BENCH", "QueryValue", valuePath.c_str(), ERROR_MORE_DATA);
    LabSetFault("BENCH", "SetValue", valuePath.c_str(), ERROR_ACCESS_DENIED);
    DWORD count = 0;
    EXPECT_EQ(QueryCount(key, &count), ERROR_MORE_DATA);
    DWORD twenty = 20;
    EXPECT_EQ(Lab().RegSetValueExA(key, "CountNotOnNetworkCache", 0, REG_DWORD, (const BYTE *)&twenty,
                                   sizeof(twenty)),
              ERROR_ACCESS_DENIED);
    EXPECT_TRUE(LabGetRegDword("BENCH", kAlerter, "CountNotOnNetworkCache", &count));
    EXPECT_EQ(count, 10u);  // the refused write changed nothing
    // Other values of the key are untouched by these faults.
    EXPECT_EQ(Lab().RegSetValueExA(key, "Other", 0, REG_DWORD, (const BYTE *)&twenty, sizeof(twenty)),
              ERROR_SUCCESS);
    EXPECT_EQ(Lab().RegCloseKey(key), ERROR_SUCCESS);
    EXPECT_EQ(Lab().RegCloseKey(root), ERROR_SUCCESS);
}

TEST(LabFaults, StatusesOfTheComputer)
{
    SetUpBench();
    LabSetComputerDword("BENCH", "ConnectStatus", ERROR_ACCESS_DENIED);
    LabSetComputerDword("BENCH", "WkstaStatus", 2102);
    LabSetComputerDword("BENCH", "ServerStatus", 2114);
    HKEY root = NULL;
    LPBYTE buffer = NULL;
    EXPECT_EQ(Lab().RegConnectRegistryA("BENCH", HKEY_LOCAL_MACHINE, &root), ERROR_ACCESS_DENIED);
    EXPECT_EQ(Lab().NetWkstaGetInfo((LMSTR)L"BENCH", 100, &buffer), 2102u);
    EXPECT_EQ(Lab().NetServerGetInfo((LMSTR)L"BENCH", 101, &buffer), 2114u);
    EXPECT_EQ(buffer, (LPBYTE)NULL);
    EXPECT_EQ(LabCounter("BENCH", "NetBuffers"), 0u);
    EXPECT_EQ(LabCounter("BENCH", "OpenRoots"), 0u);
}

TEST(LabFaults, BreakAfterCallsUntilANewConnection)
{
    SetUpBench();
    LabSetBreakAfter("BENCH", 3, ERROR_NETNAME_DELETED);
    HKEY root = Connect("BENCH"), key = NULL;                                       // call 1
    ASSERT_EQ(Lab().RegOpenKeyExA(root, kAlerter, 0, KEY_READ, &key), ERROR_SUCCESS);  // call 2
    DWORD count = 0;
    EXPECT_EQ(QueryCount(key, &count), ERROR_SUCCESS);                                  // call 3
    EXPECT_EQ(QueryCount(key, &count), ERROR_NETNAME_DELETED);
    HKEY other = NULL;
    EXPECT_EQ(Lab().RegOpenKeyExA(root, kAlerter, 0, KEY_READ, &other), ERROR_NETNAME_DELETED);
    EXPECT_EQ(Lab().RegFlushKey(root), ERROR_NETNAME_DELETED);

    // A fresh connection has its own count; the old one stays broken.
    HKEY fresh = Connect("BENCH");
    ASSERT_EQ(Lab().RegOpenKeyExA(fresh, kAlerter, 0, KEY_READ, &other), ERROR_SUCCESS);
    EXPECT_EQ(QueryCount(other, &count), ERROR_SUCCESS);
    EXPECT_EQ(QueryCount(key, &count), ERROR_NETNAME_DELETED);

    // Closing a broken key reports the break but lets the key go.
    EXPECT_EQ(Lab().RegCloseKey(key), ERROR_NETNAME_DELETED);
    EXPECT_EQ(Lab().RegCloseKey(root), ERROR_NETNAME_DELETED);
    EXPECT_EQ(Lab().RegCloseKey(key), ERROR_INVALID_HANDLE);
    EXPECT_EQ(LabCounter("BENCH", "OpenKeys"), 1u);
    EXPECT_EQ(LabCounter("BENCH", "OpenRoots"), 1u);
    EXPECT_EQ(Lab().RegCloseKey(other), ERROR_NETNAME_DELETED);  // the fresh one's 4th call
    EXPECT_EQ(Lab().RegCloseKey(fresh), ERROR_NETNAME_DELETED);
    EXPECT_EQ(LabCounter("BENCH", "OpenKeys"), 0u);
    EXPECT_EQ(LabCounter("BENCH", "OpenRoots"), 0u);

    // The status defaults to 1722; a break set after the connect strikes at the next call.
    LabClearFaults("bench");
    root = Connect("BENCH");
    LabSetBreakAfter("BENCH", 1);
    EXPECT_EQ(Lab().RegFlushKey(root), RPC_S_SERVER_UNAVAILABLE);
    EXPECT_EQ(Lab().RegCloseKey(root), RPC_S_SERVER_UNAVAILABLE);
}

TEST(LabLatency, EveryCrossingCallWaits)
{
    SetUpBench();
    HKEY root = Connect("BENCH");
    LabSetComputerDword("BENCH", "LatencyMs", 100);
    DWORD start = GetTickCount();
    EXPECT_EQ(Lab().RegFlushKey(root), ERROR_SUCCESS);
    EXPECT_EQ(Lab().RegCloseKey(root), ERROR_SUCCESS);
    EXPECT_GE(GetTickCount() - start, 150u);
    LabSetComputerDword("BENCH", "LatencyMs", 0);
    root = Connect("BENCH");
    EXPECT_EQ(Lab().RegCloseKey(root), ERROR_SUCCESS);
}

TEST(LabCounters, CallsRoundTripsAndGauges)
{
    SetUpBench();
    HKEY root = Connect("BENCH"), key = NULL, second = NULL;
    ASSERT_EQ(Lab().RegOpenKeyExA(root, kAlerter, 0, KEY_READ | KEY_WRITE, &key), ERROR_SUCCESS);
    ASSERT_EQ(Lab().RegOpenKeyExA(root, "SYSTEM", 0, KEY_READ, &second), ERROR_SUCCESS);
    EXPECT_EQ(LabCounter("BENCH", "OpenKeys"), 2u);
    EXPECT_EQ(LabCounter("BENCH", "OpenRoots"), 1u);
    DWORD count = 0;
    QueryCount(key, &count);
    Lab().RegSetValueExA(key, "CountNotOnNetworkCache", 0, REG_DWORD, (const BYTE *)&count, 4);
    Lab().RegFlushKey(key);
    Lab().RegCloseKey(key);
    EXPECT_EQ(LabCounter("BENCH", "OpenKeys"), 1u);
    Lab().RegCloseKey(second);
    Lab().RegCloseKey(root);

    LPBYTE wksta = NULL, server = NULL;
    Lab().NetWkstaGetInfo((LMSTR)L"BENCH", 100, &wksta);
    Lab().NetServerGetInfo((LMSTR)L"BENCH", 101, &server);
    EXPECT_EQ(LabCounter("BENCH", "NetBuffers"), 2u);
    EXPECT_EQ(Lab().NetApiBufferFree(wksta), (DWORD)NERR_Success);
    EXPECT_EQ(Lab().NetApiBufferFree(server), (DWORD)NERR_Success);
    // A buffer the lab did not hand out is not freed, nor counted.
    EXPECT_EQ(Lab().NetApiBufferFree(server), (DWORD)ERROR_INVALID_PARAMETER);
    EXPECT_EQ(Lab().NetApiBufferFree(NULL), (DWORD)NERR_Success);

    const struct { const char *counter; DWORD expected; } expected[] = {
        {"RegConnectRegistryA", 1}, {"RegOpenKeyExA", 2},   {"RegQueryValueExA", 1},
        {"RegSetValueExA", 1},      {"RegFlushKey", 1},     {"RegCloseKey", 3},
        {"NetWkstaGetInfo", 1},     {"NetServerGetInfo", 1}, {"NetApiBufferFree", 2},
        {"RoundTrips", 11},  // every call but the frees
        {"OpenKeys", 0},            {"OpenRoots", 0},       {"NetBuffers", 0},
    };
    for (const auto &row : expected) EXPECT_EQ(LabCounter("BENCH", row.counter), row.expected) << row.counter;
    LabResetCounters("BENCH");
    EXPECT_EQ(LabCounter("BENCH", "RoundTrips"), 0u);
}

TEST(LabNetInfo, WorkstationAndServerRecords)
{
    LabReset();
    LabSetComputerDword("OLD-LM", "Platform", 400);
    LabSetComputerDword("OLD-LM", "VersionMajor", 2);
    LabSetComputerDword("OLD-LM", "VersionMinor", 2);
    LabSetComputerString("OLD-LM", "LanGroup", "KORVID");
    LabSetComputerDword("OLD-LM", "ServerType", 0x13);
    LabSetComputerDword("OLD-LM", "ServerVersionMajor", 2);
    LabSetComputerDword("OLD-LM", "ServerVersionMinor", 1);
    LabSetComputerString("OLD-LM", "ServerComment", "Archive");
    LabSetComputerDword("PLAIN", "LatencyMs", 0);

    LPBYTE buffer = NULL;
    ASSERT_EQ(Lab().NetWkstaGetInfo((LMSTR)L"OLD-LM", 100, &buffer), (DWORD)NERR_Success);
    const WKSTA_INFO_100 *wksta = (const WKSTA_INFO_100 *)buffer;
    EXPECT_EQ(wksta->wki100_platform_id, 400u);
    EXPECT_EQ(wksta->wki100_ver_major, 2u);
    EXPECT_EQ(wksta->wki100_ver_minor, 2u);
    EXPECT_STREQ(wksta->wki100_langroup, L"KORVID");
    Lab().NetApiBufferFree(buffer);
    ASSERT_EQ(Lab().NetServerGetInfo((LMSTR)L"\\\\OLD-LM", 101, &buffer), (DWORD)NERR_Success);
    const SERVER_INFO_101 *server = (const SERVER_INFO_101 *)buffer;
    EXPECT_STREQ(server->sv101_name, L"OLD-LM");
    EXPECT_EQ(server->sv101_platform_id, 400u);
    EXPECT_EQ(server->sv101_version_major, 2u);
    EXPECT_EQ(server->sv101_version_minor, 1u);
    EXPECT_EQ(server->sv101_type, 0x13u);
    EXPECT_STREQ(server->sv101_comment, L"Archive");
    Lab().NetApiBufferFree(buffer);

    // Unset values take their defaults.
    ASSERT_EQ(Lab().NetWkstaGetInfo((LMSTR)L"PLAIN", 100, &buffer), (DWORD)NERR_Success);
    wksta = (const WKSTA_INFO_100 *)buffer;
    EXPECT_EQ(wksta->wki100_platform_id, 500u);
    EXPECT_EQ(wksta->wki100_ver_major, 4u);
    EXPECT_STREQ(wksta->wki100_langroup, L"WORKGROUP");
    Lab().NetApiBufferFree(buffer);
    ASSERT_EQ(Lab().NetServerGetInfo((LMSTR)L"PLAIN", 101, &buffer), (DWORD)NERR_Success);
    EXPECT_EQ(((const SERVER_INFO_101 *)buffer)->sv101_type, 0x1003u);
    EXPECT_STREQ(((const SERVER_INFO_101 *)buffer)->sv101_comment, L"");
    Lab().NetApiBufferFree(buffer);

    EXPECT_EQ(Lab().NetWkstaGetInfo((LMSTR)L"PLAIN", 101, &buffer), (DWORD)ERROR_INVALID_LEVEL);
    EXPECT_EQ(Lab().NetServerGetInfo((LMSTR)L"PLAIN", 100, &buffer), (DWORD)ERROR_INVALID_LEVEL);
    EXPECT_EQ(LabCounter("PLAIN", "NetBuffers"), 0u);
}

TEST(LabDefaultNetwork, LoadsAndClassifies)
{
    LabReset();
    ASSERT_TRUE(LabLoadDefaultNetwork());
    const struct { const char *name; DWORD status, platform, major, minor; } computers[] = {
        {"VELMOR-PDC", 0, 500, 4, 0},  {"VELMOR-BDC", 0, 500, 4, 0}, {"VELMOR-MEMBER", 0, 500, 4, 0},
        {"VELMOR-SOLO", 0, 500, 4, 0}, {"VELMOR-NOVER", 0, 500, 4, 0}, {"NT-SERVER", 0, 500, 4, 0},
        {"NT-WKSTA", 0, 500, 4, 0},    {"WIN95-PC", 0, 400, 4, 0},    {"WFW-PC", 0, 400, 2, 51},
        {"LANMAN-SRV", 0, 400, 2, 2},  {"DOS-PC", 0, 300, 3, 0},      {"OFFLINE-PC", 53, 0, 0, 0},
        {"LOCKED-SRV", 0, 500, 4, 0},
    };
    for (const auto &row : computers) {
        LPBYTE buffer = NULL;
        std::wstring name = Wide(row.name);
        ASSERT_EQ(Lab().NetWkstaGetInfo(&name[0], 100, &buffer), row.status) << row.name;
        if (buffer == NULL) continue;
        const WKSTA_INFO_100 *info = (const WKSTA_INFO_100 *)buffer;
        EXPECT_EQ(info->wki100_platform_id, row.platform) << row.name;
        EXPECT_EQ(info->wki100_ver_major, row.major) << row.name;
        EXPECT_EQ(info->wki100_ver_minor, row.minor) << row.name;
        Lab().NetApiBufferFree(buffer);
    }

    const struct { const char *name; DWORD type; } servers[] = {
        {"VELMOR-PDC", 0x100B}, {"VELMOR-BDC", 0x1013}, {"VELMOR-MEMBER", 0x1103},
    };
    for (const auto &row : servers) {
        LPBYTE buffer = NULL;
        std::wstring name = Wide(row.name);
        ASSERT_EQ(Lab().NetServerGetInfo(&name[0], 101, &buffer), (DWORD)NERR_Success) << row.name;
        EXPECT_EQ(((const SERVER_INFO_101 *)buffer)->sv101_type, row.type) << row.name;
        Lab().NetApiBufferFree(buffer);
    }

    HKEY root = NULL;
    EXPECT_EQ(Lab().RegConnectRegistryA("OFFLINE-PC", HKEY_LOCAL_MACHINE, &root), ERROR_BAD_NETPATH);
    EXPECT_EQ(Lab().RegConnectRegistryA("LOCKED-SRV", HKEY_LOCAL_MACHINE, &root), ERROR_ACCESS_DENIED);

    // The keys that tell the kinds of NT-platform computer apart.
    const char kResources[] = "SYSTEM\\CurrentControlSet\\Control\\SystemResources";
    const char kWriteProbe[] = "SYSTEM\\CurrentControlSet\\Services\\VelmorServer\\Parameters";
    const struct { const char *name; LONG version, resources, writeProbe; } probes[] = {
        {"VELMOR-PDC", 0, 0, 0},   {"VELMOR-SOLO", 0, 0, 0}, {"VELMOR-NOVER", 2, 2, 0},
        {"NT-SERVER", 2, 0, 2},
    };
    for (const auto &row : probes) {
        root = Connect(row.name);
        const struct { const char *path; REGSAM access; LONG expected; } opens[] = {
            {kVersionKey, KEY_READ, row.version},
            {kResources, KEY_READ, row.resources},
            {kWriteProbe, KEY_WRITE, row.writeProbe},
        };
        for (const auto &open : opens) {
            HKEY key = NULL;
            EXPECT_EQ(Lab().RegOpenKeyExA(root, open.path, 0, open.access, &key), open.expected)
                << row.name << " " << open.path;
            if (key != NULL) Lab().RegCloseKey(key);
        }
        Lab().RegCloseKey(root);
    }

    std::string text;
    EXPECT_TRUE(LabGetRegString("NT-SERVER", "SYSTEM\\CurrentControlSet\\Control\\ProductOptions",
                                "ProductType", &text));
    EXPECT_EQ(text, "LanmanNT");
    EXPECT_TRUE(LabGetRegString("NT-WKSTA", "SYSTEM\\CurrentControlSet\\Control\\ProductOptions",
                                "ProductType", &text));
    EXPECT_EQ(text, "WinNT");
    EXPECT_TRUE(LabGetRegString("VELMOR-PDC", kVersionKey, "CurrentVersion", &text));
    EXPECT_EQ(text, "3.0");
}

TEST(LabDefaultNetwork, PolicyValuesHoldTheirDefaults)
{
    LabReset();
    ASSERT_TRUE(LabLoadDefaultNetwork());
    const char kServices[] = "SYSTEM\\CurrentControlSet\\Services\\";
    const struct { const char *key, *value; DWORD data; } dwords[] = {
        {"UPS\\Parameters", "PowerMessageInterval", 1},
        {"Alerter\\Parameters", "NotOnNetworkCacheTimeout", 120},
        {"Browser\\Parameters", "BackupRecovery", 1800},
        {"Netlogon\\Parameters", "Pulse", 300},
        {"Netlogon\\Parameters", "LogonQuery", 900},
        {"VelmorServer\\FileServiceParameters", "UnixFilePerms", 1460},
        {"LanmanServer\\Parameters", "SrvAnnounce", 180},
    };
    for (const auto &row : dwords) {
        DWORD data = 0;
        std::string key = std::string(kServices) + row.key;
        EXPECT_TRUE(LabGetRegDword("VELMOR-PDC", key.c_str(), row.value, &data)) << row.value;
        EXPECT_EQ(data, row.data) << row.value;
    }
    // Scripts is an expandable string; the backup controller keeps its password age in seconds.
    DWORD type = 0, size = 0;
    HKEY key = NULL;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER,
                            "Software\\Korvid Lab\\Computers\\VELMOR-BDC\\HKLM\\SYSTEM\\"
                            "CurrentControlSet\\Services\\Netlogon\\Parameters",
                            0, KEY_READ, &key),
              ERROR_SUCCESS);
    EXPECT_EQ(RegQueryValueExA(key, "Scripts", NULL, &type, NULL, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, (DWORD)REG_EXPAND_SZ);
    RegCloseKey(key);
    std::string text;
    EXPECT_TRUE(LabGetRegString("VELMOR-BDC", "SYSTEM\\CurrentControlSet\\Services\\Netlogon\\Parameters",
                                "Scripts", &text));
    EXPECT_EQ(text, "%SystemRoot%\\var\\opt\\lanman\\shares\\korvid\\repl\\import\\scripts");
    DWORD age = 0;
    EXPECT_TRUE(LabGetRegDword("VELMOR-BDC", "SYSTEM\\CurrentControlSet\\Services\\Netlogon\\Parameters",
                               "SSIPasswdAge", &age));
    EXPECT_EQ(age, 7u * 86400u);
    EXPECT_FALSE(LabRegValueExists("VELMOR-BDC", "SYSTEM\\CurrentControlSet\\Services\\Netlogon\\Parameters",
                                   "MaximumPasswordAge"));
}

TEST(LabRegFile, ImportsBothFormats)
{
    LabReset();
    char folder[MAX_PATH], path[MAX_PATH];
    ASSERT_NE(GetTempPathA(sizeof(folder), folder), 0u);
    snprintf(path, sizeof(path), "%slabtest.reg", folder);
    const char kOld[] =
        "REGEDIT4\r\n\r\n; a comment\r\n"
        "[HKEY_CURRENT_USER\\Software\\Korvid Lab\\Computers\\FILE-PC\\HKLM\\Soft]\r\n"
        "@=\"default\"\r\n"
        "\"Quoted \\\"name\\\"\"=\"C:\\\\dir\"\r\n"
        "\"Count\"=dword:0000002a ; the answer\r\n"
        "\"Path\"=hex(2):25,41,25,\\\r\n  00\r\n"
        "\"Blob\"=hex:01,02,ff\r\n"
        "\"Gone\"=\"soon\"\r\n"
        "\"Gone\"=-\r\n"
        "[HKEY_CURRENT_USER\\Software\\Korvid Lab\\Computers\\FILE-PC\\HKLM\\Old]\r\n"
        "[-HKEY_CURRENT_USER\\Software\\Korvid Lab\\Computers\\FILE-PC\\HKLM\\Old]\r\n";
    HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(file, kOld, sizeof(kOld) - 1, &written, NULL);
    CloseHandle(file);
    ASSERT_TRUE(LabImportRegFile(path));

    std::string text;
    DWORD count = 0;
    EXPECT_TRUE(LabGetRegString("FILE-PC", "Soft", "", &text));
    EXPECT_EQ(text, "default");
    EXPECT_TRUE(LabGetRegString("FILE-PC", "Soft", "Quoted \"name\"", &text));
    EXPECT_EQ(text, "C:\\dir");
    EXPECT_TRUE(LabGetRegDword("FILE-PC", "Soft", "Count", &count));
    EXPECT_EQ(count, 42u);
    EXPECT_TRUE(LabGetRegString("FILE-PC", "Soft", "Path", &text));
    EXPECT_EQ(text, "%A%");
    EXPECT_TRUE(LabRegValueExists("FILE-PC", "Soft", "Blob"));
    EXPECT_FALSE(LabRegValueExists("FILE-PC", "Soft", "Gone"));
    HKEY key = NULL;
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Korvid Lab\\Computers\\FILE-PC\\HKLM\\Old", 0,
                            KEY_READ, &key),
              ERROR_FILE_NOT_FOUND);

    // Version 5 files hold expandable strings as UTF-16; a broken line fails the import.
    const char kNew[] =
        "Windows Registry Editor Version 5.00\r\n"
        "[HKEY_CURRENT_USER\\Software\\Korvid Lab\\Computers\\FILE-PC\\HKLM\\Soft]\r\n"
        "\"Path\"=hex(2):25,00,42,00,25,00,00,00\r\n"
        "\"Bad\"=dword:xyz\r\n";
    file = CreateFileA(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
    WriteFile(file, kNew, sizeof(kNew) - 1, &written, NULL);
    CloseHandle(file);
    EXPECT_FALSE(LabImportRegFile(path));
    EXPECT_TRUE(LabGetRegString("FILE-PC", "Soft", "Path", &text));
    EXPECT_EQ(text, "%B%");
    DeleteFileA(path);
}
