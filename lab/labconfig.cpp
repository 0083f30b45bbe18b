#include "lab/labconfig.h"
#include "lab/labreg.h"

#include <string.h>

namespace {

// The computer's key, or a key below it ("HKLM\\...", "Faults\\..."), in path.
bool ComputerPath(char *path, const char *computer, const char *below)
{
    const char *name = StripComputerName(computer);
    if (name == NULL) return false;
    if (below == NULL || below[0] == 0) return FormatLabPath(path, LAB_COMPUTERS_PATH "\\%s", name);
    return FormatLabPath(path, LAB_COMPUTERS_PATH "\\%s\\%s", name, below);
}

bool RegistryPath(char *path, const char *computer, const char *keyPath)
{
    char below[kLabPathChars];
    if (keyPath == NULL || keyPath[0] == 0) return ComputerPath(path, computer, "HKLM");
    return FormatLabPath(below, "HKLM\\%s", keyPath) && ComputerPath(path, computer, below);
}

void SetValueAt(const char *path, const char *name, DWORD type, const void *data, DWORD size)
{
    HKEY key = CreateLabKey(path);
    if (key == NULL) return;
    RegSetValueExA(key, name, 0, type, (const BYTE *)data, size);
    RegCloseKey(key);
}

void DeleteTreeAt(const char *path)
{
    RegDeleteTreeA(HKEY_CURRENT_USER, path);
    RegDeleteKeyA(HKEY_CURRENT_USER, path);
}

// A value below the computer's HKLM; false when missing. text receives the data with room
// for a terminator after it.
bool QueryRegValue(const char *computer, const char *keyPath, const char *name, DWORD *type,
                   std::string *data)
{
    char path[kLabPathChars];
    if (!RegistryPath(path, computer, keyPath)) return false;
    HKEY key = OpenLabKey(path, KEY_READ);
    if (key == NULL) return false;
    DWORD size = 0;
    LONG status = RegQueryValueExA(key, name, NULL, type, NULL, &size);
    if (status == ERROR_SUCCESS && data != NULL) {
        data->assign(size + 1, '\0');
        status = RegQueryValueExA(key, name, NULL, type, (BYTE *)&(*data)[0], &size);
        data->resize(size);
    }
    RegCloseKey(key);
    return status == ERROR_SUCCESS;
}

// The folder of the running program, with a trailing backslash.
bool ProgramFolder(char *folder, DWORD capacity)
{
    DWORD length = GetModuleFileNameA(NULL, folder, capacity);
    if (length == 0 || length >= capacity) return false;
    char *slash = strrchr(folder, '\\');
    if (slash == NULL) return false;
    slash[1] = 0;
    return true;
}

// The default network sits beside the lab program, or in the lab folder next to the tests.
bool FindNetworkFolder(char *folder)
{
    static const char *const candidates[] = {"..\\lab\\network", "network"};
    char base[MAX_PATH];
    if (!ProgramFolder(base, sizeof(base))) return false;
    for (const char *candidate : candidates) {
        if (!FormatLabPath(folder, "%s%s", base, candidate)) continue;
        DWORD attributes = GetFileAttributesA(folder);
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
            return true;
    }
    return false;
}

}  // namespace

void LabReset() { DeleteTreeAt(LAB_ROOT_PATH); }

