// For the dialogs that validate what was typed: the program title their messages carry, and a
// record of every value write with the exact type and length passed. The lab's registry cannot
// show a string's length (a value written without its terminator may still be stored with
// one), nor the order of the writes.
#ifndef KORVID_POLICY_HELPER_TESTING_H
#define KORVID_POLICY_HELPER_TESTING_H

#include <windows.h>

#include <string>
#include <vector>

#include "connection/netcalls.h"
#include "lab/lab.h"
#include "tests/policy_testing.h"

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

// While it lives, every write goes through the record.
class WriteRecorder {
public:
    WriteRecorder()
    {
        RecordedWrites().clear();
        NetCalls table = GetLabNetCalls();
        table.RegSetValueExA = RecordRegSetValueExA;
        InstallNetCalls(table);
    }
    ~WriteRecorder() { InstallNetCalls(GetLabNetCalls()); }
    WriteRecorder(const WriteRecorder &) = delete;
    WriteRecorder &operator=(const WriteRecorder &) = delete;

    const std::vector<RecordedWrite> &Writes() const { return RecordedWrites(); }
    std::vector<std::string> Names() const
    {
        std::vector<std::string> names;
        for (const RecordedWrite &write : RecordedWrites())
            names.push_back(write.name);
        return names;
    }
};

inline std::string DwordBytes(DWORD value)
{
    return std::string((const char *)&value, sizeof(value));
}

const char kAppTitle[] = "Korvid Administrator";

// A message about typed input: owned by the dialog, titled by the program, information icon.
inline void ExpectRefusal(const BoxRecord &box, const std::string &reason, HWND dialog)
{
    EXPECT_EQ(reason + "\nWill put the default back.", box.text);
    EXPECT_EQ(kAppTitle, box.caption);
    EXPECT_EQ((UINT)MB_ICONASTERISK, box.icon);
    EXPECT_EQ(std::vector<int>{IDOK}, box.buttons);
    EXPECT_EQ(dialog, box.owner);
}

// The program's start-up state first, for the program title.
class TitledPolicyDialogTest : public PolicyDialogTest {
protected:
    void SetUp() override
    {
        InitShell(GetModuleHandleA(NULL));
        PolicyDialogTest::SetUp();
    }
};

}  // namespace policytest

#endif
