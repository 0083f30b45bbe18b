// korvidpol: the ten policies of many Velmor Servers from the command line, with the program's
// own knowledge of each policy.
#ifndef KORVIDPOL_KORVIDPOL_H
#define KORVIDPOL_KORVIDPOL_H

#include "korvidpol/cmdline.h"

enum { ExitDone = 0, ExitFailed = 1, ExitUsage = 2 };

// The whole program: parses the command line, runs the command, returns the exit code.
int RunKorvidPol(int argc, char **argv);

// The commands; each returns its exit code.
int ListPolicies(const PolOptions &options);
int ShowServer(const PolOptions &options);
int ExportServer(const PolOptions &options);
int DiffSources(const PolOptions &options);
int ApplyFile(const PolOptions &options);
int RestoreFile(const PolOptions &options);
int ListDomainServers(const PolOptions &options);
int CheckBaseline(const PolOptions &options);

// Bad usage: the reason and a pointer to the usage on standard error.
int ReportUsage(const char *reason);

#endif
