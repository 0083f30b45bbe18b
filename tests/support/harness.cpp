// The dialog driver and message box recorder.
#include "tests/support/harness.h"

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <sstream>

#include "drive/windowfind.h"

struct Driver::Step {
    enum Kind { kDialog, kBox, kIdle } kind;
    explicit Step(Kind k) : kind(k) {}
    std::string caption;                        // kDialog: the caption to wait for (empty: any)
    std::function<void(HWND)> act;              // kDialog
    int answer = 0;                             // kBox
    std::function<void(const BoxRecord &)> check;  // kBox, may be empty
    std::function<void()> idle;                 // kIdle

    std::string Describe() const
    {
        std::ostringstream text;
        switch (kind) {
        case kDialog: text << "dialog \"" << caption << "\""; break;
        case kBox: text << "message box answered " << answer; break;
        case kIdle: text << "idle action"; break;
        }
        return text.str();
    }
};

// A modal window of the test thread, from its first activation on.
struct Driver::Tracked {
    HWND window;
    bool seen = false;        // it has been open during a tick (classified, recorded)
    bool box = false;
    size_t record = 0;        // index in boxes_ when box
    bool acted = false;       // a step's action was started on it
    bool closing = false;     // the watchdog is ending it
    int closeTries = 0;
    DWORD lastTry = 0;
};

namespace {

Driver *g_driver = nullptr;

const DWORD kTickMs = 5;
const DWORD kCloseRetryMs = 100;  // time for a closed window's loop to end before the next means

// A message box is a dialog with the text static 0xFFFF, at most an icon beside it, and buttons.
bool IsMessageBox(HWND dialog)
{
    HWND text = GetDlgItem(dialog, 0xFFFF);
    if (!text || lstrcmpiA(WindowClass(text).c_str(), "Static") != 0)
        return false;
    int statics = 0;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        std::string cls = WindowClass(child);
        int id = GetDlgCtrlID(child);
        if (lstrcmpiA(cls.c_str(), "Button") == 0) {
            if (id < IDOK || id > IDCONTINUE)
                return false;
        } else if (lstrcmpiA(cls.c_str(), "Static") == 0) {
            ++statics;
        } else {
            return false;
        }
    }
    return statics <= 2;
}

UINT BoxIcon(HWND box)
{
    static const struct { LPCSTR resource; UINT style; } kIcons[] = {
        {IDI_HAND, MB_ICONHAND}, {IDI_QUESTION, MB_ICONQUESTION},
        {IDI_EXCLAMATION, MB_ICONEXCLAMATION}, {IDI_ASTERISK, MB_ICONASTERISK},
    };
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        // The icon's id differs between systems; its style does not.
        if ((GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) != SS_ICON || !IsWindowVisible(child))
            continue;
        HICON icon = (HICON)SendMessageA(child, STM_GETICON, 0, 0);
        for (const auto &known : kIcons)
            if (icon && icon == LoadIconA(NULL, known.resource))
                return known.style;
    }
    return 0;
}

BoxRecord CaptureBox(HWND box)
{
    BoxRecord record;
    record.text = Text(GetDlgItem(box, 0xFFFF));
    record.caption = Text(box);
    record.icon = BoxIcon(box);
    for (int id = IDOK; id <= IDCONTINUE; ++id) {
        HWND button = GetDlgItem(box, id);
        if (button && IsWindowVisible(button))
            record.buttons.push_back(id);
    }
    record.owner = GetWindow(box, GW_OWNER);
    return record;
}

// The leftmost button, the one the watchdog presses.
int FirstButton(HWND box)
{
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if (lstrcmpiA(WindowClass(child).c_str(), "Button") == 0 && IsWindowVisible(child))
            return GetDlgCtrlID(child);
    return IDCANCEL;
}

// The answer that changes least: OK, else No (another attempt not wanted), else the first.
int LeastAnswer(HWND box)
{
    for (int id : {IDOK, IDNO, IDCANCEL}) {
        HWND button = GetDlgItem(box, id);
        if (button && IsWindowVisible(button))
            return id;
    }
    return FirstButton(box);
}

void PressBoxButton(HWND box, int id)
{
    SendMessageA(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)GetDlgItem(box, id));
}

std::string Describe(HWND window, const BoxRecord *record)
{
    std::ostringstream text;
    if (record)
        text << "message box \"" << record->text << "\" (caption \"" << record->caption << "\")";
    else
        text << "dialog \"" << Text(window) << "\"";
    return text.str();
}

