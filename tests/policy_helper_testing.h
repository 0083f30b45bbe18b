// For the dialogs that validate what was typed: the program title their messages carry, and a
// record of every value write with the exact type and length passed. The lab's registry cannot
// show a string's length (a value written without its terminator may still be stored with
// one), nor the order of the writes.
#ifndef KORVID_POLICY_HELPER_TESTING_H
#define KORVID_POLICY_HELPER_TESTING_H

#include <windows.h>

#include <functional>
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
const char kFileServiceKey[] =
    "SYSTEM\\CurrentControlSet\\Services\\VelmorServer\\FileServiceParameters";

// A message about typed input: owned by the dialog, titled by the program, information icon.
inline void ExpectRefusal(const BoxRecord &box, const std::string &reason, HWND dialog)
{
    EXPECT_EQ(reason + "\nWill put the default back.", box.text);
    EXPECT_EQ(kAppTitle, box.caption);
    EXPECT_EQ((UINT)MB_ICONASTERISK, box.icon);
    EXPECT_EQ(std::vector<int>{IDOK}, box.buttons);
    EXPECT_EQ(dialog, box.owner);
}

// A dialog acted on, then the one message box that its action brings.
inline void RunToOkBox(int dialogId, DLGPROC proc, const char *title,
                       const std::function<void(HWND)> &act,
                       const std::function<void(const BoxRecord &)> &check)
{
    Driver driver;
    driver.OnDialog(title, act);
    driver.OnMessageBox(IDOK, check);
    RunDialog(dialogId, proc);
}

// A dialog whose action meets these refusals of typed input, in this order.
inline void RunThroughRefusals(int dialogId, DLGPROC proc, const char *title,
                               const std::vector<std::string> &reasons,
                               const std::function<void(HWND)> &act)
{
    HWND shown = NULL;
    Driver driver;
    driver.OnDialog(title, [&](HWND dialog) {
        shown = dialog;
        act(dialog);
    });
    for (const std::string &reason : reasons)
        driver.OnMessageBox(IDOK, [&shown, reason](const BoxRecord &box) {
            ExpectRefusal(box, reason, shown);
        });
    RunDialog(dialogId, proc);
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
