// The lab network: every call of the network table answered from the local registry.
//
// A lab computer is HKCU\Software\Korvid Lab\Computers\<NAME>; its HKLM subkey is the
// computer's HKEY_LOCAL_MACHINE, handed out as a real open key so that every value semantic
// (types, sizes, 234, missing values) is the registry's own. The configuration is read afresh
// at every call, so a test may change it between two steps.
//
// What crosses the network: every call of the table that names a computer or uses one of its
// keys, RegCloseKey included (closing a remote key is a round trip). NetApiBufferFree frees a
// local buffer and never does; nor does a call refused here for a handle or buffer the lab
// never handed out, which the caller's own side would reject. Each crossing call sleeps
// LatencyMs first and counts in RoundTrips.
//
// A connection is one successful RegConnectRegistryA: the connect is its first call, and every
// later call on its root or on a key opened below the root adds one. Once BreakAfterCalls calls
// have crossed on it, the connection stays broken for good; only a new connect heals.
//
// NetServerEnum asks a browser of a domain: it answers from the lab computers whose LanGroup is
// that domain, is counted under the domain's name (Calls\<DOMAIN>) and waits the domain's
// LatencyMs (Domains\<DOMAIN>). A workstation query without a name asks the computer the program
// runs on: the lab computer the root's Workstation value names, answered without a round trip.
//
// Gauges: OpenKeys counts keys opened below a root and not yet closed (roots are not in it);
// OpenRoots counts roots not yet closed; NetBuffers counts Net*GetInfo buffers not yet freed.
//
// Several threads may call the lab at once (korvidpol works on many servers together): every
// call holds the lab's lock while it touches the tables and the counters, which are registry
// read-modify-writes, and lets go of it only for the latency sleep.
#include "lab/lab.h"
#include "lab/labreg.h"
#include "connection/target.h"