void DescribeWindow(HWND window, std::ostringstream &out)
{
    out << "\n  " << WindowClass(window) << " \"" << Text(window) << "\"";
    if (HWND owner = GetWindow(window, GW_OWNER))
        out << " owned by \"" << Text(owner) << "\"";
    if (!IsWindowEnabled(window))
        out << " disabled";
    HWND boxText = GetDlgItem(window, 0xFFFF);
    if (IsDialogWindow(window) && boxText)
        out << " text \"" << Text(boxText) << "\"";
}

// The test thread's visible top-level windows.
std::vector<HWND> ThreadWindows()
{
    WindowQuery query;
    query.threadId = GetCurrentThreadId();
    return TopLevelWindows(query);
}

// The thread's visible windows, one a line: what a stuck loop was showing.
std::string DescribeOpenWindows()
{
    std::ostringstream text;
    for (HWND window : ThreadWindows())
        DescribeWindow(window, text);
    std::string windows = text.str();
    return windows.empty() ? " no window visible" : windows;
}

HWND Control(HWND dialog, int id, const char *helper)
{
    HWND control = GetDlgItem(dialog, id);
    if (!control)
        ADD_FAILURE() << helper << ": no control " << id << " in \"" << Text(dialog) << "\"";
    return control;
}

bool IsListBox(HWND control) { return lstrcmpiA(WindowClass(control).c_str(), "ListBox") == 0; }

std::string ListItem(HWND control, int index)
{
    bool list = IsListBox(control);
    LRESULT length = SendMessageA(control, list ? LB_GETTEXTLEN : CB_GETLBTEXTLEN, index, 0);
    if (length < 0)
        return "";
    std::string text(length + 1, '\0');
    SendMessageA(control, list ? LB_GETTEXT : CB_GETLBTEXT, index, (LPARAM)&text[0]);
    text.resize(lstrlenA(text.c_str()));
    return text;
}

}  // namespace

Driver::Driver()
{
    if (g_driver)
        ADD_FAILURE() << "only one Driver at a time";
    g_driver = this;
    start_ = GetTickCount();
    hook_ = SetWindowsHookExA(WH_CBT, CbtHook, NULL, GetCurrentThreadId());
    timer_ = SetTimer(NULL, 0, kTickMs, Tick);
    EXPECT_TRUE(hook_ && timer_) << "the driver cannot hook the thread";
}

Driver::~Driver()
{
    for (size_t i = next_; i < steps_.size(); ++i)
        ADD_FAILURE() << "step " << i + 1 << " never ran: " << steps_[i].Describe();
    for (const std::string &window : unexpected_)
        ADD_FAILURE() << "unexpected: " << window;
    if (hook_)
        UnhookWindowsHookEx(hook_);
    if (timer_)
        KillTimer(NULL, timer_);
    if (g_driver == this)
        g_driver = nullptr;
}

Driver &Driver::OnDialog(const std::string &caption, std::function<void(HWND)> act)
{
    Step step(Step::kDialog);
    step.caption = caption;
    step.act = std::move(act);
    steps_.push_back(std::move(step));
    return *this;
}

Driver &Driver::OnMessageBox(int answer) { return OnMessageBox(answer, nullptr); }

Driver &Driver::OnMessageBox(int answer, std::function<void(const BoxRecord &)> check)
{
    Step step(Step::kBox);
    step.answer = answer;
    step.check = std::move(check);
    steps_.push_back(std::move(step));
    return *this;
}

Driver &Driver::OnIdle(std::function<void()> act)
{
    Step step(Step::kIdle);
    step.idle = std::move(act);
    steps_.push_back(std::move(step));
    return *this;
}

// The ids of the stand-in select-computer dialog (lab/ntlanman).
enum { kSelectNameEdit = 100 };

Driver &Driver::SelectInLab(const std::string &name)
{
    return OnDialog("Select Computer", [name](HWND dialog) {
        TypeText(dialog, kSelectNameEdit, name.c_str());
        Click(dialog, IDOK);
    });
}

Driver &Driver::CancelSelect()
{
    return OnDialog("Select Computer", [](HWND dialog) { Click(dialog, IDCANCEL); });
}

const std::vector<BoxRecord> &Driver::Boxes() const { return boxes_; }

std::vector<std::string> Driver::Unexpected() const { return unexpected_; }

// A new deadline arms the watchdog again: a long run that sets one per round goes on driving its
// windows after a round that passed its own, instead of closing every later one unseen.
void Driver::SetDeadline(DWORD ms)
{
    start_ = GetTickCount();
    deadline_ = ms;
    expired_ = false;
}

