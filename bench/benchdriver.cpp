// Measures the time from process start until the program shows its first page for the lab
// computer, answering the select-computer dialog as a user would. Prints medians and figures.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "drive/windowfind.h"

namespace {

const char kComputer[] = "VELMOR-PDC";
const int kRuns = 11;

double NowMs()
{
    static LARGE_INTEGER frequency;
    if (!frequency.QuadPart)
        QueryPerformanceFrequency(&frequency);
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return 1000.0 * now.QuadPart / frequency.QuadPart;
}

// Milliseconds left until deadline (a NowMs() time), 0 once it has passed.
DWORD Remaining(double deadline)
{
    double left = deadline - NowMs();
    return left > 0 ? (DWORD)left : 0;
}

// The process's visible top-level window with this caption, polled every millisecond (the figures
// are in milliseconds) until the deadline.
HWND WaitForWindow(DWORD processId, const char *caption, double deadline)
{
    WindowQuery query;
    query.processId = processId;
    query.caption = caption;
    return WaitForTopLevel(query, Remaining(deadline), 1);
}

// The main window counts as shown once its page (a visible child dialog) is.
bool WaitForPage(HWND main, double deadline)
{
    WindowQuery page;
    page.className = "#32770";
    return WaitForDescendant(main, page, Remaining(deadline), 1) != NULL;
}

DWORD ReadRoundTrips()
{
    DWORD value = 0, size = sizeof(value);
    std::string key = std::string("Software\\Korvid Lab\\Calls\\") + kComputer;
    RegGetValueA(HKEY_CURRENT_USER, key.c_str(), "RoundTrips", RRF_RT_REG_DWORD, NULL, &value, &size);
    return value;
}

void ResetCounters()
{
    std::string key = std::string("Software\\Korvid Lab\\Calls\\") + kComputer;
    RegDeleteTreeA(HKEY_CURRENT_USER, key.c_str());
}

// One run: start, answer the dialog, wait for the result window; -1 on failure.
double RunOnce(const std::string &exe, const char *resultCaption, bool waitForPage, DWORD *roundTrips,
               double *toDialog)
{
    ResetCounters();
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    std::string commandLine = "\"" + exe + "\"";
    double start = NowMs();
    if (!CreateProcessA(NULL, &commandLine[0], NULL, NULL, FALSE, 0, NULL, NULL, &startup, &process))
        return -1;
    double deadline = start + 20000;
    double elapsed = -1;
    HWND select = WaitForWindow(process.dwProcessId, "Select Computer", deadline);
    if (select) {
        if (toDialog)
            *toDialog = NowMs() - start;
        SendMessageA(GetDlgItem(select, 100), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(kComputer));
        PostMessageA(GetDlgItem(select, IDOK), BM_CLICK, 0, 0);
        HWND main = WaitForWindow(process.dwProcessId, resultCaption, deadline);
        if (main && (!waitForPage || WaitForPage(main, deadline)))
            elapsed = NowMs() - start;
        if (main)
            PostMessageA(main, WM_CLOSE, 0, 0);
    }
    if (WaitForSingleObject(process.hProcess, 10000) != WAIT_OBJECT_0)
        TerminateProcess(process.hProcess, 1);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    if (roundTrips)
        *roundTrips = ReadRoundTrips();
    return elapsed;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

std::string Folder()
{
    char path[MAX_PATH];
    GetModuleFileNameA(NULL, path, sizeof(path));
    std::string folder(path);
    return folder.substr(0, folder.find_last_of('\\') + 1);
}

long FileSize(const std::string &path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    return GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data) ? (long)data.nFileSizeLow : -1;
}

}  // namespace

int main(int argc, char **argv)
{
    std::string folder = Folder();
    std::string program = folder + "korvidadm-lab.exe";
    std::string bare = folder + "korvidbare.exe";
    std::string shipped = argc > 1 ? argv[1] : folder + "..\\korvidadm.exe";
    std::string title = std::string("Korvid Administrator - ") + kComputer;
    std::string bareTitle = std::string("Bare - ") + kComputer;

    std::vector<double> programTimes, bareTimes, programDialog, bareDialog;
    DWORD roundTrips = 0;
    RunOnce(program, title.c_str(), true, NULL, NULL);   // warm-up: the first start loads the DLLs from disk
    RunOnce(bare, bareTitle.c_str(), false, NULL, NULL);
    for (int i = 0; i < kRuns; ++i) {
        double pd = 0, bd = 0;
        double t = RunOnce(program, title.c_str(), true, &roundTrips, &pd);
        double b = RunOnce(bare, bareTitle.c_str(), false, NULL, &bd);
        programDialog.push_back(pd);
        bareDialog.push_back(bd);
        if (t < 0 || b < 0) {
            printf("run %d failed (program %.1f, bare %.1f)\n", i, t, b);
            return 1;
        }
        programTimes.push_back(t);
        bareTimes.push_back(b);
    }
    double p = Median(programTimes), b = Median(bareTimes);
    printf("runs: %d each (after one warm-up)\n", kRuns);
    printf("korvidadm-lab start to Version page of %s: median %.1f ms (min %.1f, max %.1f)\n", kComputer, p,
           *std::min_element(programTimes.begin(), programTimes.end()),
           *std::max_element(programTimes.begin(), programTimes.end()));
    printf("bare Win32 program, same dialog, one window: median %.1f ms (min %.1f, max %.1f)\n", b,
           *std::min_element(bareTimes.begin(), bareTimes.end()),
           *std::max_element(bareTimes.begin(), bareTimes.end()));
    printf("ratio: %.2f\n", p / b);
    printf("of which start to the select-computer dialog: korvidadm-lab %.1f ms, bare %.1f ms\n",
           Median(programDialog), Median(bareDialog));
    printf("lab round trips from selection to the shown Version page and exit: %lu\n", (unsigned long)roundTrips);
    printf("korvidadm.exe size: %ld bytes\n", FileSize(shipped));
    printf("korvidadm-lab.exe size: %ld bytes\n", FileSize(program));
    return 0;
}
