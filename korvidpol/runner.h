// Work on many servers at once: `parallel` worker threads take the servers in turn, each job
// with its own registry connection, and each server's report is gathered in memory. The reports
// are printed in the order the servers were given, each as soon as it and all before it are
// done, so a slow or unreachable server holds back only the printing of the ones after it.
#ifndef KORVIDPOL_RUNNER_H
#define KORVIDPOL_RUNNER_H

#include "korvidpol/text.h"

enum { kMinParallel = 1, kMaxParallel = 64, kDefaultParallel = 4 };

struct ServerReport {
    TextBuffer out;  // standard output
    TextBuffer err;  // standard error
    bool failed;     // the command could not finish on this server
};

typedef void (*ServerJob)(void *context, const char *server, ServerReport *report);

// Runs job for every server; returns how many failed. Ctrl+C, Ctrl+Break or the console's closing
// starts no further server; the servers in progress finish what they are writing, every report
// is printed in order with a line for each server not started, and at least 1 is returned.
int RunServers(const char *const *servers, int count, int parallel, ServerJob job, void *context);

// Whether the run was stopped: a job starts no further key once it is.
bool StopRequested();

#endif