bool Driver::Done() const { return next_ >= steps_.size(); }

LRESULT CALLBACK Driver::CbtHook(int code, WPARAM wParam, LPARAM lParam)
{
    // Activation, not creation: the window is complete then, and a dialog that ends during its
    // WM_INITDIALOG is never a window the user sees.
    if (code == HCBT_ACTIVATE && g_driver)
        g_driver->Track((HWND)wParam);
    return CallNextHookEx(NULL, code, wParam, lParam);
}

void CALLBACK Driver::Tick(HWND, UINT, UINT_PTR, DWORD)
{
    if (g_driver)
        g_driver->Poll();
}

void Driver::Track(HWND window)
{
    // A NULL window comes when the last one goes; a dialog activated again after a nested box closes
    // is not new.
    if (!window || (GetWindowLongA(window, GWL_STYLE) & WS_CHILD) || !IsDialogWindow(window))
        return;
    for (const Tracked &known : windows_)
        if (known.window == window)
            return;
    windows_.push_back(Tracked{window});
}

// Runs on every tick, possibly inside an action of an outer tick: no index into windows_ is kept
// across an action, which may open and close windows of its own.
void Driver::Poll()
{
    for (size_t i = windows_.size(); i-- > 0;)
        if (!IsWindow(windows_[i].window))
            windows_.erase(windows_.begin() + i);

    if (!expired_ && GetTickCount() - start_ > deadline_) {
        expired_ = true;
        std::ostringstream why;
        why << "deadline of " << deadline_ << " ms passed";
        if (next_ < steps_.size())
            why << " waiting for " << steps_[next_].Describe();
        why << "; windows open:" << DescribeOpenWindows();
        for (const Tracked &tracked : windows_)
            why << "\n  tracked \"" << Text(tracked.window) << "\"" << (tracked.seen ? " seen" : "")
                << (tracked.acted ? " acted" : "") << (tracked.closing ? " closing" : "");
        unexpected_.push_back(why.str());
    }

    // The newest open window is the one whose modal loop runs.
    size_t top = windows_.size();
    for (size_t i = windows_.size(); i-- > 0;)
        if (IsWindowVisible(windows_[i].window)) {
            top = i;
            break;
        }

    if (top == windows_.size()) {
        if (expired_) {
            EndMainLoop();
        } else if (next_ < steps_.size() && steps_[next_].kind == Step::kIdle) {
            std::function<void()> act = steps_[next_++].idle;
            act();
        }
        return;
    }

    Tracked &tracked = windows_[top];
    if (!tracked.seen) {
        tracked.seen = true;
        tracked.box = IsMessageBox(tracked.window);
        if (tracked.box) {
            tracked.record = boxes_.size();
            boxes_.push_back(CaptureBox(tracked.window));
        }
    }
    if (tracked.closing || expired_) {
        CloseNext(top);
        return;
    }
    if (tracked.acted)
        return;  // the step's action owns it now

    if (next_ >= steps_.size()) {
        if (!ImproviseOn(top))
            Watch(top, "no step left");
        return;
    }
    const Step &step = steps_[next_];
    bool matches = step.kind == Step::kBox ? tracked.box
                   : step.kind == Step::kDialog
                       ? (step.caption.empty() ? !tracked.box : Text(tracked.window) == step.caption)
                       : false;
    if (matches)
        RunStep(top);
    else if (!ImproviseOn(top))
        Watch(top, "waiting for " + step.Describe());
}

bool Driver::ImproviseOn(size_t index)
{
    if (!improvise_)
        return false;
    windows_[index].acted = true;
    HWND window = windows_[index].window;
    if (windows_[index].box) {
        PressBoxButton(window, LeastAnswer(window));
        return true;
    }
    std::function<void(HWND)> act = improvise_;
    act(window);
    return true;
}

Driver &Driver::Improvise(std::function<void(HWND)> act)
{
    improvise_ = std::move(act);
    return *this;
}

void Driver::SetTickMs(UINT ms)
{
    if (timer_)
        KillTimer(NULL, timer_);
    timer_ = SetTimer(NULL, 0, ms, Tick);
}

