#include "korvidpol/names.h"

#include <lm.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "connection/netcalls.h"
#include "korvidpol/ansifile.h"
#include "korvidpol/text.h"

namespace {

// The most computers one command works on, and the first answer a browser is asked for.
enum { kMaxListed = 65536, kFirstAnswerBytes = 16384 };

bool Grow(ServerList *list)
{
    if (list->count < list->capacity) return true;
    int capacity = list->capacity ? list->capacity * 2 : 64;
    if (capacity > kMaxListed) return false;
    ListedServer *servers = (ListedServer *)realloc(list->servers, (size_t)capacity * sizeof(ListedServer));
    if (servers == NULL) return false;
    list->servers = servers;
    list->capacity = capacity;
    return true;
}

int FindListed(const ServerList &list, const char *name)
{
    for (int i = 0; i < list.count; i++)
        if (lstrcmpiA(list.servers[i].name, name) == 0) return i;
    return -1;
}

// Adds a name (a leading "\\" cut) unless it is there already; false when the list is full.
bool AddListed(ServerList *list, const char *name, bool fromDomain, DWORD type)
{
    if (name[0] == '\\' && name[1] == '\\') name += 2;
    if (FindListed(*list, name) >= 0) return true;
    if (!Grow(list)) return false;
    ListedServer &entry = list->servers[list->count++];
    lstrcpynA(entry.name, name, kNameChars);
    entry.fromDomain = fromDomain;
    entry.browsedType = type;
    return true;
}

int CompareListed(const void *left, const void *right)
{
    return lstrcmpiA(((const ListedServer *)left)->name, ((const ListedServer *)right)->name);
}

// The names of a file: one a line, "\\" optional, blank lines and lines from ';' left out.
bool AddNameFile(const char *path, ServerList *list)
{
    TextBuffer text;
    InitText(&text);
    char error[kAnsiErrorChars];
    // Read as the policy files are: UTF-16LE, UTF-8 with its mark, or ANSI.
    if (!ReadAnsiFile(path, &text, error, sizeof(error))) {
        PrintLine(STD_ERROR_HANDLE, "korvidpol: %s: %s\n", path, error);
        FreeText(&text);
        return false;
    }
    bool ok = true;
    const char *at = TextOf(&text);
    for (int line = 1; ok && *at; line++) {
        const char *end = at + strcspn(at, "\r\n");
        const char *first = at, *last = end;
        while (first < last && (*first == ' ' || *first == '\t')) first++;
        while (last > first && (last[-1] == ' ' || last[-1] == '\t')) last--;
        if (first[0] == '\\' && first + 1 < last && first[1] == '\\') first += 2;
        int length = (int)(last - first);
        char name[kNameChars];
        if (length >= kNameChars || memchr(first, '\\', length) != NULL) {
            PrintLine(STD_ERROR_HANDLE, "korvidpol: %s: line %d: not a computer name\n", path, line);
            ok = false;
        } else if (length > 0 && *first != ';') {
            memcpy(name, first, length);
            name[length] = 0;
            ok = AddListed(list, name, false, 0);
            if (!ok) PrintLine(STD_ERROR_HANDLE, "korvidpol: more than %d servers\n", (int)kMaxListed);
        }
        at = end;
        if (*at == '\r') at++;
        if (*at == '\n') at++;
    }
    FreeText(&text);
    return ok;
}

// The workstation's own domain; status of the query.
NET_API_STATUS QueryOwnDomain(char *domainName)
{
    LPBYTE buffer = NULL;
    NET_API_STATUS status = Net().NetWkstaGetInfo(NULL, 100, &buffer);
    if (status == NERR_Success && buffer != NULL)
        NarrowName(((const WKSTA_INFO_100 *)buffer)->wki100_langroup, domainName, kNameChars);
    if (buffer != NULL) Net().NetApiBufferFree(buffer);
    return status == NERR_Success && buffer == NULL ? ERROR_INVALID_DATA : status;
}

// One question to a browser; the buffer is freed here on every path.
NET_API_STATUS AskBrowser(const WCHAR *domain, DWORD preferredLength, ServerList *list)
{
    LPBYTE buffer = NULL;
    DWORD read = 0, total = 0;
    NET_API_STATUS status = Net().NetServerEnum(NULL, 101, &buffer, preferredLength, &read, &total,
                                                SV_TYPE_ALL, domain, NULL);
    bool taken = status == NERR_Success || (status == ERROR_MORE_DATA && preferredLength == MAX_PREFERRED_LENGTH);
    const SERVER_INFO_101 *info = (const SERVER_INFO_101 *)buffer;
    for (DWORD i = 0; taken && buffer != NULL && i < read; i++) {
        char name[kNameChars];
        NarrowName(info[i].sv101_name, name, kNameChars);
        if (name[0] != 0 && !AddListed(list, name, true, info[i].sv101_type)) status = ERROR_NOT_ENOUGH_MEMORY;
    }
    if (buffer != NULL) Net().NetApiBufferFree(buffer);
    return taken && status == ERROR_MORE_DATA ? NERR_Success : status;
}

}  // namespace

