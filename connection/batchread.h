// Several values of one open remote key read in one round trip, with the value-by-value reads
// kept as the way back: a caller takes the batch only when every value came back as its own
// query would have taken it, and reads value by value otherwise.
#ifndef KORVID_BATCHREAD_H
#define KORVID_BATCHREAD_H

#include <windows.h>

enum { kMaxBatchedValues = 16 };

// One value asked for: its name and the bytes its own query's buffer holds; after the call,
// the type found, the bytes returned and where they are in the caller's buffer.
struct BatchedValue {
    const char *name;
    DWORD capacity;
    DWORD type;
    DWORD size;
    const BYTE *data;
};

// Reads count values (at most kMaxBatchedValues) of key, opened below root, into buffer.
// ERROR_SUCCESS only when every value came back no longer than its capacity; otherwise the
// call's status, or ERROR_MORE_DATA for a value longer than its capacity. A server that refuses
// the call as not supported is not asked again on that root (ERROR_CALL_NOT_IMPLEMENTED from
// then on, without a round trip), from any thread.
LONG QueryValuesAtOnce(HKEY root, HKEY key, BatchedValue *values, int count, BYTE *buffer,
                       DWORD capacity);
// The bytes a buffer needs for the values at their capacities.
DWORD BatchBufferSize(const BatchedValue *values, int count);
// The root is closed: a new connection that gets the same handle is asked again.
void ForgetBatchRefusal(HKEY root);

#endif
