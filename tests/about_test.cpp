// The About box, from its own resources, with the registered owner of this computer written
// into the local registry by each test and put back after it.
#include <gtest/gtest.h>

#include "app/shell.h"
#include "connection/target.h"
#include "lab/labconfig.h"
#include "resources/resource.h"
#include "tests/support/harness.h"

#include <aclapi.h>

#include <functional>

#include <string>
#include <vector>

namespace {

const char kCurrentVersionKey[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";
const char kAboutTitle[] = "About Korvid Administrator";

// The system keeps the owner in the native view of the registry; a 32-bit program on 64-bit
// Windows sees a copy of its own in the 32-bit view unless it asks for the native one. The tests
// write each view on purpose, whichever build they run in.
const REGSAM kNativeView = KEY_WOW64_64KEY;
const REGSAM kView32 = KEY_WOW64_32KEY;

// One value of the local CurrentVersion key in one view as it was before the test.
struct SavedValue {
    SavedValue(const char *valueName, REGSAM valueView) : name(valueName), view(valueView) {}
    const char *name;
    REGSAM view;
    bool present = false;
    DWORD type = 0;
    std::vector<BYTE> data;
};

HKEY OpenLocalKey(REGSAM access, REGSAM view)
{
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kCurrentVersionKey, 0, nullptr, 0, access | view, nullptr, &key,
                        nullptr) != ERROR_SUCCESS) {
        return nullptr;
    }
    return key;
}

void SetLocalValue(const char *name, DWORD type, const void *data, DWORD size, REGSAM view = kNativeView)
{
    HKEY key = OpenLocalKey(KEY_SET_VALUE, view);
    ASSERT_NE(nullptr, key);
    EXPECT_EQ(ERROR_SUCCESS, RegSetValueExA(key, name, 0, type, (const BYTE *)data, size));
    RegCloseKey(key);
}

void SetLocalText(const char *name, const std::string &text, REGSAM view = kNativeView)
{
    SetLocalValue(name, REG_SZ, text.c_str(), (DWORD)text.size() + 1, view);
}

void DeleteLocalValue(const char *name, REGSAM view)
{
    HKEY key = OpenLocalKey(KEY_SET_VALUE, view);
    ASSERT_NE(nullptr, key);
    RegDeleteValueA(key, name);
    RegCloseKey(key);
}

// The text of a value in one view, "<none>" when it is not there.
std::string LocalText(const char *name, REGSAM view)
{
    char text[700] = "";
    DWORD size = sizeof(text) - 1;
    HKEY key = OpenLocalKey(KEY_QUERY_VALUE, view);
    bool found = key && RegQueryValueExA(key, name, nullptr, nullptr, (BYTE *)text, &size) == ERROR_SUCCESS;
    if (key) RegCloseKey(key);
    return found ? text : "<none>";
}

class AboutTest : public testing::Test {
protected:
    void SetUp() override
    {
        LabReset();
        ASSERT_TRUE(LabLoadDefaultNetwork());
        InitShell(GetModuleHandleA(nullptr));
        for (SavedValue &value : saved_) Save(value);
    }
    void TearDown() override
    {
        for (SavedValue &value : saved_) Restore(value);
        CloseRemoteRoot();
    }

    static void Save(SavedValue &value)
    {
        HKEY key = OpenLocalKey(KEY_QUERY_VALUE, value.view);
        DWORD size = 0;
        value.present =
            key && RegQueryValueExA(key, value.name, nullptr, &value.type, nullptr, &size) == ERROR_SUCCESS;
        value.data.assign(size, 0);
        if (value.present && size) {
            RegQueryValueExA(key, value.name, nullptr, nullptr, value.data.data(), &size);
        }
        if (key) RegCloseKey(key);
    }
    static void Restore(const SavedValue &value)
    {
        HKEY key = OpenLocalKey(KEY_SET_VALUE, value.view);
        if (!key) return;
        if (value.present) {
            RegSetValueExA(key, value.name, 0, value.type, value.data.data(), (DWORD)value.data.size());
        } else {
            RegDeleteValueA(key, value.name);
        }
        RegCloseKey(key);
    }

