// The servers a command works on: the names given, the names of @FILE operands and the
// computers of a /domain:, each done once, and the enumeration of a domain's computers.
#ifndef KORVIDPOL_NAMES_H
#define KORVIDPOL_NAMES_H

#include <windows.h>
#include <lm.h>

#include "connection/target.h"
#include "korvidpol/runner.h"

// One computer of the list. The runner hands a job the name; since it is the first member, the
// job finds the rest from it (ListedOf).
struct ListedServer {
    char name[kNameChars];  // without a leading "\\"
    bool fromDomain;        // found by /domain: a computer without policies is a note, not a failure
    DWORD browsedType;      // the browser's server type bits (fromDomain only)
};

struct ServerList {
    ListedServer *servers;
    int count;
    int capacity;
};

// The entry of a name the runner handed a job from a ServerList.
const ListedServer &ListedOf(const char *name);

void InitServerList(ServerList *list);
void FreeServerList(ServerList *list);

// The computers of a domain (NULL: the one the workstation is in) as the browser lists them,
// sorted by name, appended to list as fromDomain; status of the enumeration (0 when it worked),
// domainName receives the domain asked (kNameChars).
NET_API_STATUS EnumerateDomain(const char *domain, ServerList *list, char *domainName);

// The operands (names and @FILE) and the domain (may be NULL) as one list, each name once in
// the order given, the domain's computers after them; false after printing why (exit 2).
bool ListServers(const char *const *operands, int count, const char *domain, ServerList *list);

// Runs the job on every server of the list (RunServers).
int RunServerList(const ServerList &list, int parallel, ServerJob job, void *context);

#endif
