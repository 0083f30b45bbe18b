// Stands in for an administrative tool: records the command line it was started with under
// HKCU\Software\Korvid Lab\ToolRuns, one value per program file name, and the start-up flags and
// show-window value it was given as "<name> StartFlags" and "<name> ShowWindow", and ends.
#include <windows.h>

#include <cstdio>
#include <cstring>

namespace {

void RecordDword(HKEY key, const char *program, const char *what, DWORD data)
{
    char name[MAX_PATH + 32];
    snprintf(name, sizeof(name), "%s %s", program, what);
    RegSetValueExA(key, name, 0, REG_DWORD, (const BYTE *)&data, sizeof(data));
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, sizeof(path));
    if (length == 0 || length >= sizeof(path)) return 1;
    const char *name = strrchr(path, '\\');
    name = name ? name + 1 : path;

    HKEY key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Korvid Lab\\ToolRuns", 0, nullptr, 0,
                        KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS) {
        return 1;
    }
    // The command line comes last: the test waits for it, so the rest is there by then.
    STARTUPINFOA startup;
    GetStartupInfoA(&startup);
    RecordDword(key, name, "StartFlags", startup.dwFlags);
    RecordDword(key, name, "ShowWindow", startup.wShowWindow);
    const char *commandLine = GetCommandLineA();
    LONG status = RegSetValueExA(key, name, 0, REG_SZ, (const BYTE *)commandLine,
                                 (DWORD)strlen(commandLine) + 1);
    RegCloseKey(key);
    return status == ERROR_SUCCESS ? 0 : 1;
}