namespace {

// Room for korvidpol's 64 servers at once, each with its root and a few keys open.
enum { kMaxHandles = 512, kMaxConnections = 128, kMaxBuffers = 128 };
// A browse list holds at most this many computers.
enum { kMaxBrowsed = 1024 };
const DWORD kDefaultBreakStatus = RPC_S_SERVER_UNAVAILABLE;

struct LabConnection {
    DWORD refs;  // open handles of this connection (root and keys below); 0: slot free
    DWORD calls;
    bool broken;
    char computer[kLabNameChars];
};

struct LabHandle {
    HKEY key;  // NULL: slot free
    int connection;
    bool root;
    char path[kLabPathChars];  // below the computer's HKLM; empty for the root
};

struct LabBuffer {
    void *buffer;  // NULL: slot free
    char computer[kLabNameChars];
};

// The lab's one lock, made on first use (a function's static is made once, whatever the thread).
CRITICAL_SECTION &LabLock()
{
    static struct Lock {
        CRITICAL_SECTION section;
        Lock() { InitializeCriticalSection(&section); }
    } lock;
    return lock.section;
}

struct LabGuard {
    LabGuard() { EnterCriticalSection(&LabLock()); }
    ~LabGuard() { LeaveCriticalSection(&LabLock()); }
};

LabConnection connections[kMaxConnections];
LabHandle handles[kMaxHandles];
LabBuffer buffers[kMaxBuffers];

LabHandle *FindHandle(HKEY key)
{
    if (key == NULL) return NULL;
    for (LabHandle &handle : handles)
        if (handle.key == key) return &handle;
    return NULL;
}

LabHandle *AddHandle(HKEY key, int connection, bool root, const char *path)
{
    for (LabHandle &handle : handles) {
        if (handle.key != NULL) continue;
        handle.key = key;
        handle.connection = connection;
        handle.root = root;
        lstrcpynA(handle.path, path, kLabPathChars);
        connections[connection].refs++;
        return &handle;
    }
    return NULL;
}

void RemoveHandle(LabHandle *handle)
{
    LabConnection &connection = connections[handle->connection];
    if (connection.refs > 0) connection.refs--;
    handle->key = NULL;
}

int AddConnection(const char *computer)
{
    for (int i = 0; i < kMaxConnections; i++) {
        if (connections[i].refs != 0) continue;
        connections[i].calls = 1;  // the connect itself
        connections[i].broken = false;
        lstrcpynA(connections[i].computer, computer, kLabNameChars);
        return i;
    }
    return -1;
}

// The computer's key as the lab knows it, its name spelt as there; false when there is none.
bool FindComputer(const char *given, char *name)
{
    const char *wanted = StripComputerName(given);
    if (wanted == NULL) return false;
    HKEY computers = OpenLabKey(LAB_COMPUTERS_PATH, KEY_READ);
    if (computers == NULL) return false;
    bool found = false;
    char candidate[kLabNameChars];
    for (DWORD index = 0; !found; index++) {
        DWORD length = sizeof(candidate);
        if (RegEnumKeyExA(computers, index, candidate, &length, NULL, NULL, NULL, NULL) !=
            ERROR_SUCCESS)
            break;
        if (lstrcmpiA(candidate, wanted) == 0) {
            lstrcpynA(name, candidate, kLabNameChars);
            found = true;
        }
    }
    RegCloseKey(computers);
    return found;
}

// The name under which calls to a computer are counted: its own spelling when the lab knows it.
bool ResolveComputer(const char *given, char *name)
{
    if (FindComputer(given, name)) return true;
    const char *stripped = StripComputerName(given);
    if (stripped != NULL) lstrcpynA(name, stripped, kLabNameChars);
    return false;
}

HKEY OpenComputerKey(const char *computer, const char *subKey)
{
    char path[kLabPathChars];
    bool fits = subKey ? FormatLabPath(path, LAB_COMPUTERS_PATH "\\%s\\%s", computer, subKey)
                       : FormatLabPath(path, LAB_COMPUTERS_PATH "\\%s", computer);
    return fits ? OpenLabKey(path, KEY_READ) : NULL;
}

DWORD ReadComputerDword(const char *computer, const char *subKey, const char *name,
                        DWORD fallback)
{
    HKEY key = OpenComputerKey(computer, subKey);
    DWORD value = ReadLabDword(key, name, fallback);
    if (key != NULL) RegCloseKey(key);
    return value;
}

// A REG_SZ of the computer key as UTF-16, or fallback.
void ReadComputerText(const char *computer, const char *name, const char *fallback,
                      WCHAR *text, int capacity)
{
    char narrow[kLabPathChars] = "";
    HKEY key = OpenComputerKey(computer, NULL);
    DWORD type = 0, size = sizeof(narrow) - 1;
    if (key == NULL ||
        RegQueryValueExA(key, name, NULL, &type, (BYTE *)narrow, &size) != ERROR_SUCCESS ||
        type != REG_SZ)
        lstrcpynA(narrow, fallback, sizeof(narrow));
    if (key != NULL) RegCloseKey(key);
    if (MultiByteToWideChar(CP_ACP, 0, narrow, -1, text, capacity) == 0) text[0] = 0;
}

// One call of the table reaches the computer: count it, wait the computer's latency, and
// see whether the connection (if the call uses one) is broken by now.
LONG CrossNetwork(const char *computer, const char *function, LabConnection *connection)
{
    AddLabCounter(computer, function, 1);
    AddLabCounter(computer, "RoundTrips", 1);
    DWORD latency = ReadComputerDword(computer, NULL, "LatencyMs", 0);
    if (latency > 0) {
        // Other computers' calls go on meanwhile; this call's handle and connection stay its own.
        LeaveCriticalSection(&LabLock());
        Sleep(latency);
        EnterCriticalSection(&LabLock());
    }
    if (connection == NULL) return ERROR_SUCCESS;
    DWORD breakAfter = ReadComputerDword(computer, "Faults", "BreakAfterCalls", 0);
    if (breakAfter != 0 && connection->calls >= breakAfter) connection->broken = true;
    if (connection->broken)
        return (LONG)ReadComputerDword(computer, "Faults", "BreakStatus", kDefaultBreakStatus);
    connection->calls++;
    return ERROR_SUCCESS;
}

// The code of an injected fault (Faults\<kind>, value named name), or 0.
LONG InjectedFault(const char *computer, const char *kind, const char *name)
{
    char subKey[kLabPathChars];
    if (!FormatLabPath(subKey, "Faults\\%s", kind)) return ERROR_SUCCESS;
    return (LONG)ReadComputerDword(computer, subKey, name, ERROR_SUCCESS);
}

// "path\\name", or name alone at the root; false when it would not fit.
bool JoinPath(char *joined, const char *path, const char *name)
{
    if (name == NULL) name = "";
    if (path[0] == 0) return FormatLabPath(joined, "%s", name);
    if (name[0] == 0) return FormatLabPath(joined, "%s", path);
    return FormatLabPath(joined, "%s\\%s", path, name);
}

// A value fault is named by the key path, a backslash and the value name, even at the root.
bool JoinValuePath(char *joined, const char *path, const char *name)
{
    return FormatLabPath(joined, "%s\\%s", path, name ? name : "");
}

// A UTF-16 server name as 8-bit text; false when a unit does not fit in 8 bits.
bool NarrowServerName(LPCWSTR wide, char *narrow)
{
    narrow[0] = 0;
    if (wide == NULL) return false;
    int i = 0;
    for (; wide[i] != 0; i++) {
        if (wide[i] > 0xFF || i + 1 >= kLabNameChars) return false;
        narrow[i] = (char)wide[i];
    }
    narrow[i] = 0;
    return true;
}

NET_API_STATUS HandOutBuffer(const char *computer, void *buffer, LPBYTE *result)
{
    for (LabBuffer &slot : buffers) {
        if (slot.buffer != NULL) continue;
        slot.buffer = buffer;
        lstrcpynA(slot.computer, computer, kLabNameChars);
        AddLabCounter(computer, "NetBuffers", 1);
        *result = (LPBYTE)buffer;
        return NERR_Success;
    }
    ::NetApiBufferFree(buffer);
    return ERROR_NOT_ENOUGH_MEMORY;
}

// One NetApiBufferAllocate'd block: the fixed record, then the computer's name and the text of
// one of its values (or fallback) behind it, pointed to by name and text.
void *AllocateRecord(const char *computer, DWORD recordSize, const char *textValue,
                     const char *fallback, LMSTR *name, LMSTR *text)
{
    WCHAR wideName[kLabNameChars], wideText[kLabPathChars];
    if (MultiByteToWideChar(CP_ACP, 0, computer, -1, wideName, kLabNameChars) == 0) wideName[0] = 0;
    ReadComputerText(computer, textValue, fallback, wideText, kLabPathChars);
    DWORD nameBytes = (lstrlenW(wideName) + 1) * sizeof(WCHAR);
    DWORD size = recordSize + nameBytes + (lstrlenW(wideText) + 1) * sizeof(WCHAR);
    BYTE *buffer = NULL;
    if (::NetApiBufferAllocate(size, (LPVOID *)&buffer) != NERR_Success) return NULL;
    ZeroMemory(buffer, recordSize);
    *name = (LMSTR)(buffer + recordSize);
    *text = (LMSTR)(buffer + recordSize + nameBytes);
    lstrcpyW(*name, wideName);
    lstrcpyW(*text, wideText);
    return buffer;
}

// A REG_SZ of a key below HKEY_CURRENT_USER into text (kLabNameChars), or fallback.
void ReadLabText(const char *path, const char *name, const char *fallback, char *text)
{
    HKEY key = OpenLabKey(path, KEY_READ);
    DWORD type = 0, size = kLabNameChars - 1;
    ZeroMemory(text, kLabNameChars);
    if (key == NULL || RegQueryValueExA(key, name, NULL, &type, (BYTE *)text, &size) != ERROR_SUCCESS ||
        type != REG_SZ)
        lstrcpynA(text, fallback, kLabNameChars);
    text[kLabNameChars - 1] = 0;
    if (key != NULL) RegCloseKey(key);
}

// The lab computer the program runs on (the root's Workstation value); false when none is set.
bool FindWorkstation(char *computer)
{
    char named[kLabNameChars];
    ReadLabText(LAB_ROOT_PATH, "Workstation", "", named);
    return named[0] != 0 && FindComputer(named, computer);
}

// The common start of both Net*GetInfo calls: the computer known and answering at this level.
// Without a name the workstation query asks the program's own computer, locally.
NET_API_STATUS BeginNetQuery(LMSTR server, DWORD level, DWORD wantedLevel, const char *function,
                             const char *statusValue, LPBYTE *buffer, char *computer)
{
    if (buffer == NULL) return ERROR_INVALID_PARAMETER;
    *buffer = NULL;
    char given[kLabNameChars];
    bool local = (server == NULL || server[0] == 0) && wantedLevel == 100;
    if (local && !FindWorkstation(computer)) return ERROR_BAD_NETPATH;
    if (!local && (!NarrowServerName(server, given) || StripComputerName(given) == NULL))
        return ERROR_BAD_NETPATH;
    bool known = local || ResolveComputer(given, computer);
    if (local) AddLabCounter(computer, function, 1);
    else CrossNetwork(computer, function, NULL);
    if (!known) return ERROR_BAD_NETPATH;
    NET_API_STATUS status = ReadComputerDword(computer, NULL, statusValue, NERR_Success);
    if (status != NERR_Success) return status;
    return level == wantedLevel ? NERR_Success : ERROR_INVALID_LEVEL;
}

LONG WINAPI LabRegConnectRegistryA(LPCSTR machine, HKEY key, PHKEY result)
{
    LabGuard guard;
    if (result == NULL) return ERROR_INVALID_PARAMETER;
    *result = NULL;
    if (key != HKEY_LOCAL_MACHINE) return ERROR_INVALID_HANDLE;
    char computer[kLabNameChars];
    if (StripComputerName(machine) == NULL) return ERROR_BAD_NETPATH;
    bool known = ResolveComputer(machine, computer);
    CrossNetwork(computer, "RegConnectRegistryA", NULL);
    if (!known) return ERROR_BAD_NETPATH;
    LONG status = (LONG)ReadComputerDword(computer, NULL, "ConnectStatus", ERROR_SUCCESS);
    if (status != ERROR_SUCCESS) return status;

    char path[kLabPathChars];
    if (!FormatLabPath(path, LAB_COMPUTERS_PATH "\\%s\\HKLM", computer)) return ERROR_BAD_NETPATH;
    HKEY root = NULL;
    status = RegCreateKeyExA(HKEY_CURRENT_USER, path, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &root, NULL);
    if (status != ERROR_SUCCESS) return status;
    int connection = AddConnection(computer);
    if (connection < 0 || AddHandle(root, connection, true, "") == NULL) {
        RegCloseKey(root);
        return ERROR_NOT_ENOUGH_MEMORY;
    }
    AddLabCounter(computer, "OpenRoots", 1);
    *result = root;
    return ERROR_SUCCESS;
}

NET_API_STATUS WINAPI LabNetWkstaGetInfo(LMSTR server, DWORD level, LPBYTE *buffer)
{
    LabGuard guard;
    char computer[kLabNameChars];
    NET_API_STATUS status =
        BeginNetQuery(server, level, 100, "NetWkstaGetInfo", "WkstaStatus", buffer, computer);
    if (status != NERR_Success) return status;

    LMSTR name = NULL, group = NULL;
    WKSTA_INFO_100 *info = (WKSTA_INFO_100 *)AllocateRecord(
        computer, sizeof(WKSTA_INFO_100), "LanGroup", "WORKGROUP", &name, &group);
    if (info == NULL) return ERROR_NOT_ENOUGH_MEMORY;
    info->wki100_platform_id = ReadComputerDword(computer, NULL, "Platform", PLATFORM_ID_NT);
    info->wki100_computername = name;
    info->wki100_langroup = group;
    info->wki100_ver_major = ReadComputerDword(computer, NULL, "VersionMajor", 4);
    info->wki100_ver_minor = ReadComputerDword(computer, NULL, "VersionMinor", 0);
    return HandOutBuffer(computer, info, buffer);
}

NET_API_STATUS WINAPI LabNetServerGetInfo(LMSTR server, DWORD level, LPBYTE *buffer)
{
    LabGuard guard;
    char computer[kLabNameChars];
    NET_API_STATUS status =
        BeginNetQuery(server, level, 101, "NetServerGetInfo", "ServerStatus", buffer, computer);
    if (status != NERR_Success) return status;

    LMSTR name = NULL, comment = NULL;
    SERVER_INFO_101 *info = (SERVER_INFO_101 *)AllocateRecord(
        computer, sizeof(SERVER_INFO_101), "ServerComment", "", &name, &comment);
    if (info == NULL) return ERROR_NOT_ENOUGH_MEMORY;
    info->sv101_platform_id = ReadComputerDword(computer, NULL, "Platform", PLATFORM_ID_NT);
    info->sv101_name = name;
    info->sv101_version_major = ReadComputerDword(computer, NULL, "ServerVersionMajor", 4);
    info->sv101_version_minor = ReadComputerDword(computer, NULL, "ServerVersionMinor", 0);
    info->sv101_type = ReadComputerDword(computer, NULL, "ServerType", 0x1003);
    info->sv101_comment = comment;
    return HandOutBuffer(computer, info, buffer);
}

// One computer of a browse list: its name, platform, version, type and comment.
struct BrowsedComputer {
    WCHAR name[kLabNameChars];
    WCHAR comment[kLabNameChars];
    DWORD platform, major, minor, type;
};

// The bytes one computer takes in an answer: its record and its two texts.
DWORD BrowsedBytes(const BrowsedComputer &computer)
{
    return (DWORD)(sizeof(SERVER_INFO_101) + (lstrlenW(computer.name) + 1 + lstrlenW(computer.comment) + 1) * sizeof(WCHAR));
}

// The domain's computers of the asked types, in the order of the lab's keys; at most capacity.
int ListDomain(const char *domain, DWORD types, BrowsedComputer *list, int capacity)
{
    HKEY computers = OpenLabKey(LAB_COMPUTERS_PATH, KEY_READ);
    int count = 0;
    char name[kLabNameChars], group[kLabNameChars], path[kLabPathChars];
    for (DWORD index = 0; computers != NULL && count < capacity; index++) {
        DWORD length = sizeof(name);
        if (RegEnumKeyExA(computers, index, name, &length, NULL, NULL, NULL, NULL) != ERROR_SUCCESS) break;
        if (!FormatLabPath(path, LAB_COMPUTERS_PATH "\\%s", name)) continue;
        ReadLabText(path, "LanGroup", "WORKGROUP", group);
        DWORD type = ReadComputerDword(name, NULL, "ServerType", 0x1003);
        if (lstrcmpiA(group, domain) != 0 || (type & types) == 0) continue;
        BrowsedComputer &entry = list[count++];
        if (MultiByteToWideChar(CP_ACP, 0, name, -1, entry.name, kLabNameChars) == 0) entry.name[0] = 0;
        ReadComputerText(name, "ServerComment", "", entry.comment, kLabNameChars);
        entry.platform = ReadComputerDword(name, NULL, "Platform", PLATFORM_ID_NT);
        entry.major = ReadComputerDword(name, NULL, "ServerVersionMajor", 4);
        entry.minor = ReadComputerDword(name, NULL, "ServerVersionMinor", 0);
        entry.type = type;
    }
    if (computers != NULL) RegCloseKey(computers);
    return count;
}

// The first `count` computers as one NetApiBufferAllocate'd block: the records, then the texts.
void *AllocateBrowseList(const BrowsedComputer *list, int count, DWORD bytes)
{
    BYTE *buffer = NULL;
    if (::NetApiBufferAllocate(bytes > 0 ? bytes : 1, (LPVOID *)&buffer) != NERR_Success) return NULL;
    SERVER_INFO_101 *records = (SERVER_INFO_101 *)buffer;
    WCHAR *texts = (WCHAR *)(buffer + count * sizeof(SERVER_INFO_101));
    for (int i = 0; i < count; i++) {
        records[i].sv101_platform_id = list[i].platform;
        records[i].sv101_version_major = list[i].major;
        records[i].sv101_version_minor = list[i].minor;
        records[i].sv101_type = list[i].type;
        records[i].sv101_name = lstrcpyW(texts, list[i].name);
        texts += lstrlenW(list[i].name) + 1;
        records[i].sv101_comment = lstrcpyW(texts, list[i].comment);
        texts += lstrlenW(list[i].comment) + 1;
    }
    return buffer;
}

// A browser's answer: every computer of the domain whose ServerType has one of the asked bits.
// Asked with a preferred length other than MAX_PREFERRED_LENGTH, the answer holds what fits in it
// (and in the domain's EnumBytes, when set), with ERROR_MORE_DATA when that is not all.
NET_API_STATUS WINAPI LabNetServerEnum(LMCSTR, DWORD level, LPBYTE *buffer, DWORD preferredLength,
                                       LPDWORD entriesRead, LPDWORD totalEntries, DWORD types,
                                       LMCSTR domain, LPDWORD)
{
    LabGuard guard;
    if (buffer == NULL || entriesRead == NULL || totalEntries == NULL) return ERROR_INVALID_PARAMETER;
    *buffer = NULL;
    *entriesRead = *totalEntries = 0;
    char group[kLabNameChars], workstation[kLabNameChars], path[kLabPathChars];
    if (domain == NULL && FindWorkstation(workstation)) {
        FormatLabPath(path, LAB_COMPUTERS_PATH "\\%s", workstation);
        ReadLabText(path, "LanGroup", "WORKGROUP", group);
    } else if (domain == NULL) {
        lstrcpynA(group, "WORKGROUP", kLabNameChars);
    } else if (!NarrowServerName(domain, group) || StripComputerName(group) == NULL) {
        return ERROR_INVALID_PARAMETER;
    }
    if (!FormatLabPath(path, LAB_ROOT_PATH "\\Domains\\%s", group)) return ERROR_INVALID_PARAMETER;
    AddLabCounter(group, "NetServerEnum", 1);
    AddLabCounter(group, "RoundTrips", 1);
    HKEY settings = OpenLabKey(path, KEY_READ);
    DWORD latency = ReadLabDword(settings, "LatencyMs", 0);
    NET_API_STATUS status = ReadLabDword(settings, "EnumStatus", NERR_Success);
    DWORD limit = ReadLabDword(settings, "EnumBytes", 0);
    if (settings != NULL) RegCloseKey(settings);
    if (latency > 0) {
        LeaveCriticalSection(&LabLock());
        Sleep(latency);
        EnterCriticalSection(&LabLock());
    }
    if (status != NERR_Success) return status;
    if (level != 101) return ERROR_INVALID_LEVEL;
    static BrowsedComputer list[kMaxBrowsed];
    int total = ListDomain(group, types, list, kMaxBrowsed);
    if (preferredLength == MAX_PREFERRED_LENGTH) limit = MAX_PREFERRED_LENGTH;
    else if (limit == 0 || preferredLength < limit) limit = preferredLength;
    int fitting = 0;
    DWORD bytes = 0;
    for (; fitting < total && bytes + BrowsedBytes(list[fitting]) <= limit; fitting++)
        bytes += BrowsedBytes(list[fitting]);
    void *answer = AllocateBrowseList(list, fitting, bytes);
    if (answer == NULL) return ERROR_NOT_ENOUGH_MEMORY;
    status = HandOutBuffer(group, answer, buffer);
    if (status != NERR_Success) return status;
    *entriesRead = (DWORD)fitting;
    *totalEntries = (DWORD)total;
    return fitting < total ? ERROR_MORE_DATA : NERR_Success;
}

// Frees only buffers the lab handed out: anything else was never NetApiBufferAllocate'd here.
NET_API_STATUS WINAPI LabNetApiBufferFree(LPVOID buffer)
{
    LabGuard guard;
    if (buffer == NULL) return NERR_Success;
    for (LabBuffer &slot : buffers) {
        if (slot.buffer != buffer) continue;
        AddLabCounter(slot.computer, "NetApiBufferFree", 1);
        AddLabCounter(slot.computer, "NetBuffers", -1);
        slot.buffer = NULL;
        return ::NetApiBufferFree(buffer);
    }
    return ERROR_INVALID_PARAMETER;
}

// The start of every call on a key: the lab's handle, its computer reached, the connection whole.
LONG BeginKeyCall(HKEY key, const char *function, LabHandle **handle)
{
    *handle = FindHandle(key);
    if (*handle == NULL) return ERROR_INVALID_HANDLE;
    LabConnection &connection = connections[(*handle)->connection];
    return CrossNetwork(connection.computer, function, &connection);
}

const char *HandleComputer(const LabHandle *handle)
{
    return connections[handle->connection].computer;
}

LONG WINAPI LabRegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD options, REGSAM access, PHKEY result)
{
    LabGuard guard;
    if (result == NULL) return ERROR_INVALID_PARAMETER;
    *result = NULL;
    LabHandle *handle = NULL;
    LONG status = BeginKeyCall(key, "RegOpenKeyExA", &handle);
    if (status != ERROR_SUCCESS) return status;
    char path[kLabPathChars];
    if (!JoinPath(path, handle->path, subKey)) return ERROR_INVALID_PARAMETER;
    // An open for reading and writing meets both faults, the write's first.
    if (access & KEY_SET_VALUE) status = InjectedFault(HandleComputer(handle), "OpenWrite", path);
    if (status == ERROR_SUCCESS && (!(access & KEY_SET_VALUE) || (access & KEY_QUERY_VALUE)))
        status = InjectedFault(HandleComputer(handle), "OpenRead", path);
    if (status != ERROR_SUCCESS) return status;

    HKEY opened = NULL;
    status = ::RegOpenKeyExA(handle->key, subKey, options, access, &opened);
    if (status != ERROR_SUCCESS) return status;
    if (AddHandle(opened, handle->connection, false, path) == NULL) {
        ::RegCloseKey(opened);
        return ERROR_NOT_ENOUGH_MEMORY;
    }
    AddLabCounter(HandleComputer(handle), "OpenKeys", 1);
    *result = opened;
    return ERROR_SUCCESS;
}

