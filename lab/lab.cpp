#include "lab/lab.h"
const NetCalls &GetLabNetCalls() { return GetRealNetCalls(); }
void InstallLabNetwork() { InstallNetCalls(GetLabNetCalls()); }
