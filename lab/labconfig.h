// Setting up the lab network from a test or a tool. Everything lives below
// HKEY_CURRENT_USER\Software\Korvid Lab:
//   Computers\<NAME>          Platform, VersionMajor, VersionMinor, LanGroup, WkstaStatus, ServerType,
//                             ServerVersionMajor, ServerVersionMinor, ServerComment, ServerStatus,
//                             ConnectStatus, LatencyMs
//   Computers\<NAME>\HKLM     the computer's HKEY_LOCAL_MACHINE
//   Computers\<NAME>\Faults   OpenRead, OpenWrite, QueryValue, SetValue, DeleteValue,
//                             QueryMultiple, Flush (subkeys), BreakAfterCalls, BreakStatus
//   Domains\<DOMAIN>          EnumStatus, LatencyMs, EnumBytes (NetServerEnum of that domain)
//   Workstation (root value)  the lab computer the programs run on (NetWkstaGetInfo without a name)
//   Calls\<NAME>              one counter per call of the network table, RoundTrips, and the gauges
//                             OpenKeys (keys below a root), OpenRoots (roots) and NetBuffers
// A computer name may be given with a leading "\\"; names match without regard to case.
// keyPath is below the computer's HKLM, e.g. "SYSTEM\\CurrentControlSet\\Services\\Alerter\\Parameters".
#ifndef KORVID_LABCONFIG_H
#define KORVID_LABCONFIG_H

#include <windows.h>
#include <string>

// Deletes the whole Korvid Lab key: computers, faults and counters.
void LabReset();
// Imports the default network (every .reg file of lab/network); false when the folder is not
// found next to the program or a file does not import whole.
bool LabLoadDefaultNetwork();
// Imports one .reg file (REGEDIT4 or version 5.00 format) into the registry.
bool LabImportRegFile(const char *path);

void LabSetComputerDword(const char *computer, const char *value, DWORD data);
void LabSetComputerString(const char *computer, const char *value, const char *text);

void LabSetRegValue(const char *computer, const char *keyPath, const char *name, DWORD type,
                    const void *data, DWORD size);
void LabSetRegDword(const char *computer, const char *keyPath, const char *name, DWORD data);
// REG_SZ, the text and its terminator.
void LabSetRegString(const char *computer, const char *keyPath, const char *name, const char *text);
// False when the value is missing or not a REG_DWORD.
bool LabGetRegDword(const char *computer, const char *keyPath, const char *name, DWORD *data);
// False when the value is missing or not a string; the text ends at its first zero.
bool LabGetRegString(const char *computer, const char *keyPath, const char *name, std::string *text);
bool LabRegValueExists(const char *computer, const char *keyPath, const char *name);
void LabDeleteRegValue(const char *computer, const char *keyPath, const char *name);
// The key and everything below it.
void LabDeleteRegKey(const char *computer, const char *keyPath);

// kind: "OpenRead", "OpenWrite", "QueryMultiple", "Flush" (key path), "QueryValue",
// "SetValue", "DeleteValue" ("keypath\\value");
// a code of 0 is no fault.
void LabSetFault(const char *computer, const char *kind, const char *name, DWORD code);
// Removes every fault, the break included.
void LabClearFaults(const char *computer);
// The connect is a connection's first call: after `calls` calls a connection fails every later
// call with status, until a new connect.
void LabSetBreakAfter(const char *computer, DWORD calls, DWORD status = 1722);

// Domains\<DOMAIN>\<value>: EnumStatus, LatencyMs, EnumBytes of NetServerEnum for that domain.
void LabSetDomainDword(const char *domain, const char *value, DWORD data);
// The root's Workstation value: the lab computer the programs run on.
void LabSetWorkstation(const char *computer);

// Calls\<NAME>\<counter>; 0 when absent (NetServerEnum counts under the domain's name).
DWORD LabCounter(const char *computer, const char *counter);
// Clears the computer's counters and gauges (a key still open then closes a gauge at 0).
void LabResetCounters(const char *computer);

#endif
