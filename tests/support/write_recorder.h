// A record of every value write with the exact type and length passed, in order. The lab's
// registry cannot show a string's length (a value written without its terminator may still be
// stored with one), nor the order of the writes.
#ifndef KORVID_WRITE_RECORDER_H
#define KORVID_WRITE_RECORDER_H

#include <windows.h>

#include <string>
#include <vector>

#include "connection/netcalls.h"
#include "lab/lab.h"

namespace policytest {

struct RecordedWrite {
    std::string name;
    DWORD type;
    std::string bytes;  // exactly the length passed
};

inline std::vector<RecordedWrite> &RecordedWrites()
{
    static std::vector<RecordedWrite> writes;
    return writes;
}

inline LONG WINAPI RecordRegSetValueExA(HKEY key, LPCSTR name, DWORD reserved, DWORD type,
                                        const BYTE *data, DWORD size)
{
    RecordedWrites().push_back({name, type, std::string((const char *)data, size)});
    return GetLabNetCalls().RegSetValueExA(key, name, reserved, type, data, size);
}

// While it lives, the network table is the lab's with the calls that change replaces; then the
// lab's again. The base of every recorder of registry calls.
class ScopedNetCalls {
public:
    explicit ScopedNetCalls(void (*change)(NetCalls *table))
    {
        NetCalls table = GetLabNetCalls();
        change(&table);
        InstallNetCalls(table);
    }
    ~ScopedNetCalls() { InstallNetCalls(GetLabNetCalls()); }
    ScopedNetCalls(const ScopedNetCalls &) = delete;
    ScopedNetCalls &operator=(const ScopedNetCalls &) = delete;
};

// While it lives, every write goes through the record on its way to the lab.
class WriteRecorder {
public:
    WriteRecorder() { RecordedWrites().clear(); }

    const std::vector<RecordedWrite> &Writes() const { return RecordedWrites(); }
    std::vector<std::string> Names() const
    {
        std::vector<std::string> names;
        for (const RecordedWrite &write : RecordedWrites())
            names.push_back(write.name);
        return names;
    }

private:
    ScopedNetCalls calls_{[](NetCalls *table) { table->RegSetValueExA = RecordRegSetValueExA; }};
};

inline std::string DwordBytes(DWORD value)
{
    return std::string((const char *)&value, sizeof(value));
}

}  // namespace policytest

#endif