// The fault set on one value of the handle's key (kind "QueryValue", "SetValue", ...), or 0.
LONG InjectedValueFault(LabHandle *handle, const char *kind, const char *name)
{
    char valuePath[kLabPathChars];
    if (!JoinValuePath(valuePath, handle->path, name)) return ERROR_SUCCESS;
    return InjectedFault(HandleComputer(handle), kind, valuePath);
}

LONG WINAPI LabRegQueryValueExA(HKEY key, LPCSTR name, LPDWORD reserved, LPDWORD type, LPBYTE data,
                                LPDWORD size)
{
    LabGuard guard;
    LabHandle *handle = NULL;
    LONG status = BeginKeyCall(key, "RegQueryValueExA", &handle);
    if (status != ERROR_SUCCESS) return status;
    status = InjectedValueFault(handle, "QueryValue", name);
    if (status != ERROR_SUCCESS) return status;
    return ::RegQueryValueExA(handle->key, name, reserved, type, data, size);
}

// One round trip for the whole list: a fault on the batched call of the key, or a QueryValue
// fault on any of its values, fails the whole call with that code.
LONG WINAPI LabRegQueryMultipleValuesA(HKEY key, PVALENTA values, DWORD count, LPSTR buffer,
                                       LPDWORD size)
{
    LabGuard guard;
    LabHandle *handle = NULL;
    LONG status = BeginKeyCall(key, "RegQueryMultipleValuesA", &handle);
    if (status != ERROR_SUCCESS) return status;
    status = InjectedFault(HandleComputer(handle), "QueryMultiple", handle->path);
    if (status != ERROR_SUCCESS) return status;
    for (DWORD i = 0; values != NULL && i < count; i++) {
        status = InjectedValueFault(handle, "QueryValue", values[i].ve_valuename);
        if (status != ERROR_SUCCESS) return status;
    }
    return ::RegQueryMultipleValuesA(handle->key, values, count, buffer, size);
}

