#include "connection/netcalls.h"

namespace {

// Each member takes the function of its own name: two calls of one type cannot change places.
#define KORVID_REAL_CALL(table, name) ((table).name = ::name)

NetCalls MakeRealCalls()
{
    NetCalls table = {};
    KORVID_REAL_CALL(table, RegConnectRegistryA);
    KORVID_REAL_CALL(table, NetWkstaGetInfo);
    KORVID_REAL_CALL(table, NetServerGetInfo);
    KORVID_REAL_CALL(table, NetApiBufferFree);
    KORVID_REAL_CALL(table, RegOpenKeyExA);
    KORVID_REAL_CALL(table, RegQueryValueExA);
    KORVID_REAL_CALL(table, RegSetValueExA);
    KORVID_REAL_CALL(table, RegFlushKey);
    KORVID_REAL_CALL(table, RegCloseKey);
    KORVID_REAL_CALL(table, RegDeleteValueA);
    KORVID_REAL_CALL(table, RegQueryMultipleValuesA);
    KORVID_REAL_CALL(table, NetServerEnum);
    return table;
}

#undef KORVID_REAL_CALL

NetCalls installedCalls = MakeRealCalls();

}  // namespace

const NetCalls &Net() { return installedCalls; }

void InstallNetCalls(const NetCalls &table) { installedCalls = table; }
