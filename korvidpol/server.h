// One server as korvidpol works on it: classified and connected, without any window, and its
// registry values read exactly as stored.
#ifndef KORVIDPOL_SERVER_H
#define KORVIDPOL_SERVER_H

#include <windows.h>

#include "connection/target.h"
#include "korvidpol/runner.h"

enum { kRawValueBytes = 5000 };

struct PolServer {
    char name[kNameChars];  // as given, without a leading "\\"
    HKEY root;              // the remote HKEY_LOCAL_MACHINE while open
    ServerRole role;
};

// Classifies the computer and connects its registry. Only a Velmor Server with a domain role (the
// computers with a Policy page) is accepted; any other gets one note naming what it is, a
// computer that does not answer an error line with the network error text, and counts as failed.
bool OpenServer(const char *given, PolServer *server, ServerReport *report);
// OpenServer for a computer a /domain: found: one that is not such a server, or does not
// answer, is a note that it is left out, and does not count as failed.
bool OpenServerFrom(const char *given, bool fromDomain, PolServer *server, ServerReport *report);
void CloseServer(PolServer *server);

// A value exactly as stored: up to kRawValueBytes bytes of any type.
struct RawValue {
    LONG status;  // of the query: 0, 2 for a missing value, 234 for one too large
    DWORD type;
    DWORD size;
    BYTE data[kRawValueBytes];
};

// Reads the named values of one key: one open for reading, the queries, one close. A key that
// is missing makes every value missing; any other failed open is returned (values untouched).
LONG ReadRawValues(HKEY root, const char *keyPath, const char *const *names,
                   RawValue *const *values, int count);
// ReadRawValues that keeps the key open for writing as well when kept is not NULL: the key is
// opened for reading and writing, *kept receives it (NULL when the key is missing), and the
// caller writes through it and closes it. When that open is refused the key is read as
// ReadRawValues reads it and *kept is NULL.
LONG ReadRawValuesKeeping(HKEY root, const char *keyPath, const char *const *names,
                          RawValue *const *values, int count, HKEY *kept);

// "primary domain controller", "backup domain controller", "member server".
const char *RoleName(ServerRole role);
// The role of a name as RoleName gives it (without regard to case); false when none matches.
bool ParseRoleName(const char *name, ServerRole *role);

#endif