bool LabLoadDefaultNetwork()
{
    char folder[kLabPathChars], pattern[kLabPathChars], file[kLabPathChars];
    if (!FindNetworkFolder(folder) || !FormatLabPath(pattern, "%s\\*.reg", folder)) return false;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(pattern, &found);
    if (search == INVALID_HANDLE_VALUE) return false;
    bool whole = true;
    do {
        whole = FormatLabPath(file, "%s\\%s", folder, found.cFileName) &&
                LabImportRegFile(file) && whole;
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return whole;
}

void LabSetComputerDword(const char *computer, const char *value, DWORD data)
{
    char path[kLabPathChars];
    if (ComputerPath(path, computer, NULL)) SetValueAt(path, value, REG_DWORD, &data, sizeof(data));
}

void LabSetComputerString(const char *computer, const char *value, const char *text)
{
    char path[kLabPathChars];
    if (ComputerPath(path, computer, NULL))
        SetValueAt(path, value, REG_SZ, text, (DWORD)strlen(text) + 1);
}

void LabSetRegValue(const char *computer, const char *keyPath, const char *name, DWORD type,
                    const void *data, DWORD size)
{
    char path[kLabPathChars];
    if (RegistryPath(path, computer, keyPath)) SetValueAt(path, name, type, data, size);
}

void LabSetRegDword(const char *computer, const char *keyPath, const char *name, DWORD data)
{
    LabSetRegValue(computer, keyPath, name, REG_DWORD, &data, sizeof(data));
}

void LabSetRegString(const char *computer, const char *keyPath, const char *name, const char *text)
{
    LabSetRegValue(computer, keyPath, name, REG_SZ, text, (DWORD)strlen(text) + 1);
}

bool LabGetRegDword(const char *computer, const char *keyPath, const char *name, DWORD *data)
{
    DWORD type = 0;
    std::string bytes;
    if (!QueryRegValue(computer, keyPath, name, &type, &bytes) || type != REG_DWORD ||
        bytes.size() != sizeof(DWORD))
        return false;
    memcpy(data, bytes.data(), sizeof(DWORD));
    return true;
}

bool LabGetRegString(const char *computer, const char *keyPath, const char *name, std::string *text)
{
    DWORD type = 0;
    std::string bytes;
    if (!QueryRegValue(computer, keyPath, name, &type, &bytes) ||
        (type != REG_SZ && type != REG_EXPAND_SZ))
        return false;
    text->assign(bytes.c_str());
    return true;
}

bool LabRegValueExists(const char *computer, const char *keyPath, const char *name)
{
    DWORD type = 0;
    return QueryRegValue(computer, keyPath, name, &type, NULL);
}

void LabDeleteRegValue(const char *computer, const char *keyPath, const char *name)
{
    char path[kLabPathChars];
    if (!RegistryPath(path, computer, keyPath)) return;
    HKEY key = OpenLabKey(path, KEY_SET_VALUE);
    if (key == NULL) return;
    RegDeleteValueA(key, name);
    RegCloseKey(key);
}

void LabDeleteRegKey(const char *computer, const char *keyPath)
{
    char path[kLabPathChars];
    if (keyPath != NULL && keyPath[0] != 0 && RegistryPath(path, computer, keyPath))
        DeleteTreeAt(path);
}

void LabSetFault(const char *computer, const char *kind, const char *name, DWORD code)
{
    char below[kLabPathChars], path[kLabPathChars];
    if (FormatLabPath(below, "Faults\\%s", kind) && ComputerPath(path, computer, below))
        SetValueAt(path, name, REG_DWORD, &code, sizeof(code));
}

void LabClearFaults(const char *computer)
{
    char path[kLabPathChars];
    if (ComputerPath(path, computer, "Faults")) DeleteTreeAt(path);
}

void LabSetBreakAfter(const char *computer, DWORD calls, DWORD status)
{
    char path[kLabPathChars];
    if (!ComputerPath(path, computer, "Faults")) return;
    SetValueAt(path, "BreakAfterCalls", REG_DWORD, &calls, sizeof(calls));
    SetValueAt(path, "BreakStatus", REG_DWORD, &status, sizeof(status));
}

DWORD LabCounter(const char *computer, const char *counter)
{
    char path[kLabPathChars];
    const char *name = StripComputerName(computer);
    if (name == NULL || !FormatLabPath(path, LAB_CALLS_PATH "\\%s", name)) return 0;
    HKEY key = OpenLabKey(path, KEY_READ);
    DWORD value = ReadLabDword(key, counter, 0);
    if (key != NULL) RegCloseKey(key);
    return value;
}

void LabResetCounters(const char *computer)
{
    char path[kLabPathChars];
    const char *name = StripComputerName(computer);
    if (name != NULL && FormatLabPath(path, LAB_CALLS_PATH "\\%s", name)) DeleteTreeAt(path);
}

void LabSetDomainDword(const char *domain, const char *value, DWORD data)
{
    char path[kLabPathChars];
    if (FormatLabPath(path, LAB_ROOT_PATH "\\Domains\\%s", domain)) SetValueAt(path, value, REG_DWORD, &data, sizeof(data));
}

void LabSetWorkstation(const char *computer)
{
    SetValueAt(LAB_ROOT_PATH, "Workstation", REG_SZ, computer, (DWORD)strlen(computer) + 1);
}
