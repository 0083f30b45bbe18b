// The two registry value helpers the dialogs know by name; their messages have no owner.
#include "policy/regvalues.h"

#include <string.h>

#include "connection/netcalls.h"
#include "policy/policykey.h"

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
    ReportHelperWriteStatus(tag, name, type, status);
    return 0;
}