LONG WINAPI LabRegSetValueExA(HKEY key, LPCSTR name, DWORD reserved, DWORD type, const BYTE *data,
                              DWORD size)
{
    LabGuard guard;
    LabHandle *handle = NULL;
    LONG status = BeginKeyCall(key, "RegSetValueExA", &handle);
    if (status != ERROR_SUCCESS) return status;
    status = InjectedValueFault(handle, "SetValue", name);
    if (status != ERROR_SUCCESS) return status;
    return ::RegSetValueExA(handle->key, name, reserved, type, data, size);
}

LONG WINAPI LabRegFlushKey(HKEY key)
{
    LabGuard guard;
    LabHandle *handle = NULL;
    LONG status = BeginKeyCall(key, "RegFlushKey", &handle);
    if (status != ERROR_SUCCESS) return status;
    status = InjectedFault(HandleComputer(handle), "Flush", handle->path);
    if (status != ERROR_SUCCESS) return status;
    return ::RegFlushKey(handle->key);
}

LONG WINAPI LabRegDeleteValueA(HKEY key, LPCSTR name)
{
    LabGuard guard;
    LabHandle *handle = NULL;
    LONG status = BeginKeyCall(key, "RegDeleteValueA", &handle);
    if (status != ERROR_SUCCESS) return status;
    status = InjectedValueFault(handle, "DeleteValue", name);
    if (status != ERROR_SUCCESS) return status;
    return ::RegDeleteValueA(handle->key, name);
}

