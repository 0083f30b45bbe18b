#include "korvidpol/runner.h"

#include <stdlib.h>

#include "korvidpol/progress.h"

namespace {

// A job's deepest frames hold a few registry buffers of 5000 bytes: a small stack is plenty, and
// 64 workers do not each reserve the program's default.
const SIZE_T kWorkerStack = 256 * 1024;

// Set by Ctrl+C, Ctrl+Break or the console's closing: no further server or key is started.
volatile LONG stopRequested = 0;
// Made once and kept as long as the process, since the handler may run on its own thread at any
// time: `stopped` is set with the flag, for the printing to stop waiting; `reportsPrinted` once
// every report of the run is printed, which a closing console waits for.
HANDLE stopped = NULL;
HANDLE reportsPrinted = NULL;
// The system ends the process about five seconds after a close event's handler was called.
const DWORD kCloseWaitMs = 4500;

BOOL WINAPI HandleConsoleStop(DWORD event)
{
    InterlockedExchange(&stopRequested, 1);
    if (stopped != NULL) SetEvent(stopped);
    if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT) return TRUE;
    // Closing, logoff, shutdown: returning ends the process, so the reports are printed first.
    if (reportsPrinted != NULL) WaitForSingleObject(reportsPrinted, kCloseWaitMs);
    return TRUE;
}

struct RunState {
    const char *const *servers;
    int count;
    ServerJob job;
    void *context;
    volatile LONG next;    // the next server a worker takes
    volatile LONG finished;  // servers done, for the status line
    ServerReport *reports;
    HANDLE *done;          // one manual-reset event per server
    bool *taken;           // the servers a worker started
};

DWORD WINAPI RunWorker(LPVOID parameter)
{
    RunState *state = (RunState *)parameter;
    for (;;) {
        if (StopRequested()) return 0;
        LONG index = InterlockedIncrement(&state->next) - 1;
        if (index >= state->count) return 0;
        state->taken[index] = true;
        state->job(state->context, state->servers[index], &state->reports[index]);
        SetEvent(state->done[index]);
        InterlockedIncrement(&state->finished);
    }
}

void PrintReport(ServerReport *report)
{
    PrintText(STD_OUTPUT_HANDLE, &report->out);
    PrintText(STD_ERROR_HANDLE, &report->err);
    if (report->out.cut || report->err.cut)
        PrintLine(STD_ERROR_HANDLE, "korvidpol: the report above was cut: it ran out of memory\n");
    FreeText(&report->out);
    FreeText(&report->err);
}

void NoteNotStarted(const char *server)
{
    if (server[0] == '\\' && server[1] == '\\') server += 2;
    PrintLine(STD_ERROR_HANDLE, "korvidpol: \\\\%s: not started: the run was stopped\n", server);
}

// Prints the reports in order as they are done; after a stop, once the workers have finished
// the servers they had, the rest in order with a line for each server never started.
int PrintReports(RunState *state, HANDLE *workers, int started)
{
    int failed = 0;
    Progress progress;
    BeginProgress(&progress, state->count);
    for (int i = 0; i < state->count; i++) {
        HANDLE either[2] = {state->done[i], stopped};
        // With a status line, it follows the servers done while this one is awaited.
        DWORD waited;
        while ((waited = WaitForMultipleObjects(stopped != NULL ? 2 : 1, either, FALSE,
                                                progress.console ? 200 : INFINITE)) == WAIT_TIMEOUT)
            ShowProgress(&progress, (int)state->finished);
        ClearProgress(&progress);
        if (waited != WAIT_OBJECT_0 && WaitForSingleObject(state->done[i], 0) != WAIT_OBJECT_0) {
            if (started > 0) WaitForMultipleObjects((DWORD)started, workers, TRUE, INFINITE);
            if (!state->taken[i]) {
                NoteNotStarted(state->servers[i]);
                failed++;
                continue;
            }
        }
        PrintReport(&state->reports[i]);
        ShowProgress(&progress, (int)state->finished);
        if (state->reports[i].failed) failed++;
    }
    ClearProgress(&progress);
    return StopRequested() && failed == 0 ? 1 : failed;
}

}  // namespace

bool StopRequested() { return stopRequested != 0; }

int RunServers(const char *const *servers, int count, int parallel, ServerJob job, void *context)
{
    if (count <= 0) return 0;
    if (parallel < kMinParallel) parallel = kMinParallel;
    if (parallel > kMaxParallel) parallel = kMaxParallel;
    if (parallel > count) parallel = count;

    RunState state = {servers, count, job, context, 0, 0, NULL, NULL, NULL};
    state.reports = (ServerReport *)calloc((size_t)count, sizeof(ServerReport));
    state.done = (HANDLE *)calloc((size_t)count, sizeof(HANDLE));
    state.taken = (bool *)calloc((size_t)count, sizeof(bool));
    HANDLE workers[kMaxParallel];
    int started = 0;
    bool ready = state.reports != NULL && state.done != NULL && state.taken != NULL;
    if (reportsPrinted == NULL) reportsPrinted = CreateEventA(NULL, TRUE, FALSE, NULL);
    if (stopped == NULL) stopped = CreateEventA(NULL, TRUE, FALSE, NULL);
    if (reportsPrinted != NULL) ResetEvent(reportsPrinted);
    SetConsoleCtrlHandler(HandleConsoleStop, TRUE);
    for (int i = 0; ready && i < count; i++) {
        InitText(&state.reports[i].out);
        InitText(&state.reports[i].err);
        state.done[i] = CreateEventA(NULL, TRUE, FALSE, NULL);
        ready = state.done[i] != NULL;
    }
    for (; ready && started < parallel; started++) {
        workers[started] = CreateThread(NULL, kWorkerStack, RunWorker, &state,
                                        STACK_SIZE_PARAM_IS_A_RESERVATION, NULL);
        if (workers[started] == NULL) break;
    }
    if (started == 0) {
        // No thread at all: the servers are done one after another on this one.
        if (ready) RunWorker(&state);
        else PrintLine(STD_ERROR_HANDLE, "korvidpol: out of memory\n");
    }

    int failed = ready ? PrintReports(&state, workers, started) : 0;
    if (started > 0) WaitForMultipleObjects((DWORD)started, workers, TRUE, INFINITE);
    if (reportsPrinted != NULL) SetEvent(reportsPrinted);
    for (int i = 0; i < started; i++) CloseHandle(workers[i]);
    for (int i = 0; state.done != NULL && i < count; i++)
        if (state.done[i] != NULL) CloseHandle(state.done[i]);
    free(state.taken);
    free(state.done);
    free(state.reports);
    return ready ? failed : count;
}
