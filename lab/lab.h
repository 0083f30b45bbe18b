// The lab network: a stand-in for the computers on the network, described in the local
// registry under HKEY_CURRENT_USER\Software\Korvid Lab.
#ifndef KORVID_LAB_H
#define KORVID_LAB_H

#include "connection/netcalls.h"

// The lab's table of network calls.
const NetCalls &GetLabNetCalls();
// Installs the lab's table as the program's network calls, and lets the select-computer library
// be found by the standard search, which finds the lab's stand-in beside its program.
void InstallLabNetwork();

#endif
