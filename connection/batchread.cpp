// Batched reads of one key. Which roots refused the call is kept in one small table shared by
// every thread (the console program reads several computers at once), under a lock.
#include "connection/batchread.h"

#include <string.h>

#include "connection/netcalls.h"

namespace {

enum { kMaxRefusingRoots = 32 };

struct RefusingRoots {
    CRITICAL_SECTION lock;
    HKEY roots[kMaxRefusingRoots];  // NULL: slot free
    int next;                       // the slot taken over when every one is in use
    RefusingRoots() : roots(), next(0) { InitializeCriticalSection(&lock); }
};

RefusingRoots &Refusing()
{
    static RefusingRoots table;
    return table;
}

BOOL IsRefusal(LONG status)
{
    return status == ERROR_CALL_NOT_IMPLEMENTED || status == RPC_S_PROCNUM_OUT_OF_RANGE;
}

// Finds root in the table, or with remember set, puts it there; returns whether it was there.
BOOL LookUpRefusal(HKEY root, BOOL remember)
{
    RefusingRoots &table = Refusing();
    EnterCriticalSection(&table.lock);
    BOOL found = FALSE;
    for (HKEY held : table.roots)
        found = found || (root != NULL && held == root);
    if (!found && remember && root != NULL) {
        int slot = -1;
        for (int i = 0; i < kMaxRefusingRoots && slot < 0; ++i)
            if (table.roots[i] == NULL)
                slot = i;
        if (slot < 0) {
            slot = table.next;
            table.next = (table.next + 1) % kMaxRefusingRoots;
        }
        table.roots[slot] = root;
    }
    LeaveCriticalSection(&table.lock);
    return found;
}

}  // namespace

DWORD BatchBufferSize(const BatchedValue *values, int count)
{
    DWORD total = 0;
    for (int i = 0; i < count; ++i)
        total += values[i].capacity;
    return total;
}

LONG QueryValuesAtOnce(HKEY root, HKEY key, BatchedValue *values, int count, BYTE *buffer,
                       DWORD capacity)
{
    if (count <= 0 || count > kMaxBatchedValues || LookUpRefusal(root, FALSE))
        return ERROR_CALL_NOT_IMPLEMENTED;
    VALENTA list[kMaxBatchedValues];
    memset(list, 0, sizeof(list));
    for (int i = 0; i < count; ++i)
        list[i].ve_valuename = (LPSTR)values[i].name;
    DWORD size = capacity;
    LONG status = Net().RegQueryMultipleValuesA(key, list, (DWORD)count, (LPSTR)buffer, &size);
    if (IsRefusal(status))
        LookUpRefusal(root, TRUE);
    if (status != ERROR_SUCCESS)
        return status;
    for (int i = 0; i < count; ++i) {
        const BYTE *data = (const BYTE *)list[i].ve_valueptr;
        values[i].type = list[i].ve_type;
        values[i].size = list[i].ve_valuelen;
        values[i].data = data;
        // Each value lies whole inside the buffer, no longer than its own query takes.
        if (values[i].size > values[i].capacity || data < buffer ||
            data + values[i].size > buffer + capacity)
            return ERROR_MORE_DATA;
    }
    return ERROR_SUCCESS;
}

void ForgetBatchRefusal(HKEY root)
{
    RefusingRoots &table = Refusing();
    EnterCriticalSection(&table.lock);
    for (HKEY &held : table.roots)
        if (held == root)
            held = NULL;
    LeaveCriticalSection(&table.lock);
}
