// korvidpol benchmark: one file applied to and checked against 50 lab servers that answer after
// 20 ms, one at a time and sixteen at a time (wall time, round trips per server, speed-up), the
// servers of a domain of 200 such computers listed, and the peak memory of korvidpol-lab.exe
// working on 64 servers. Prints figures; it judges nothing.
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <stdio.h>
#include <string.h>
#include <string>

#include "lab/labconfig.h"

namespace {

const int kServers = 50, kMemoryServers = 64, kDomainComputers = 200;
const char kAlerter[] = "SYSTEM\\CurrentControlSet\\Services\\Alerter\\Parameters";

std::string Folder()
{
    char path[MAX_PATH];
    GetModuleFileNameA(NULL, path, sizeof(path));
    *strrchr(path, '\\') = 0;
    return path;
}

std::string ReadAll(const std::string &path)
{
    std::string text;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    char buffer[65536];
    DWORD read = 0;
    while (file != INVALID_HANDLE_VALUE && ReadFile(file, buffer, sizeof(buffer), &read, NULL) && read > 0)
        text.append(buffer, read);
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    return text;
}

void WriteAll(const std::string &path, const std::string &text)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
    DWORD written = 0;
    WriteFile(file, text.data(), (DWORD)text.size(), &written, NULL);
    CloseHandle(file);
}

std::string ServerName(int i)
{
    char name[16];
    snprintf(name, sizeof(name), "BENCH-%03d", i);
    return name;
}

// count copies of VELMOR-PDC that answer after 20 ms, with the default values again.
void MakeServers(int count, const std::string &temp)
{
    LabReset();
    std::string pdc = ReadAll(Folder() + "\\network\\velmor-pdc.reg"), all;
    for (int i = 1; i <= count; i++) {
        std::string copy = pdc, from = "\\Computers\\VELMOR-PDC", to = "\\Computers\\" + ServerName(i);
        for (size_t at = copy.find(from); at != std::string::npos; at = copy.find(from, at + to.size()))
            copy.replace(at, from.size(), to);
        all += i == 1 ? copy : copy.substr(copy.find('\n'));
    }
    WriteAll(temp + "\\servers.reg", all);
    LabImportRegFile((temp + "\\servers.reg").c_str());
    for (int i = 1; i <= count; i++) {
        LabSetComputerDword(ServerName(i).c_str(), "LatencyMs", 20);
        LabSetComputerString(ServerName(i).c_str(), "LanGroup", "BENCH");
    }
    LabSetDomainDword("BENCH", "LatencyMs", 20);
}

struct Figures {
    DWORD code;
    double seconds;
    double roundTrips;
    SIZE_T peakBytes;
};

// korvidpol-lab.exe with the arguments (SERVERS: the names of the count servers) on count fresh
// servers; round trips per server.
Figures Run(const std::string &arguments, int count, int parallel, const std::string &temp)
{
    MakeServers(count, temp);
    std::string command = "\"" + Folder() + "\\korvidpol-lab.exe\" ", names;
    for (int i = 1; i <= count; i++) names += " " + ServerName(i);
    std::string expanded = arguments;
    size_t at = expanded.find("SERVERS");
    if (at != std::string::npos) expanded.replace(at, 7, names);
    command += expanded + " /parallel:" + std::to_string(parallel);
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    HANDLE nul = CreateFileA("NUL", GENERIC_WRITE, FILE_SHARE_WRITE, NULL, OPEN_EXISTING, 0, NULL);
    SetHandleInformation(nul, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
    startup.hStdOutput = startup.hStdError = nul;
    PROCESS_INFORMATION process = {};
    Figures figures = {(DWORD)-1, 0, 0, 0};
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    if (CreateProcessA(NULL, &command[0], NULL, NULL, TRUE, 0, NULL, temp.c_str(), &startup, &process)) {
        // The peak is read while the program runs: once it has ended there is nothing to ask.
        while (WaitForSingleObject(process.hProcess, 5) == WAIT_TIMEOUT) {
            PROCESS_MEMORY_COUNTERS memory = {};
            memory.cb = sizeof(memory);
            if (GetProcessMemoryInfo(process.hProcess, &memory, sizeof(memory)))
                figures.peakBytes = std::max(figures.peakBytes, std::max(memory.PeakWorkingSetSize, memory.WorkingSetSize));
        }
        QueryPerformanceCounter(&end);
        GetExitCodeProcess(process.hProcess, &figures.code);
        CloseHandle(process.hProcess);
        CloseHandle(process.hThread);
        figures.seconds = (double)(end.QuadPart - start.QuadPart) / frequency.QuadPart;
    }
    CloseHandle(nul);
    DWORD trips = 0;
    for (int i = 1; i <= count; i++) trips += LabCounter(ServerName(i).c_str(), "RoundTrips");
    trips += LabCounter("BENCH", "RoundTrips");  // the enumeration of the domain, when asked
    figures.roundTrips = (double)trips / count;
    return figures;
}

}  // namespace

int main()
{
    char tempRoot[MAX_PATH];
    GetTempPathA(sizeof(tempRoot), tempRoot);
    std::string temp = std::string(tempRoot) + "korvidpol-bench";
    CreateDirectoryA(temp.c_str(), NULL);
    WriteAll(temp + "\\policies.reg",
             std::string("REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\") + kAlerter + "]\r\n"
             "\"IncludeMessageHeader\"=dword:00000001\r\n\"CountNotOnNetworkCache\"=dword:00000014\r\n"
             "\"NotOnNetworkCacheTimeout\"=dword:000000f0\r\n\r\n"
             "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\UPS\\Parameters]\r\n"
             "\"PowerFailAddress\"=\"operators\"\r\n\"PowerMessageInterval\"=dword:00000005\r\n");
    const struct {
        const char *title;
        const char *arguments;
        int servers;
    } runs[] = {
        {"korvidpol apply of one file (5 values of 2 policies)", "apply policies.reg SERVERS /backup:undo", kServers},
        {"korvidpol check of the same file as a baseline", "check policies.reg SERVERS", kServers},
        {"korvidpol servers of a domain", "servers /domain:BENCH", kDomainComputers},
    };
    for (const auto &run : runs) {
        printf("%s, lab computers with LatencyMs 20\n", run.title);
        Figures serial = Run(run.arguments, run.servers, 1, temp);
        Figures parallel = Run(run.arguments, run.servers, 16, temp);
        printf("  %d computers, /parallel:1   %.2f s (exit %lu), %.1f round trips per computer\n", run.servers,
               serial.seconds, serial.code, serial.roundTrips);
        printf("  %d computers, /parallel:16  %.2f s (exit %lu), %.1f round trips per computer\n", run.servers,
               parallel.seconds, parallel.code, parallel.roundTrips);
        printf("  speed-up %.1f\n", parallel.seconds > 0 ? serial.seconds / parallel.seconds : 0.0);
        fflush(stdout);
    }
    for (int n : {4, 64}) {
        Figures memory = Run("apply policies.reg SERVERS /backup:undo", kMemoryServers, n, temp);
        printf("  %d servers, /parallel:%-2d  %.2f s (exit %lu), peak working set %.1f MB\n", kMemoryServers, n,
               memory.seconds, memory.code, memory.peakBytes / (1024.0 * 1024.0));
    }
    LabReset();
    return 0;
}