// A broken connection still lets go of the key here, so nothing leaks; the caller sees the break.
LONG WINAPI LabRegCloseKey(HKEY key)
{
    LabGuard guard;
    LabHandle *handle = NULL;
    LONG status = BeginKeyCall(key, "RegCloseKey", &handle);
    if (handle == NULL) return status;
    LONG closed = ::RegCloseKey(handle->key);
    AddLabCounter(HandleComputer(handle), handle->root ? "OpenRoots" : "OpenKeys", -1);
    RemoveHandle(handle);
    return status != ERROR_SUCCESS ? status : closed;
}

// Each member takes the stand-in of its own name (Lab and the call's name): two calls of one
// type cannot change places.
#define KORVID_LAB_CALL(table, name) ((table).name = Lab##name)

constexpr NetCalls MakeLabCalls()
{
    NetCalls table = {};
    KORVID_LAB_CALL(table, RegConnectRegistryA);
    KORVID_LAB_CALL(table, NetWkstaGetInfo);
    KORVID_LAB_CALL(table, NetServerGetInfo);
    KORVID_LAB_CALL(table, NetApiBufferFree);
    KORVID_LAB_CALL(table, RegOpenKeyExA);
    KORVID_LAB_CALL(table, RegQueryValueExA);
    KORVID_LAB_CALL(table, RegSetValueExA);
    KORVID_LAB_CALL(table, RegFlushKey);
    KORVID_LAB_CALL(table, RegCloseKey);
    KORVID_LAB_CALL(table, RegDeleteValueA);
    KORVID_LAB_CALL(table, RegQueryMultipleValuesA);
    KORVID_LAB_CALL(table, NetServerEnum);
    return table;
}

#undef KORVID_LAB_CALL

constexpr NetCalls labCalls = MakeLabCalls();

}  // namespace

const NetCalls &GetLabNetCalls() { return labCalls; }

void InstallLabNetwork()
{
    InstallNetCalls(GetLabNetCalls());
    // The stand-in select dialog lies beside the lab's programs (or in the tests' DLL folder).
    SetFocusLibrarySearch(0);
}
