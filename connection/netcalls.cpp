#include "connection/netcalls.h"

namespace {

const NetCalls realCalls = {
    ::RegConnectRegistryA, ::NetWkstaGetInfo, ::NetServerGetInfo, ::NetApiBufferFree,
    ::RegOpenKeyExA, ::RegQueryValueExA, ::RegSetValueExA, ::RegFlushKey, ::RegCloseKey,
    ::RegDeleteValueA, ::RegQueryMultipleValuesA, ::NetServerEnum,
};

NetCalls installedCalls = realCalls;

}  // namespace

const NetCalls &Net() { return installedCalls; }

void InstallNetCalls(const NetCalls &table) { installedCalls = table; }
