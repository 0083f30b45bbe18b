// The calls that reach the selected computer over the network. The program fills the table
// with the real Win32 functions; the lab network (lab/) installs its own stand-ins.
// Only the remote registry (keys below the remote root), the LAN Manager queries and the
// enumeration of a domain's servers go through here; the local registry and everything else is called directly.
#ifndef KORVID_NETCALLS_H
#define KORVID_NETCALLS_H

#include <windows.h>
#include <lm.h>

struct NetCalls {
    LONG (WINAPI *RegConnectRegistryA)(LPCSTR machine, HKEY key, PHKEY result);
    NET_API_STATUS (WINAPI *NetWkstaGetInfo)(LMSTR server, DWORD level, LPBYTE *buffer);
    NET_API_STATUS (WINAPI *NetServerGetInfo)(LMSTR server, DWORD level, LPBYTE *buffer);
    NET_API_STATUS (WINAPI *NetApiBufferFree)(LPVOID buffer);
    LONG (WINAPI *RegOpenKeyExA)(HKEY key, LPCSTR subKey, DWORD options, REGSAM access, PHKEY result);
    LONG (WINAPI *RegQueryValueExA)(HKEY key, LPCSTR name, LPDWORD reserved, LPDWORD type,
                                    LPBYTE data, LPDWORD size);
    LONG (WINAPI *RegSetValueExA)(HKEY key, LPCSTR name, DWORD reserved, DWORD type,
                                  const BYTE *data, DWORD size);
    LONG (WINAPI *RegFlushKey)(HKEY key);
    LONG (WINAPI *RegCloseKey)(HKEY key);
    // Only korvidpol's restore deletes a value (a value an undo file records as missing).
    LONG (WINAPI *RegDeleteValueA)(HKEY key, LPCSTR name);
    // Several values of one key in one round trip.
    LONG (WINAPI *RegQueryMultipleValuesA)(HKEY key, PVALENTA values, DWORD count, LPSTR buffer,
                                           LPDWORD size);
    // The computers a browser of a domain knows (korvidpol's discovery of a domain).
    NET_API_STATUS (WINAPI *NetServerEnum)(LMCSTR server, DWORD level, LPBYTE *buffer,
                                           DWORD preferredLength, LPDWORD entriesRead,
                                           LPDWORD totalEntries, DWORD serverType, LMCSTR domain,
                                           LPDWORD resumeHandle);
};

// The table in use; the real functions unless another table was installed.
const NetCalls &Net();
// Replaces the table (the lab does this before the program's entry runs).
void InstallNetCalls(const NetCalls &table);

#endif