void Driver::RunStep(size_t index)
{
    Step step = steps_[next_++];
    windows_[index].acted = true;
    HWND window = windows_[index].window;
    if (step.kind == Step::kDialog) {
        step.act(window);
        // An ASSERT that failed inside the action left the dialog open: end it now, not at the deadline.
        if (testing::Test::HasFatalFailure())
            for (Tracked &tracked : windows_)
                if (tracked.window == window && IsWindow(window))
                    tracked.closing = true;
        return;
    }
    BoxRecord record = boxes_[windows_[index].record];
    if (step.check)
        step.check(record);
    bool present = false;
    for (int id : record.buttons)
        present = present || id == step.answer;
    if (present) {
        PressBoxButton(window, step.answer);
        return;
    }
    std::ostringstream why;
    why << "refused to press button " << step.answer << ", which the message box \"" << record.text
        << "\" lacks";
    ADD_FAILURE() << why.str();
    PressBoxButton(window, FirstButton(window));
}

void Driver::Watch(size_t index, const std::string &why)
{
    Tracked &tracked = windows_[index];
    tracked.closing = true;
    unexpected_.push_back(Describe(tracked.window, tracked.box ? &boxes_[tracked.record] : nullptr) + ", " +
                          why);
    CloseNext(index);
}

// Ends a window the way a user would give up on it, harder at each try.
void Driver::CloseNext(size_t index)
{
    Tracked &tracked = windows_[index];
    DWORD now = GetTickCount();
    if (tracked.closeTries > 0 && now - tracked.lastTry < kCloseRetryMs)
        return;
    tracked.closing = true;
    tracked.lastTry = now;
    HWND window = tracked.window;
    int attempt = tracked.closeTries++;
    if (tracked.box) {
        PressBoxButton(window, FirstButton(window));
    } else if (attempt == 0) {
        SendMessageA(window, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    } else if (attempt == 1) {
        SendMessageA(window, WM_CLOSE, 0, 0);
    } else {
        EndDialog(window, IDCANCEL);
    }
}

// After the deadline the program's own window is closed as by its close box, ending its loop; a loop
// without a window of its own is ended directly.
void Driver::EndMainLoop()
{
    if (mainClosed_)
        return;
    mainClosed_ = true;
    int closed = 0;
    for (HWND window : ThreadWindows())
        if (!(GetWindowLongA(window, GWL_STYLE) & WS_CHILD) && !GetWindow(window, GW_OWNER)) {
            PostMessageA(window, WM_CLOSE, 0, 0);
            ++closed;
        }
    if (closed == 0)
        PostQuitMessage(0);
}

INT_PTR RunDialog(int dialogId, DLGPROC proc, HWND owner, LPARAM param)
{
    INT_PTR result = DialogBoxParamA(GetModuleHandleA(NULL), MAKEINTRESOURCEA(dialogId), owner, proc, param);
    if (result == -1)
        ADD_FAILURE() << "dialog " << dialogId << " could not be created (" << GetLastError() << ")";
    return result;
}

void Click(HWND dialog, int id)
{
    HWND button = Control(dialog, id, "Click");
    if (!button)
        return;
    if (!IsWindowEnabled(button) || !IsWindowVisible(button)) {
        ADD_FAILURE() << "Click: button " << id << " of \"" << Text(dialog) << "\" is "
                      << (IsWindowVisible(button) ? "disabled" : "hidden");
        return;
    }
    SendMessageA(button, BM_CLICK, 0, 0);
}

void Command(HWND window, int id) { SendMessageA(window, WM_COMMAND, MAKEWPARAM(id, 0), 0); }

bool UserCanReach(HWND window)
{
    for (HWND part = window; part; part = GetAncestor(part, GA_PARENT)) {
        if (!IsWindowVisible(part) || !IsWindowEnabled(part))
            return false;
        if (!(GetWindowLongA(part, GWL_STYLE) & WS_CHILD))
            return true;
    }
    return false;
}

bool ClickAsUser(HWND dialog, int id)
{
    if (!UserCanReach(GetDlgItem(dialog, id)))
        return false;
    SendMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
    return true;
}

bool ChooseAsUser(HWND window, int menuId)
{
    if (!UserCanReach(window))
        return false;
    Command(window, menuId);
    return true;
}

void PickIndex(HWND dialog, int comboId, int index)
{
    HWND control = Control(dialog, comboId, "PickIndex");
    if (!control)
        return;
    bool list = IsListBox(control);
    LRESULT result = SendMessageA(control, list ? LB_SETCURSEL : CB_SETCURSEL, index, 0);
    if (result == (list ? LB_ERR : CB_ERR) && index != -1) {
        ADD_FAILURE() << "PickIndex: control " << comboId << " has no entry " << index;
        return;
    }
    // Setting the selection sends no notification; a user's click does.
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(comboId, list ? LBN_SELCHANGE : CBN_SELCHANGE), (LPARAM)control);
}