const ListedServer &ListedOf(const char *name)
{
    return *(const ListedServer *)(const void *)name;
}

void InitServerList(ServerList *list) { memset(list, 0, sizeof(*list)); }

void FreeServerList(ServerList *list)
{
    free(list->servers);
    InitServerList(list);
}

NET_API_STATUS EnumerateDomain(const char *domain, ServerList *list, char *domainName)
{
    domainName[0] = 0;
    if (domain != NULL) lstrcpynA(domainName, domain, kNameChars);
    NET_API_STATUS status = domain != NULL ? NERR_Success : QueryOwnDomain(domainName);
    if (status != NERR_Success) return status;
    WCHAR wide[kNameChars];
    if (MultiByteToWideChar(CP_ACP, 0, domainName, -1, wide, kNameChars) == 0) return ERROR_INVALID_PARAMETER;
    int first = list->count;
    // A browser that cannot give everything in the first answer is asked once more for all of it.
    status = AskBrowser(wide, kFirstAnswerBytes, list);
    if (status == ERROR_MORE_DATA) {
        list->count = first;
        status = AskBrowser(wide, MAX_PREFERRED_LENGTH, list);
    }
    if (status != NERR_Success) {
        list->count = first;
        return status;
    }
    qsort(list->servers + first, (size_t)(list->count - first), sizeof(ListedServer), CompareListed);
    return NERR_Success;
}

bool ListServers(const char *const *operands, int count, const char *domain, ServerList *list)
{
    for (int i = 0; i < count; i++) {
        const char *operand = operands[i];
        bool ok = operand[0] == '@' ? AddNameFile(operand + 1, list) : AddListed(list, operand, false, 0);
        if (!ok) return false;
    }
    if (domain != NULL) {
        ServerList found;
        InitServerList(&found);
        char domainName[kNameChars];
        NET_API_STATUS status = EnumerateDomain(domain, &found, domainName);
        if (status != NERR_Success) {
            char text[kNetErrorBufferChars];
            FormatNetError(status, text, sizeof(text));
            PrintLine(STD_ERROR_HANDLE, "korvidpol: the computers of domain %s could not be listed: %s\n",
                      domainName, text);
            FreeServerList(&found);
            return false;
        }
        bool ok = true;
        for (int i = 0; ok && i < found.count; i++)
            ok = AddListed(list, found.servers[i].name, true, found.servers[i].browsedType);
        FreeServerList(&found);
        if (!ok) return false;
    }
    return true;
}

int RunServerList(const ServerList &list, int parallel, ServerJob job, void *context)
{
    const char **names = (const char **)calloc(list.count > 0 ? (size_t)list.count : 1, sizeof(const char *));
    if (names == NULL) {
        PrintLine(STD_ERROR_HANDLE, "korvidpol: out of memory\n");
        return list.count;
    }
    for (int i = 0; i < list.count; i++) names[i] = list.servers[i].name;
    int failed = RunServers(names, list.count, parallel, job, context);
    free(names);
    return failed;
}
