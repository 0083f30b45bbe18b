// The selected computer: selection, classification and registry connection.
#ifndef KORVID_TARGET_H
#define KORVID_TARGET_H

#include <windows.h>

#include "connection/computer.h"
#include "connection/neterror.h"

enum { kNameChars = 603 };  // at most 602 characters and a terminator

struct TargetComputer {
    char computerName[kNameChars];
    WCHAR computerNameWide[kNameChars];
    HKEY remoteRoot;
    BOOL writeAccess;
    DWORD serverType;
    PlatformKind platformKind;
    char domainName[kNameChars];
    BOOL connected;
};

// The one instance; read through the accessors below or directly where noted.
TargetComputer &Target();

HKEY GetRemoteRoot();
BOOL GetWriteAccess();
DWORD GetServerType();
const char *GetDomainName();
PlatformKind GetPlatformKind();
int CopyComputerNameWide(WCHAR *buffer);  // buffer of kNameChars units
ServerRole GetServerRole();

// Lets the user choose a computer (at most five attempts); 1 when one was chosen,
// classified and, for kinds 1 to 3, connected. name receives the chosen name (kNameChars).
int SelectComputer(HWND owner, char *name);
// The LoadLibraryExA flags with which the select-computer library is looked for: the system
// folder only (LOAD_LIBRARY_SEARCH_SYSTEM32) unless the lab asks for the standard search (0).
void SetFocusLibrarySearch(DWORD loadFlags);
int QueryServerType(const WCHAR *name);
// Connects the remote root again (two tries); 0 after a failure, with its message shown.
int ReconnectRegistry();

// Opens a key below the remote root; when that fails, reconnects once and tries once more.
// RemoteConnectionLost: the reconnection failed and has shown its message; status is then the
// first open's. waitCursor shows the wait cursor around the first open.
enum RemoteOpen { RemoteKeyOpened, RemoteKeyRefused, RemoteConnectionLost };
RemoteOpen OpenRemoteKey(const char *path, REGSAM access, BOOL waitCursor, HKEY *key, LONG *status);

// Turns a UTF-16 name into 8-bit text: units below 256 as one byte, others as '?'.
void NarrowName(const WCHAR *wide, char *narrow, int capacity);

// Closes the remote root if one is held.
void CloseRemoteRoot();

// ---------------------------------------------------------------------------------------------
// Classification of a computer, without any window or message box
// ---------------------------------------------------------------------------------------------

// The step at which a computer was refused.
enum ClassifyStep {
    ClassifyAccepted,      // nothing failed
    ClassifyWorkstation,   // NetWkstaGetInfo failed: status
    ClassifyPlatform,      // the workstation answer is a DOS or an unknown system
    ClassifyConnect,       // RegConnectRegistryA failed: status
    ClassifyProbe,         // neither probe key opened: status of the second probe
};

struct ComputerClass {
    PlatformKind kind;             // PlatformNone when refused
    PlatformKind workstationKind;  // the kind the workstation answer gave, before the probes
    DWORD serverType;              // 0 when the server query fails
    ServerRole role;
    char domainName[kNameChars];
    BOOL writeAccess;              // the Velmor Server parameters key opens for writing
    HKEY root;                     // kinds 1 to 3: the connected registry, the caller's to close
    ClassifyStep step;
    DWORD status;
    DWORD platformId;              // the workstation answer, for the message about it
    DWORD versionMajor;
    DWORD versionMinor;
};

// Classifies the computer as a selection does: the workstation and server queries, for a
// Windows NT-platform computer the registry connection, the two probes and the write-access
// probe. wideName may be null (then made from name). waitCursor shows the wait cursor around
// each network call.
void ClassifyComputer(const char *name, const WCHAR *wideName, BOOL waitCursor,
                      ComputerClass *result);
// Whether a classification ends with the write-access probe: korvidadm's selection does;
// korvidpol, which opens each key it writes for writing itself, leaves it out (writeAccess FALSE).
enum ClassifyProbes { ProbeWriteAccess, LeaveOutWriteProbe };
// ClassifyComputer with the probes chosen; otherwise the same steps and result.
void ClassifyComputerWith(const char *name, const WCHAR *wideName, BOOL waitCursor,
                          ClassifyProbes probes, ComputerClass *result);
// The server type bits NetServerGetInfo reports, or 0 when it fails.
DWORD QueryServerTypeOf(const WCHAR *name, BOOL waitCursor);
// The role the server type bits give.
ServerRole RoleOfServerType(DWORD serverType);
// A Velmor Server with a role in a domain: the computers whose policies the program edits (the
// Policy page, and the servers korvidpol accepts).
BOOL HasDomainPolicies(PlatformKind platformKind, DWORD serverType);

#endif
