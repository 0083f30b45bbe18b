// For the dialogs that validate what was typed: the refusals of typed input under the program
// title, and the dialogs run through them.
#ifndef KORVID_TYPED_ENTRY_CHECKS_H
#define KORVID_TYPED_ENTRY_CHECKS_H

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "tests/support/policy_dialog_fixture.h"
#include "tests/support/write_recorder.h"

namespace policytest {

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

// Types into an edit and presses OK, which refuses it (the driver answers the refusal): the field
// shows kept again.
inline void TypeRefused(HWND dialog, int editId, const char *typed, const char *kept)
{
    TypeText(dialog, editId, typed);
    Click(dialog, IDOK);
    EXPECT_EQ(kept, ItemText(dialog, editId)) << typed;
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
