// Shared pieces of the fault matrix and the fuzz: the running program driven from one idle step
// while every window it opens is answered as it comes, the policies opened from the Policy page
// as a user opens them, and the lab's keys as bytes.
#ifndef KORVID_FAULT_TESTING_H
#define KORVID_FAULT_TESTING_H

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "app/shell.h"
#include "tests/support/typed_entry_checks.h"

namespace faulttest {

using policytest::WriteRecorder;
// The three layouts of the Netlogon dialog: one lab computer for each server role.
using policytest::RoleComputer;
using policytest::kRoleComputers;

const char kVersionKey[] = "SOFTWARE\\VelmorServer\\CurrentVersion";
const char kLanmanServerKey[] = "SYSTEM\\CurrentControlSet\\Services\\LanmanServer\\Parameters";

inline HWND MainItem(int id) { return GetDlgItem(GetMainWindow(), id); }

// What a policy dialog does when it shows; set before each opening.
inline std::function<void(HWND)> &DialogAction()
{
    static std::function<void(HWND)> action;
    return action;
}

// Selects the computer, then runs body once in the program's main loop (with no dialog open)
// and closes the program. Every box is answered at once (OK, else No); every dialog
// gets DialogAction().
inline void RunInProgram(Driver &driver, const char *computer, const std::function<void()> &body)
{
    driver.Improvise([](HWND dialog) {
        std::function<void(HWND)> act = DialogAction();
        if (act)
            act(dialog);
        else
            Click(dialog, IDCANCEL);
    });
    driver.SelectInLab(computer).OnIdle([&body] {
        body();
        PostMessageA(GetMainWindow(), WM_CLOSE, 0, 0);
    });
    EXPECT_EQ(0, RunKorvidAdm(GetModuleHandleA(NULL)));
}

inline void ShowTab(int index)
{
    SendMessageA(MainItem(IDC_MAIN_TAB), TCM_SETCURFOCUS, index, 0);
}

// The Version page read again, as a visit of its tab does.
inline void RevisitVersionPage()
{
    ShowTab(1);
    ShowTab(0);
}

inline std::string PolicyName(const PolicyModel &policy)
{
    char name[kPolicyNameChars];
    LoadPolicyName(policy, name, sizeof(name));
    return name;
}

// Opens the policy from the list with "Properties..."; returns when its dialog has ended.
inline void OpenPolicy(const PolicyModel &policy)
{
    ShowTab(1);
    HWND list = GetPolicyList();
    ASSERT_NE(nullptr, list);
    std::string name = PolicyName(policy);
    LRESULT row = SendMessageA(list, LB_FINDSTRINGEXACT, (WPARAM)-1, (LPARAM)name.c_str());
    ASSERT_NE(LB_ERR, row) << name;
    SendMessageA(list, LB_SETCURSEL, row, 0);
    SetFocus(list);
    SendMessageA(GetPropertiesButton(), BM_CLICK, 0, 0);
}

inline bool MainButtonsEnabled()
{
    return IsWindowEnabled(MainItem(IDC_MAIN_SELECT)) && IsWindowEnabled(MainItem(IDC_MAIN_OK));
}

// A dialog still open after a press (a refusal keeps it; EndDialog hides it).
inline bool StillOpen(HWND dialog) { return IsWindow(dialog) && IsWindowVisible(dialog); }

// One value of a lab key as stored: its exact bytes.
struct StoredBytes {
    std::string name;
    DWORD type;
    std::string bytes;
    bool operator==(const StoredBytes &other) const
    {
        return name == other.name && type == other.type && bytes == other.bytes;
    }
};

// Every value of a key of the lab computer, by name; empty when the key is missing.
inline std::vector<StoredBytes> ReadKeyBytes(const char *computer, const char *keyPath)
{
    std::vector<StoredBytes> values;
    std::string path = std::string("Software\\Korvid Lab\\Computers\\") + computer + "\\HKLM\\" +
                       keyPath;
    HKEY key = NULL;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return values;
    static BYTE data[64 * 1024];
    for (DWORD index = 0;; ++index) {
        char name[256];
        DWORD nameLength = sizeof(name), type = 0, size = sizeof(data);
        if (RegEnumValueA(key, index, name, &nameLength, NULL, &type, data, &size) !=
            ERROR_SUCCESS)
            break;
        values.push_back({ name, type, std::string((const char *)data, size) });
    }
    RegCloseKey(key);
    std::sort(values.begin(), values.end(),
              [](const StoredBytes &a, const StoredBytes &b) { return a.name < b.name; });
    return values;
}

// The model's value of that name (or of that alternate name) in the role, or null.
inline const ValueModel *FindWrittenValue(const PolicyModel &policy, const std::string &name,
                                          ServerRole role, bool *alternate)
{
    for (int i = 0; i < policy.valueCount; ++i) {
        const ValueModel &value = policy.values[i];
        if (!ValueInRole(value, role))
            continue;
        *alternate = value.alternate && lstrcmpiA(value.alternate, name.c_str()) == 0;
        if (*alternate || lstrcmpiA(value.name, name.c_str()) == 0)
            return &value;
    }
    return NULL;
}

// Why a written value is not of its model's type or inside its range; empty when it is.
inline std::string WrittenValueFault(const ValueModel &value, bool alternate, DWORD type,
                                     const std::string &bytes)
{
    if (type != value.type)
        return "type " + std::to_string(type);
    CheckedValue checked;
    if (type != REG_DWORD) {
        if (bytes.find('\0') != std::string::npos)
            return "a zero inside the text";
        CheckText(value, bytes.c_str(), &checked);
    } else if (bytes.size() != sizeof(DWORD)) {
        return "a DWORD of " + std::to_string(bytes.size()) + " bytes";
    } else {
        DWORD number = 0;
        memcpy(&number, bytes.data(), sizeof(number));
        if (alternate) {
            if (number % kSecondsPerDay != 0 || number / kSecondsPerDay < value.range.lower ||
                number / kSecondsPerDay > value.alternateUpper)
                return "seconds " + std::to_string(number);
            return "";
        }
        CheckNumber(value, number, &checked);
    }
    return checked.check == CheckPassed ? "" : "check " + std::to_string(checked.check);
}

// Names the first hardware fault (an access violation, a stack overflow and the like) raised
// while it lives, or since Seen() was last cleared, by module and offset. Wine leaves a fault
// inside a timer's callback without a word, so a round that ends short says where it stopped.
class HardwareFaultWatch {
public:
    HardwareFaultWatch() : handler_(AddVectoredExceptionHandler(1, Note)) { Seen().clear(); }
    ~HardwareFaultWatch() { RemoveVectoredExceptionHandler(handler_); }
    static std::string &Seen()
    {
        static std::string seen;
        return seen;
    }

private:
    static LONG CALLBACK Note(EXCEPTION_POINTERS *pointers)
    {
        const EXCEPTION_RECORD *record = pointers->ExceptionRecord;
        // Software exceptions (debug output, C++ throws) have codes below the error severity.
        if ((record->ExceptionCode & 0xC0000000u) != 0xC0000000u || !Seen().empty())
            return EXCEPTION_CONTINUE_SEARCH;
        HMODULE module = NULL;
        char path[MAX_PATH] = "?";
        if (GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                   GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                               (LPCSTR)record->ExceptionAddress, &module))
            GetModuleFileNameA(module, path, sizeof(path));
        const char *name = strrchr(path, '\\') ? strrchr(path, '\\') + 1 : path;
        char text[MAX_PATH + 64];
        snprintf(text, sizeof(text), "exception 0x%08lX at %s+0x%llX",
                 (unsigned long)record->ExceptionCode, name,
                 (unsigned long long)((ULONG_PTR)record->ExceptionAddress - (ULONG_PTR)module));
        Seen() = text;
        return EXCEPTION_CONTINUE_SEARCH;
    }
    PVOID handler_;
};

}  // namespace faulttest

#endif
