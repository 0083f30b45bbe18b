// The names the Version page gives each kind of computer, as data without any window, so that
// every program names a computer the same way.
#ifndef KORVID_SYSTEMNAMES_H
#define KORVID_SYSTEMNAMES_H

#include "connection/target.h"

// The key whose ProductType tells a Windows NT Workstation from a Server.
extern const char kProductOptionsKeyPath[];
extern const char kUnknownSystemName[];  // a Windows NT computer whose ProductType is unreadable

// The fixed name of a kind: Windows 95, Windows for Workgroups, LAN Manager; NULL for the kinds
// named otherwise (Velmor Server: the product name; Windows NT: by its ProductType).
const char *FixedSystemName(PlatformKind kind);
// A Windows NT computer's name from its ProductType text (by its length), or the text itself.
const char *WindowsNTName(const char *productType);
// The product name from the program's string resources ("Velmor Server for UNIX Systems").
void LoadProductName(char *name, int capacity);

#endif