    SavedValue saved_[4] = {SavedValue("RegisteredOwner", kNativeView),
                            SavedValue("RegisteredOrganization", kNativeView),
                            SavedValue("RegisteredOwner", kView32), SavedValue("RegisteredOrganization", kView32)};
};

// Opens the box from the running program's Help menu; check runs inside it, then OK ends it.
void ShowAbout(std::function<void(HWND)> check)
{
    Driver driver;
    driver.SelectInLab("VELMOR-PDC")
        .OnIdle([] {
            Command(GetMainWindow(), IDM_ABOUT);
            Command(GetMainWindow(), IDM_EXIT);
        })
        .OnDialog(kAboutTitle, [check](HWND box) {
            check(box);
            Click(box, IDOK);
        });
    EXPECT_EQ(0, RunKorvidAdm(GetModuleHandleA(nullptr)));
}

TEST_F(AboutTest, ShowsOwnerOfThisComputerNotOfTheSelectedOne)
{
    SetLocalText("RegisteredOwner", "Ada & Partners");
    SetLocalText("RegisteredOrganization", "Korvid Lab");
    LabSetRegString("VELMOR-PDC", kCurrentVersionKey, "RegisteredOwner", "Remote Owner");
    LabSetRegString("VELMOR-PDC", kCurrentVersionKey, "RegisteredOrganization", "Remote Organization");

    HICON icon = nullptr;
    Driver driver;
    driver.SelectInLab("VELMOR-PDC")
        .OnIdle([] {
            HWND main = GetMainWindow();
            SetFocus(GetDlgItem(main, IDC_MAIN_SELECT));
            Command(main, IDM_ABOUT);
            EXPECT_TRUE(Enabled(main, IDC_MAIN_SELECT));
            EXPECT_TRUE(Enabled(main, IDC_MAIN_OK));
            EXPECT_EQ(GetDlgItem(main, IDC_MAIN_SELECT), GetFocus());
            Command(main, IDM_EXIT);
        })
        .OnDialog(kAboutTitle, [&icon](HWND box) {
            HWND main = GetMainWindow();
            EXPECT_EQ(main, GetWindow(box, GW_OWNER));
            EXPECT_FALSE(Enabled(main, IDC_MAIN_SELECT));
            EXPECT_FALSE(Enabled(main, IDC_MAIN_OK));
            EXPECT_EQ("Korvid Administrator Version 1.10", ItemText(box, IDC_ABOUT_VERSION));
            EXPECT_EQ("Ada & Partners", ItemText(box, IDC_ABOUT_OWNER));
            EXPECT_EQ("Korvid Lab", ItemText(box, IDC_ABOUT_ORGANIZATION));
            EXPECT_EQ(GetDlgItem(box, IDOK), GetFocus());
            icon = (HICON)SendDlgItemMessageA(box, IDC_ABOUT_ICON, STM_GETICON, 0, 0);
            Click(box, IDOK);
        });
    EXPECT_EQ(0, RunKorvidAdm(GetModuleHandleA(nullptr)));
    ASSERT_NE(nullptr, icon);
    // The icon went with the box.
    ICONINFO info;
    EXPECT_FALSE(GetIconInfo(icon, &info));
}

// Image 0 of the 74-pixel bitmap cut 70 pixels wide.
TEST_F(AboutTest, IconIsTheFirstImageOfTheBitmap)
{
    ShowAbout([](HWND box) {
        HICON icon = (HICON)SendDlgItemMessageA(box, IDC_ABOUT_ICON, STM_GETICON, 0, 0);
        ICONINFO info;
        ASSERT_TRUE(GetIconInfo(icon, &info));
        BITMAP colour;
        EXPECT_TRUE(GetObjectA(info.hbmColor, sizeof(colour), &colour));
        EXPECT_EQ(70, colour.bmWidth);
        EXPECT_EQ(60, colour.bmHeight);
        DeleteObject(info.hbmColor);
        DeleteObject(info.hbmMask);

        // Drawn over a plain ground: the magenta corner lets the ground through, the middle of
        // the picture does not.
        const COLORREF ground = RGB(1, 2, 3);
        HDC screen = GetDC(nullptr);
        HDC canvas = CreateCompatibleDC(screen);
        HBITMAP picture = CreateCompatibleBitmap(screen, 70, 60);
        HGDIOBJ old = SelectObject(canvas, picture);
        RECT all = {0, 0, 70, 60};
        HBRUSH brush = CreateSolidBrush(ground);
        FillRect(canvas, &all, brush);
        EXPECT_TRUE(DrawIconEx(canvas, 0, 0, icon, 70, 60, 0, nullptr, DI_NORMAL));
        EXPECT_EQ(ground, GetPixel(canvas, 0, 0));
        EXPECT_NE(ground, GetPixel(canvas, 35, 30));
        SelectObject(canvas, old);
        DeleteObject(brush);
        DeleteObject(picture);
        DeleteDC(canvas);
        ReleaseDC(nullptr, screen);
    });
}

