#include "korvidpol/runner.h"

#include <stdlib.h>

#include "korvidpol/progress.h"

namespace {

// A job's deepest frames hold a few registry buffers of 5000 bytes: a small stack is plenty, and
// 64 workers do not each reserve the program's default.
const SIZE_T kWorkerStack = 256 * 1024;

struct RunState {
    const char *const *servers;
    int count;
    ServerJob job;
    void *context;
    volatile LONG next;    // the next server a worker takes
    volatile LONG finished;  // servers done, for the status line
    ServerReport *reports;
    HANDLE *done;          // one manual-reset event per server
};

DWORD WINAPI RunWorker(LPVOID parameter)
{
    RunState *state = (RunState *)parameter;
    for (;;) {
        LONG index = InterlockedIncrement(&state->next) - 1;
        if (index >= state->count) return 0;
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

}  // namespace

int RunServers(const char *const *servers, int count, int parallel, ServerJob job, void *context)
{
    if (count <= 0) return 0;
    if (parallel < kMinParallel) parallel = kMinParallel;
    if (parallel > kMaxParallel) parallel = kMaxParallel;
    if (parallel > count) parallel = count;

    RunState state = {servers, count, job, context, 0, 0, NULL, NULL};
    state.reports = (ServerReport *)calloc((size_t)count, sizeof(ServerReport));
    state.done = (HANDLE *)calloc((size_t)count, sizeof(HANDLE));
    HANDLE workers[kMaxParallel];
    int started = 0;
    bool ready = state.reports != NULL && state.done != NULL;
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

    int failed = 0;
    Progress progress;
    BeginProgress(&progress, count);
    for (int i = 0; ready && i < count; i++) {
        // With a status line, it follows the servers done while this one is awaited.
        while (WaitForSingleObject(state.done[i], progress.console ? 200 : INFINITE) == WAIT_TIMEOUT)
            ShowProgress(&progress, (int)state.finished);
        ClearProgress(&progress);
        PrintReport(&state.reports[i]);
        ShowProgress(&progress, (int)state.finished);
        if (state.reports[i].failed) failed++;
    }
    ClearProgress(&progress);
    if (started > 0) WaitForMultipleObjects((DWORD)started, workers, TRUE, INFINITE);
    for (int i = 0; i < started; i++) CloseHandle(workers[i]);
    for (int i = 0; state.done != NULL && i < count; i++)
        if (state.done[i] != NULL) CloseHandle(state.done[i]);
    free(state.done);
    free(state.reports);
    return ready ? failed : count;
}