void TypeText(HWND dialog, int editId, const char *text)
{
    HWND edit = Control(dialog, editId, "TypeText");
    if (!edit)
        return;
    // Typing stops at the edit's limit; setting the text would not.
    std::string typed = text;
    LRESULT limit = SendMessageA(edit, EM_GETLIMITTEXT, 0, 0);
    if (limit > 0 && typed.size() > (size_t)limit)
        typed.resize(limit);
    SetWindowTextA(edit, typed.c_str());
    // A single-line edit notifies its parent of a new text itself; a multi-line one does not.
    if (GetWindowLongA(edit, GWL_STYLE) & ES_MULTILINE)
        SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(editId, EN_CHANGE), (LPARAM)edit);
}

void PressKey(HWND target, UINT vk)
{
    LPARAM scan = (LPARAM)MapVirtualKeyA(vk, MAPVK_VK_TO_VSC) << 16;
    PostMessageA(target, WM_KEYDOWN, vk, scan | 1);
    PostMessageA(target, WM_KEYUP, vk, scan | 1 | 0xC0000000);
}

void CloseBox(HWND window) { SendMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0); }

std::string Text(HWND window) { return WindowText(window); }

std::string ItemText(HWND dialog, int id)
{
    HWND control = Control(dialog, id, "ItemText");
    return control ? Text(control) : "";
}

bool Checked(HWND dialog, int id)
{
    return Control(dialog, id, "Checked") && IsDlgButtonChecked(dialog, id) == BST_CHECKED;
}

bool Enabled(HWND dialog, int id)
{
    HWND control = Control(dialog, id, "Enabled");
    return control && IsWindowEnabled(control);
}

bool Visible(HWND dialog, int id)
{
    HWND control = Control(dialog, id, "Visible");
    return control && IsWindowVisible(control);
}

int ComboIndex(HWND dialog, int id)
{
    HWND control = Control(dialog, id, "ComboIndex");
    if (!control)
        return -1;
    return (int)SendMessageA(control, IsListBox(control) ? LB_GETCURSEL : CB_GETCURSEL, 0, 0);
}

std::string ComboText(HWND dialog, int id)
{
    HWND control = Control(dialog, id, "ComboText");
    if (!control)
        return "";
    if (!IsListBox(control))
        return Text(control);  // a drop-down list's text is its selected entry
    int index = (int)SendMessageA(control, LB_GETCURSEL, 0, 0);
    return index < 0 ? "" : ListItem(control, index);
}

int ComboCount(HWND dialog, int id)
{
    HWND control = Control(dialog, id, "ComboCount");
    if (!control)
        return 0;
    return (int)SendMessageA(control, IsListBox(control) ? LB_GETCOUNT : CB_GETCOUNT, 0, 0);
}

std::string ComboItem(HWND dialog, int id, int index)
{
    HWND control = Control(dialog, id, "ComboItem");
    return control ? ListItem(control, index) : "";
}

std::string TestExeFolder()
{
    char path[MAX_PATH] = "";
    GetModuleFileNameA(NULL, path, sizeof(path));
    std::string folder = path;
    return folder.substr(0, folder.find_last_of("\\/"));
}

namespace {
std::string FullPath(const std::string &path)
{
    char full[MAX_PATH] = "";
    DWORD length = GetFullPathNameA(path.c_str(), sizeof(full), full, NULL);
    return length > 0 && length < sizeof(full) ? std::string(full) : path;
}
}  // namespace

std::string LabDllFolder() { return FullPath(TestExeFolder() + "\\..\\lab"); }

std::string NoFuncDllFolder() { return TestExeFolder() + "\\nofunc"; }

std::string EmptyDllFolder()
{
    std::string folder = TestExeFolder() + "\\empty";
    CreateDirectoryA(folder.c_str(), NULL);
    return folder;
}

ScopedDllFolder::ScopedDllFolder(const std::string &folder) { SetDllDirectoryA(folder.c_str()); }

ScopedDllFolder::~ScopedDllFolder() { SetDllDirectoryA(LabDllFolder().c_str()); }

std::vector<std::string> CollectFailures(const std::function<void()> &body)
{
    testing::TestPartResultArray results;
    {
        testing::ScopedFakeTestPartResultReporter reporter(
            testing::ScopedFakeTestPartResultReporter::INTERCEPT_ONLY_CURRENT_THREAD, &results);
        body();
    }
    std::vector<std::string> messages;
    for (int i = 0; i < results.size(); ++i)
        messages.push_back(results.GetTestPartResult(i).message());
    return messages;
}
