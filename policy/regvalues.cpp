// The registry value helpers of the helper-based policy dialogs, and the small pieces every
// dialog title and check box shares.
#include "policy/policy.h"

#include <stdio.h>
#include <string.h>

#include "connection/netcalls.h"
#include "connection/target.h"

namespace {

const char kRegistryCaption[] = "Registry";
enum { kShortNameChars = 17 };

}  // namespace

int GetKorvidRegValue(const char *tag, HKEY key, const char *name, void *data, DWORD type)
{
    if (type != REG_DWORD && type != REG_SZ) {
        ShowPolicyMessage(NULL, "", "GetKorvidRegValue '%s', '%s', dwRegType=%d\n", tag, name,
                          (int)type);
        return 0;
    }
    StoredValue stored;
    QueryStoredValue(key, name, type, &stored);
    if (stored.status != ERROR_SUCCESS) {
        ReportNamedReadStatus(NULL, tag, name, stored.status);
        return 0;
    }
    if (stored.type != type) {
        ReportNamedReadType(NULL, tag, name, stored.type);
        return 0;
    }
    if (type == REG_DWORD)
        memcpy(data, &stored.data.number, sizeof(DWORD));
    else
        memcpy(data, stored.data.text, strlen(stored.data.text) + 1);
    return 1;
}

int SetKorvidRegValue(const char *tag, HKEY key, const char *name, const void *data, DWORD type)
{
    LONG status;
    if (type == REG_DWORD)
        status = Net().RegSetValueExA(key, name, 0, REG_DWORD, (const BYTE *)data, sizeof(DWORD));
    else if (type == REG_SZ)
        status = WriteRegString(key, name, REG_SZ, (const char *)data);
    else {
        ShowPolicyMessage(NULL, "", "SetKorvidRegValue '%s', '%s', dwRegType=%d\n", tag, name,
                          (int)type);
        return 0;
    }
    if (status == ERROR_SUCCESS)
        return 1;
    ShowPolicyMessage(NULL, kRegistryCaption, "%s - WM_COMMAND, '%s', dwRegType=%d, RegRet=%d", tag,
                      name, (int)type, (int)status);
    return 0;
}

const char *GetShortComputerName()
{
    static char shortName[22];
    const char *name = Target().computerName;
    size_t length = strnlen(name, kNameChars);
    if (length <= kShortNameChars)
        snprintf(shortName, sizeof(shortName), "%s", name);
    else
        snprintf(shortName, sizeof(shortName), "%.*s...", (int)kShortNameChars, name);
    return shortName;
}

int InvertCheck(int value)
{
    return value <= 0 ? 1 : 0;
}
