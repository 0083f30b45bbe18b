#include "connection/systemnames.h"

#include "resources/resource.h"

const char kProductOptionsKeyPath[] = "SYSTEM\\CurrentControlSet\\Control\\ProductOptions";
const char kUnknownSystemName[] = "Unknown system";

const char *FixedSystemName(PlatformKind kind)
{
    switch (kind) {
    case PlatformWindows95: return "Microsoft (R) Windows 95 (TM) System";
    case PlatformWindowsForWorkgroups: return "Microsoft (R) Windows for Workgroups";
    case PlatformLanManager: return "LAN Manager";
    default: return NULL;
    }
}

const char *WindowsNTName(const char *productType)
{
    switch (lstrlenA(productType)) {
    case 5: return "Microsoft (R) Windows NT (TM) Workstation";
    case 8: return "Microsoft (R) Windows NT (TM) Server";
    default: return productType;
    }
}

void LoadProductName(char *name, int capacity)
{
    if (LoadStringA(GetModuleHandleA(NULL), IDS_PRODUCT_NAME, name, capacity) <= 0 && capacity > 0)
        name[0] = '\0';
}