TEST_F(AboutTest, EmptyOrOversizedOwnerShowsFallbacks)
{
    SetLocalText("RegisteredOwner", "");
    SetLocalText("RegisteredOrganization", std::string(601, 'O'));  // 602 bytes: no room
    ShowAbout([](HWND box) {
        EXPECT_EQ("Unknown user", ItemText(box, IDC_ABOUT_OWNER));
        EXPECT_EQ("Unknown organization", ItemText(box, IDC_ABOUT_ORGANIZATION));
    });

    SetLocalText("RegisteredOwner", std::string(601, 'U'));
    SetLocalText("RegisteredOrganization", std::string(600, 'O'));  // 601 bytes: fits
    ShowAbout([](HWND box) {
        EXPECT_EQ("Unknown user", ItemText(box, IDC_ABOUT_OWNER));
        EXPECT_EQ(std::string(600, 'O'), ItemText(box, IDC_ABOUT_ORGANIZATION));
    });
}

// The type is not looked at: 601 bytes without a terminator fill the buffer and are cut.
TEST_F(AboutTest, UnterminatedOwnerEndsInsideItsBuffer)
{
    const std::string owner(601, 'U');
    SetLocalValue("RegisteredOwner", REG_BINARY, owner.data(), (DWORD)owner.size());
    ShowAbout([](HWND box) { EXPECT_EQ(std::string(600, 'U'), ItemText(box, IDC_ABOUT_OWNER)); });
}

// The box shows what the system shows, from the native view, in the 64-bit and the 32-bit build
// alike: a different copy in the 32-bit view, or none there, changes nothing.
TEST_F(AboutTest, OwnerComesFromTheNativeViewInEitherBuild)
{
    const struct { const char *owner32, *organization32; } kCopies[] = {
        {"Stale Owner", "Stale Organization"},
        {nullptr, nullptr},
    };
    SetLocalText("RegisteredOwner", "Native Owner");
    SetLocalText("RegisteredOrganization", "Native Organization");
    for (const auto &copy : kCopies) {
        SCOPED_TRACE(copy.owner32 ? copy.owner32 : "no copy in the 32-bit view");
        if (copy.owner32) {
            SetLocalText("RegisteredOwner", copy.owner32, kView32);
            SetLocalText("RegisteredOrganization", copy.organization32, kView32);
            // The two views really differ on this system, so the box could show the wrong one.
            ASSERT_EQ(copy.owner32, LocalText("RegisteredOwner", kView32));
            ASSERT_EQ("Native Owner", LocalText("RegisteredOwner", kNativeView));
        } else {
            DeleteLocalValue("RegisteredOwner", kView32);
            DeleteLocalValue("RegisteredOrganization", kView32);
        }
        ShowAbout([](HWND box) {
            EXPECT_EQ("Native Owner", ItemText(box, IDC_ABOUT_OWNER));
            EXPECT_EQ("Native Organization", ItemText(box, IDC_ABOUT_ORGANIZATION));
        });
    }
}

