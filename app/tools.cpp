// The administrative tools of the "&Applications" menu: found on the standard search path
// and started for the selected computer or its domain.
#include "app/shell.h"
#include "connection/target.h"
#include "resources/resource.h"

#include <cstdio>
#include <cstring>

namespace {

const ToolStartCalls kSystemStartCalls = {CreateProcessA, ShellExecuteExA};
ToolStartCalls startCalls = kSystemStartCalls;

enum ToolArgument { ArgumentNone, ArgumentComputer, ArgumentDomain };

struct ToolEntry {
    int commandId;
    const char *programFile;
    ToolArgument argument;
    const char *notFoundText;
};

const ToolEntry kTools[] = {
    {IDM_EVENT_VIEWER, "eventvwr.exe", ArgumentComputer, "Fail to find 'Event Viewer'"},
    {IDM_SERVER_MANAGER, "srvmgr.exe", ArgumentDomain, "Fail to find 'Server Manager'"},
    {IDM_USER_MANAGER, "usrmgr.exe", ArgumentDomain, "Fail to find 'User Manager for Domains'"},
    {IDM_PERFORMANCE_MONITOR, "perfmon.exe", ArgumentNone, "Fail to find 'Performance Monitor'"},
};

enum {
    kPathChars = 600,
    // A quoted path, a blank, a name of at most 602 characters and the terminator.
    kCommandLineChars = kPathChars + 2 + 1 + kNameChars,
};

const ToolEntry *FindTool(int commandId)
{
    for (const ToolEntry &tool : kTools) {
        if (tool.commandId == commandId) return &tool;
    }
    return nullptr;
}

const char *GetToolArgument(const ToolEntry &tool)
{
    switch (tool.argument) {
    case ArgumentComputer: return Target().computerName;
    case ArgumentDomain: return Target().domainName;
    default: return nullptr;
    }
}

// A path with a blank is quoted: unquoted, CreateProcessA would try "C:\Program" first and
// could start a different program than the one found.
void FormatToolCommandLine(const char *path, const char *argument, char *commandLine, int capacity)
{
    const char *quote = strchr(path, ' ') ? "\"" : "";
    if (argument) {
        snprintf(commandLine, capacity, "%s%s%s %.*s", quote, path, quote, kNameChars - 1, argument);
    } else {
        snprintf(commandLine, capacity, "%s%s%s", quote, path, quote);
    }
}

// A tool whose manifest asks for elevation (Event Viewer and Performance Monitor, for an
// administrator) cannot be started by CreateProcessA: the shell starts it, through the elevation
// prompt, with the same program and argument. Its failures show nothing either.
void StartElevatedTool(HWND owner, const char *path, const char *argument)
{
    SHELLEXECUTEINFOA info;
    ZeroMemory(&info, sizeof(info));
    info.cbSize = sizeof(info);
    info.fMask = SEE_MASK_FLAG_NO_UI;
    info.hwnd = owner;
    info.lpFile = path;
    info.lpParameters = argument;
    info.nShow = SW_SHOW;
    startCalls.shellExecute(&info);
}

void StartTool(HWND owner, const char *path, const char *argument, char *commandLine)
{
    STARTUPINFOA startup;
    ZeroMemory(&startup, sizeof(startup));
    startup.cb = sizeof(startup);
    startup.wShowWindow = SW_SHOW;  // no STARTF_USESHOWWINDOW: the tool shows itself as it likes
    PROCESS_INFORMATION process;
    ZeroMemory(&process, sizeof(process));
    // A failed start shows nothing; the tool runs on its own, so its handles are not kept.
    if (startCalls.createProcess(nullptr, commandLine, nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                                 &startup, &process)) {
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    } else if (GetLastError() == kElevationRequired) {
        StartElevatedTool(owner, path, argument);
    }
}

}  // namespace

BOOL LaunchTool(HWND mainWindow, int commandId)
{
    const ToolEntry *tool = FindTool(commandId);
    if (!tool) return FALSE;

    char path[kPathChars];
    DWORD found = SearchPathA(nullptr, tool->programFile, nullptr, kPathChars, path, nullptr);
    // A path too long for the buffer is not in it: as good as not found.
    if (found == 0 || found >= kPathChars) {
        MessageBoxA(mainWindow, tool->notFoundText, GetAppTitle(), MB_ICONERROR | MB_OK);
        return FALSE;
    }

    const char *argument = GetToolArgument(*tool);
    char commandLine[kCommandLineChars];
    FormatToolCommandLine(path, argument, commandLine, sizeof(commandLine));
    SetSavedFocus(GetFocus());
    StartTool(mainWindow, path, argument, commandLine);
    return TRUE;
}

void SetToolStartCalls(const ToolStartCalls *calls) { startCalls = calls ? *calls : kSystemStartCalls; }