// Denies reading the CurrentVersion key for one scope, then puts its security back.
class ScopedUnreadableKey {
public:
    ScopedUnreadableKey()
    {
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kCurrentVersionKey, 0, READ_CONTROL | WRITE_DAC | kNativeView,
                          &key_) != ERROR_SUCCESS) {
            key_ = nullptr;
            return;
        }
        DWORD size = 0;
        RegGetKeySecurity(key_, DACL_SECURITY_INFORMATION, nullptr, &size);
        saved_.assign(size, 0);
        if (RegGetKeySecurity(key_, DACL_SECURITY_INFORMATION, saved_.data(), &size) != ERROR_SUCCESS) {
            saved_.clear();
        }
        EXPLICIT_ACCESS_A deny = {};
        deny.grfAccessPermissions = KEY_QUERY_VALUE;
        deny.grfAccessMode = DENY_ACCESS;
        deny.Trustee.TrusteeForm = TRUSTEE_IS_NAME;
        deny.Trustee.ptstrName = const_cast<char *>("EVERYONE");
        PACL acl = nullptr;
        if (SetEntriesInAclA(1, &deny, nullptr, &acl) != ERROR_SUCCESS) return;
        SECURITY_DESCRIPTOR descriptor;
        InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
        SetSecurityDescriptorDacl(&descriptor, TRUE, acl, FALSE);
        denied_ = RegSetKeySecurity(key_, DACL_SECURITY_INFORMATION, &descriptor) == ERROR_SUCCESS;
        LocalFree(acl);
    }
    ~ScopedUnreadableKey()
    {
        if (!key_) return;
        if (denied_) {
            SECURITY_DESCRIPTOR open;
            InitializeSecurityDescriptor(&open, SECURITY_DESCRIPTOR_REVISION);
            SetSecurityDescriptorDacl(&open, FALSE, nullptr, FALSE);
            PSECURITY_DESCRIPTOR put = saved_.empty() ? (PSECURITY_DESCRIPTOR)&open : saved_.data();
            EXPECT_EQ(ERROR_SUCCESS, RegSetKeySecurity(key_, DACL_SECURITY_INFORMATION, put));
        }
        RegCloseKey(key_);
    }
    bool Denied() const { return denied_; }

private:
    HKEY key_ = nullptr;
    bool denied_ = false;
    std::vector<BYTE> saved_;
};

TEST_F(AboutTest, TitleAndFallbacksWhenTheOwnerKeyCannotBeOpened)
{
    SetLocalText("RegisteredOwner", "Ada");
    SetLocalText("RegisteredOrganization", "Korvid Lab");
    {
        ScopedUnreadableKey unreadable;
        ASSERT_TRUE(unreadable.Denied());
        HKEY probe;
        ASSERT_EQ(ERROR_ACCESS_DENIED,
                  RegOpenKeyExA(HKEY_LOCAL_MACHINE, kCurrentVersionKey, 0, KEY_READ | kNativeView, &probe));
        ShowAbout([](HWND box) {
            EXPECT_EQ(kAboutTitle, Text(box));
            EXPECT_EQ("Unknown user", ItemText(box, IDC_ABOUT_OWNER));
            EXPECT_EQ("Unknown organization", ItemText(box, IDC_ABOUT_ORGANIZATION));
        });
    }
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, kCurrentVersionKey, 0, KEY_READ | kNativeView, &key));
    RegCloseKey(key);
}

// The key presses go through the box's own loop; this looks at the box once they have been
// handled (a timer comes after every posted message).
bool g_openAfterEscape = false;

void CALLBACK LookAfterEscape(HWND box, UINT, UINT_PTR timer, DWORD)
{
    KillTimer(box, timer);
    g_openAfterEscape = IsWindowVisible(box) != FALSE;
    PressKey(GetDlgItem(box, IDOK), VK_RETURN);
}

void RunAboutAlone(std::function<void(HWND)> act)
{
    Driver driver;
    driver.OnDialog(kAboutTitle, act);
    EXPECT_EQ(0, RunDialog(IDD_ABOUT, AboutDlgProc));
    EXPECT_TRUE(driver.Unexpected().empty());
}

TEST_F(AboutTest, EscapeLeavesItOpenEnterAndCloseBoxEndIt)
{
    g_openAfterEscape = false;
    RunAboutAlone([](HWND box) {
        Command(box, IDCANCEL);
        EXPECT_TRUE(IsWindowVisible(box));
        PressKey(GetDlgItem(box, IDOK), VK_ESCAPE);
        SetTimer(box, 1, 0, LookAfterEscape);
    });
    EXPECT_TRUE(g_openAfterEscape);

    RunAboutAlone([](HWND box) { CloseBox(box); });
}

}  // namespace
