// The Version page as a user sees it: the real program selects a lab computer, the page reads the
// computer's registry and server service, and the test reads the page's controls while it shows.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "app/shell.h"
#include "app/tabhost.h"
#include "connection/netcalls.h"
#include "lab/lab.h"
#include "lab/labconfig.h"
#include "resources/resource.h"
#include "tests/support/harness.h"
#include "tests/support/readpath_testing.h"

namespace {

const char kVersionKey[] = "SOFTWARE\\VelmorServer\\CurrentVersion";
const char kLanmanKey[] = "SYSTEM\\CurrentControlSet\\Services\\LanmanServer\\Parameters";
const char kProductOptionsKey[] = "SYSTEM\\CurrentControlSet\\Control\\ProductOptions";
const char kProduct[] = "Velmor Server for UNIX Systems";

struct PageView {
    std::map<int, std::string> text;  // every static of the page but the logo
    std::map<int, bool> shown;
    HICON logo = NULL;
    int focus = 0;  // the main window's control with the focus
};

struct PageRun {
    PageView page;
    std::vector<BoxRecord> boxes;
};

HWND CurrentPage()
{
    TabPageHost *host = GetTabPageHost(GetMainWindow());
    return host ? host->currentPage : NULL;
}

PageView ViewPage()
{
    PageView view;
    HWND page = CurrentPage();
    EXPECT_NE(page, (HWND)NULL);
    if (!page)
        return view;
    for (int id = IDC_VER_PRODUCT; id <= IDC_VER_ROW2_LABEL; ++id) {
        view.text[id] = ItemText(page, id);
        view.shown[id] = Visible(page, id);
    }
    view.logo = (HICON)SendDlgItemMessageA(page, IDC_VER_LOGO, STM_GETICON, 0, 0);
    HWND focus = GetFocus();
    if (focus && GetParent(focus) == GetMainWindow())
        view.focus = GetDlgCtrlID(focus);
    return view;
}

// A click on a tab: the main window is told at once and builds the page before this returns.
void SwitchTab(int index)
{
    SendMessageA(GetDlgItem(GetMainWindow(), IDC_MAIN_TAB), TCM_SETCURFOCUS, index, 0);
}

// The same click, told through the message queue, so the new page's message boxes come in the
// program's own loop where the driver answers them.
void PostTabSwitch(int index)
{
    static NMHDR header;
    HWND tab = GetDlgItem(GetMainWindow(), IDC_MAIN_TAB);
    SendMessageA(tab, TCM_SETCURSEL, index, 0);
    header.hwndFrom = tab;
    header.idFrom = IDC_MAIN_TAB;
    header.code = TCN_SELCHANGE;
    PostMessageA(GetMainWindow(), WM_NOTIFY, IDC_MAIN_TAB, (LPARAM)&header);
}

void CloseProgram() { PostMessageA(GetMainWindow(), WM_CLOSE, 0, 0); }

void RunProgram() { EXPECT_EQ(0, RunKorvidAdm(GetModuleHandleA(NULL))); }

void ExpectNothingLeftOpen(const char *computer)
{
    EXPECT_EQ(0u, LabCounter(computer, "OpenKeys")) << computer;
    EXPECT_EQ(0u, LabCounter(computer, "NetBuffers")) << computer;
}

// The page of a computer chosen with "Select Computer..." after a Windows 95 computer (whose page
// reads nothing), so that where the page puts the focus is what the user finds. Each of the page's
// message boxes is answered with OK; whileShown acts on the page before it is read.
PageRun RunVersionPage(const char *computer, size_t boxes, std::function<void()> whileShown = nullptr)
{
    PageRun run;
    {
        Driver driver;
        driver.SelectInLab("WIN95-PC")
            .OnIdle([] { PostMessageA(GetMainWindow(), WM_COMMAND, IDM_SELECT_COMPUTER, 0); })
            .SelectInLab(computer);
        for (size_t i = 0; i < boxes; ++i)
            driver.OnMessageBox(IDOK);
        driver.OnIdle([&] {
            if (whileShown)
                whileShown();
            run.page = ViewPage();
            CloseProgram();
        });
        RunProgram();
        run.boxes = driver.Boxes();
    }
    ExpectNothingLeftOpen(computer);
    return run;
}

void StartLab()
{
    LabReset();
    ASSERT_TRUE(LabLoadDefaultNetwork());
    ApplyReadPath();
}

void SetVersionValues(const char *computer)
{
    static const char *const values[][2] = {
        {"CurrentVersion", "2.1"},       {"CurrentBuildName", "417"},   {"VendorName", "Korvid Systems"},
        {"InstallDate", "14 March 1998"}, {"ProductId", "52-1044-0007"}, {"UnixMachineName", "tern"},
        {"OSName", "Velmor/UX 4"},       {"PlatformName", "sparc"},
    };
    for (const auto &value : values)
        LabSetRegString(computer, kVersionKey, value[0], value[1]);
    LabSetRegString(computer, kLanmanKey, "srvcomment", "Files of the north wing");
}

void ExpectRegMessage(const BoxRecord &box, const std::string &word, int status)
{
    EXPECT_EQ("VersionTabProc WM_INITDIALOG '" + word + "', RegRet=" + std::to_string(status), box.text);
    EXPECT_EQ("", box.caption);
    EXPECT_EQ(0u, box.icon);
    EXPECT_EQ(std::vector<int>{IDOK}, box.buttons);
    EXPECT_NE((HWND)NULL, box.owner);
}

void ExpectFieldMessage(const BoxRecord &box, const std::string &text)
{
    EXPECT_EQ("The string '" + text + "' has more than 60 characters", box.text);
    EXPECT_EQ("Too many characters!", box.caption);
    EXPECT_EQ(0u, box.icon);
    EXPECT_EQ(std::vector<int>{IDOK}, box.buttons);
    EXPECT_NE((HWND)NULL, box.owner);
}

// The controls of the Velmor Server lines, label and value, top to bottom.
const int kVelmorLines[][2] = {
    {IDC_VER_VERSION_LABEL, IDC_VER_VERSION},     {IDC_VER_VENDOR_LABEL, IDC_VER_VENDOR},
    {IDC_VER_ROLE_LABEL, IDC_VER_ROLE},           {IDC_VER_DESCR_LABEL, IDC_VER_DESCR},
    {IDC_VER_INSTALL_LABEL, IDC_VER_INSTALL},     {IDC_VER_PRODUCTID_LABEL, IDC_VER_PRODUCTID},
    {IDC_VER_UNIX_LABEL, IDC_VER_UNIX},           {IDC_VER_OS_LABEL, IDC_VER_OS},
    {IDC_VER_PLATFORM_LABEL, IDC_VER_PLATFORM},
};

// Lines from `from` on (an index into kVelmorLines) show neither label nor value.
void ExpectLinesEmptyFrom(const PageView &page, size_t from)
{
    for (size_t i = from; i < sizeof kVelmorLines / sizeof kVelmorLines[0]; ++i) {
        EXPECT_EQ("", page.text.at(kVelmorLines[i][0])) << "line " << i + 1;
        EXPECT_EQ("", page.text.at(kVelmorLines[i][1])) << "line " << i + 1;
    }
}

struct Revisit {
    PageView page;
    DWORD connects, opens;  // the visit's calls
};

// VELMOR-PDC's Version page visited again from the Policy tab after `change` has altered the lab;
// the visit shows exactly one message box, which `check` looks at.
Revisit RevisitVersionPage(std::function<void()> change, std::function<void(const BoxRecord &)> check)
{
    Revisit revisit{};
    {
        Driver driver;
        driver.SelectInLab("VELMOR-PDC")
            .OnIdle([&] {
                SwitchTab(1);
                change();
                LabResetCounters("VELMOR-PDC");
                PostTabSwitch(0);
            })
            .OnMessageBox(IDOK, check)
            .OnIdle([&] {
                revisit.connects = LabCounter("VELMOR-PDC", "RegConnectRegistryA");
                revisit.opens = LabCounter("VELMOR-PDC", "RegOpenKeyExA");
                revisit.page = ViewPage();
                CloseProgram();
            });
        RunProgram();
        EXPECT_EQ(1u, driver.Boxes().size());
    }
    ExpectNothingLeftOpen("VELMOR-PDC");
    return revisit;
}

// A server service that answers without any comment at all.
NET_API_STATUS WINAPI ServerInfoWithoutComment(LMSTR server, DWORD level, LPBYTE *buffer)
{
    NET_API_STATUS status = GetLabNetCalls().NetServerGetInfo(server, level, buffer);
    if (status == NERR_Success && *buffer)
        ((SERVER_INFO_101 *)*buffer)->sv101_comment = NULL;
    return status;
}

// Puts the lab's own calls back however the test ends.
struct CommentlessServer {
    CommentlessServer()
    {
        NetCalls calls = GetLabNetCalls();
        calls.NetServerGetInfo = ServerInfoWithoutComment;
        InstallNetCalls(calls);
    }
    ~CommentlessServer() { InstallNetCalls(GetLabNetCalls()); }
};

}  // namespace

TEST(VersionPage, VelmorServerShowsItsLinesAndRole)
{
    StartLab();
    SetVersionValues("VELMOR-PDC");
    PageRun pdc = RunVersionPage("VELMOR-PDC", 0);
    const PageView &page = pdc.page;
    EXPECT_EQ(kProduct, page.text.at(IDC_VER_PRODUCT));
    const std::map<int, std::string> expected = {
        {IDC_VER_VERSION_LABEL, "Version:"},
        {IDC_VER_VERSION, "2.1 (Build 417)"},
        {IDC_VER_VENDOR_LABEL, "Vendor:"},
        {IDC_VER_VENDOR, "Korvid Systems"},
        {IDC_VER_ROLE_LABEL, "Server Role:"},
        {IDC_VER_ROLE, "Primary Domain Controller in KORVID"},
        {IDC_VER_DESCR_LABEL, "Description:"},
        {IDC_VER_DESCR, "Files of the north wing"},
        {IDC_VER_INSTALL_LABEL, "Installation Date:"},
        {IDC_VER_INSTALL, "14 March 1998"},
        {IDC_VER_PRODUCTID_LABEL, "Product ID:"},
        {IDC_VER_PRODUCTID, "52-1044-0007"},
        {IDC_VER_UNIX_LABEL, "UNIX Name:"},
        {IDC_VER_UNIX, "tern"},
        {IDC_VER_OS_LABEL, "Operating System:"},
        {IDC_VER_OS, "Velmor/UX 4"},
        {IDC_VER_PLATFORM_LABEL, "Platform:"},
        {IDC_VER_PLATFORM, "sparc"},
    };
    for (const auto &control : expected)
        EXPECT_EQ(control.second, page.text.at(control.first)) << control.first;
    // The other layout lies over the same area; even its empty labels would hide these.
    for (int id = IDC_VER_SYSTEM; id <= IDC_VER_ROW2_LABEL; ++id)
        EXPECT_FALSE(page.shown.at(id)) << id;
    EXPECT_TRUE(page.shown.at(IDC_VER_VERSION_LABEL));
    EXPECT_NE((HICON)NULL, page.logo);
    EXPECT_EQ(IDC_MAIN_TAB, page.focus);
    EXPECT_TRUE(pdc.boxes.empty());

    SetVersionValues("VELMOR-BDC");
    EXPECT_EQ("Backup Domain Controller in KORVID", RunVersionPage("VELMOR-BDC", 0).page.text.at(IDC_VER_ROLE));
    SetVersionValues("VELMOR-SOLO");
    LabSetComputerString("VELMOR-SOLO", "LanGroup", "TERNS");
    EXPECT_EQ("Server in TERNS", RunVersionPage("VELMOR-SOLO", 0).page.text.at(IDC_VER_ROLE));

    // A domain member as the default network has it.
    std::string version, build;
    ASSERT_TRUE(LabGetRegString("VELMOR-MEMBER", kVersionKey, "CurrentVersion", &version));
    ASSERT_TRUE(LabGetRegString("VELMOR-MEMBER", kVersionKey, "CurrentBuildName", &build));
    PageRun member = RunVersionPage("VELMOR-MEMBER", 0);
    EXPECT_EQ(version + " (Build " + build + ")", member.page.text.at(IDC_VER_VERSION));
    EXPECT_EQ("Server in KORVID", member.page.text.at(IDC_VER_ROLE));
    EXPECT_EQ(IDC_MAIN_TAB, member.page.focus);
}

TEST(VersionPage, VersionAndBuildOverFiftyCharacters)
{
    StartLab();
    SetVersionValues("VELMOR-PDC");
    const std::string version(30, 'v'), build(21, 'b');
    LabSetRegString("VELMOR-PDC", kVersionKey, "CurrentVersion", version.c_str());
    LabSetRegString("VELMOR-PDC", kVersionKey, "CurrentBuildName", build.c_str());
    PageRun run = RunVersionPage("VELMOR-PDC", 1);
    ASSERT_EQ(1u, run.boxes.size());
    EXPECT_EQ("Version '" + version + "' (30 characters) and Build '" + build +
                  "' (21 charaters)\ntogether have more than 50 characters",
              run.boxes[0].text);
    EXPECT_EQ("Too Many characters!", run.boxes[0].caption);
    EXPECT_EQ(std::vector<int>{IDOK}, run.boxes[0].buttons);
    // "(Build )" makes the line 60 characters, which still fits the field.
    EXPECT_EQ(version + " (Build " + build + ")", run.page.text.at(IDC_VER_VERSION));
    EXPECT_EQ(IDC_MAIN_TAB, run.page.focus);

    const std::string longBuild(22, 'b');
    LabSetRegString("VELMOR-PDC", kVersionKey, "CurrentBuildName", longBuild.c_str());
    run = RunVersionPage("VELMOR-PDC", 2);
    ASSERT_EQ(2u, run.boxes.size());
    EXPECT_EQ("Too Many characters!", run.boxes[0].caption);
    const std::string line = version + " (Build " + longBuild + ")";
    ExpectFieldMessage(run.boxes[1], line);
    EXPECT_EQ(line.substr(0, 60), run.page.text.at(IDC_VER_VERSION));
}

TEST(VersionPage, FieldOfSixtyShowsWholeAndLongerIsCut)
{
    StartLab();
    SetVersionValues("VELMOR-PDC");
    const std::string sixty(60, 'k');
    LabSetRegString("VELMOR-PDC", kVersionKey, "VendorName", sixty.c_str());
    PageRun run = RunVersionPage("VELMOR-PDC", 0);
    EXPECT_EQ(sixty, run.page.text.at(IDC_VER_VENDOR));

    const std::string sixtyOne = sixty + "Z";
    LabSetRegString("VELMOR-PDC", kVersionKey, "VendorName", sixtyOne.c_str());
    run = RunVersionPage("VELMOR-PDC", 1);
    ASSERT_EQ(1u, run.boxes.size());
    ExpectFieldMessage(run.boxes[0], sixtyOne);
    EXPECT_EQ(sixty, run.page.text.at(IDC_VER_VENDOR));
    EXPECT_EQ("Velmor/UX 4", run.page.text.at(IDC_VER_OS));
    EXPECT_EQ(IDC_MAIN_TAB, run.page.focus);
}

TEST(VersionPage, EmptyInstallDateAndLongCommentNeedNoMessage)
{
    StartLab();
    SetVersionValues("VELMOR-PDC");
    LabSetRegString("VELMOR-PDC", kVersionKey, "InstallDate", "");
    std::string comment;
    for (int i = 0; i < 8; ++i)
        comment += "comment" + std::to_string(i) + "!";  // 80 characters
    LabSetRegString("VELMOR-PDC", kLanmanKey, "srvcomment", comment.c_str());
    PageRun run = RunVersionPage("VELMOR-PDC", 0);
    EXPECT_EQ("", run.page.text.at(IDC_VER_INSTALL_LABEL));
    EXPECT_EQ("", run.page.text.at(IDC_VER_INSTALL));
    EXPECT_EQ("Server Role:", run.page.text.at(IDC_VER_ROLE_LABEL));
    EXPECT_EQ("52-1044-0007", run.page.text.at(IDC_VER_PRODUCTID));
    EXPECT_EQ(comment.substr(0, 60), run.page.text.at(IDC_VER_DESCR));
    EXPECT_EQ(IDC_MAIN_TAB, run.page.focus);

    // A server without a comment leaves the description out, silently.
    LabDeleteRegValue("VELMOR-PDC", kLanmanKey, "srvcomment");
    run = RunVersionPage("VELMOR-PDC", 0);
    EXPECT_EQ("", run.page.text.at(IDC_VER_DESCR_LABEL));
    EXPECT_EQ("sparc", run.page.text.at(IDC_VER_PLATFORM));
    EXPECT_EQ(IDC_MAIN_TAB, run.page.focus);
}

TEST(VersionPage, FailedQueryKeepsTheLinesSoFar)
{
    StartLab();
    SetVersionValues("VELMOR-PDC");
    LabDeleteRegValue("VELMOR-PDC", kVersionKey, "ProductId");
    PageRun run = RunVersionPage("VELMOR-PDC", 1);
    ASSERT_EQ(1u, run.boxes.size());
    ExpectRegMessage(run.boxes[0], "ProductIdName", ERROR_FILE_NOT_FOUND);
    EXPECT_EQ("2.1 (Build 417)", run.page.text.at(IDC_VER_VERSION));
    EXPECT_EQ("Korvid Systems", run.page.text.at(IDC_VER_VENDOR));
    EXPECT_EQ("Primary Domain Controller in KORVID", run.page.text.at(IDC_VER_ROLE));
    EXPECT_EQ("14 March 1998", run.page.text.at(IDC_VER_INSTALL));
    EXPECT_EQ("", run.page.text.at(IDC_VER_DESCR));
    ExpectLinesEmptyFrom(run.page, 5);
    EXPECT_EQ(IDC_MAIN_SELECT, run.page.focus);

    // The very first value failing leaves only the product name.
    LabSetRegString("VELMOR-PDC", kVersionKey, "ProductId", "52-1044-0007");
    LabSetFault("VELMOR-PDC", "QueryValue", "SOFTWARE\\VelmorServer\\CurrentVersion\\CurrentBuildName", 5);
    run = RunVersionPage("VELMOR-PDC", 1);
    ASSERT_EQ(1u, run.boxes.size());
    ExpectRegMessage(run.boxes[0], "BuildName", ERROR_ACCESS_DENIED);
    EXPECT_EQ(kProduct, run.page.text.at(IDC_VER_PRODUCT));
    ExpectLinesEmptyFrom(run.page, 0);
    EXPECT_EQ(IDC_MAIN_SELECT, run.page.focus);
}

TEST(VersionPage, EachFailedQueryNamesItsValueAndKeepsTheLinesBefore)
{
    StartLab();
    // In the order they are read; line is the index into kVelmorLines of the first line lost.
    const struct {
        const char *value, *word;
        size_t line;
    } cases[] = {
        {"CurrentVersion", "VersionName", 0}, {"CurrentBuildName", "BuildName", 0},
        {"VendorName", "VendorName", 1},      {"InstallDate", "InstallDateName", 4},
        {"ProductId", "ProductIdName", 5},    {"UnixMachineName", "UnixMachineName", 6},
        {"OSName", "OSName", 7},              {"PlatformName", "PlatformName", 8},
    };
    const size_t kDescriptionLine = 3;  // read after the version key, so never reached here
    SetVersionValues("VELMOR-PDC");
    for (size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i) {
        LabClearFaults("VELMOR-PDC");
        LabResetCounters("VELMOR-PDC");
        LabSetFault("VELMOR-PDC", "QueryValue", (std::string(kVersionKey) + "\\" + cases[i].value).c_str(),
                    ERROR_ACCESS_DENIED);
        PageRun run = RunVersionPage("VELMOR-PDC", 1);
        ASSERT_EQ(1u, run.boxes.size()) << cases[i].value;
        ExpectRegMessage(run.boxes[0], cases[i].word, ERROR_ACCESS_DENIED);
        EXPECT_EQ(i + 1, LabCounter("VELMOR-PDC", "RegQueryValueExA")) << cases[i].value;
        for (size_t line = 0; line < sizeof kVelmorLines / sizeof kVelmorLines[0]; ++line) {
            bool kept = line < cases[i].line && line != kDescriptionLine;
            EXPECT_EQ(kept, !run.page.text.at(kVelmorLines[line][0]).empty()) << cases[i].value << " " << line + 1;
            EXPECT_EQ(kept, !run.page.text.at(kVelmorLines[line][1]).empty()) << cases[i].value << " " << line + 1;
        }
        EXPECT_EQ(IDC_MAIN_SELECT, run.page.focus) << cases[i].value;
    }
}

TEST(VersionPage, ValuesOfAnyTypeAndLengthAreReadAsText)
{
    StartLab();
    SetVersionValues("VELMOR-PDC");
    LabSetRegValue("VELMOR-PDC", kVersionKey, "VendorName", REG_BINARY, "Korvid", 6);  // no terminator
    LabSetRegDword("VELMOR-PDC", kVersionKey, "InstallDate", 0x00373931);             // "197"
    const std::string full(kTextChars, 'p');  // 601 bytes, no zero anywhere
    LabSetRegValue("VELMOR-PDC", kVersionKey, "ProductId", REG_BINARY, full.data(), (DWORD)full.size());
    const std::string tooLong(700, 'u');
    LabSetRegString("VELMOR-PDC", kVersionKey, "UnixMachineName", tooLong.c_str());
    PageRun run = RunVersionPage("VELMOR-PDC", 2);
    ASSERT_EQ(2u, run.boxes.size());
    EXPECT_EQ("Korvid", run.page.text.at(IDC_VER_VENDOR));
    EXPECT_EQ("197", run.page.text.at(IDC_VER_INSTALL));
    ExpectFieldMessage(run.boxes[0], full.substr(0, 600));
    EXPECT_EQ(full.substr(0, 60), run.page.text.at(IDC_VER_PRODUCTID));
    ExpectRegMessage(run.boxes[1], "UnixMachineName", ERROR_MORE_DATA);
    ExpectLinesEmptyFrom(run.page, 6);
    EXPECT_EQ(IDC_MAIN_SELECT, run.page.focus);
}

TEST(VersionPage, RoleLineHoldsTheLongestDomainName)
{
    StartLab();
    SetVersionValues("VELMOR-PDC");
    const std::string domain(602, 'd');
    LabSetComputerString("VELMOR-PDC", "LanGroup", domain.c_str());
    PageRun run = RunVersionPage("VELMOR-PDC", 0);
    EXPECT_EQ("Primary Domain Controller in " + domain, run.page.text.at(IDC_VER_ROLE));
    EXPECT_EQ(IDC_MAIN_TAB, run.page.focus);
}

TEST(VersionPage, SystemNamesOfOtherSystems)
{
    StartLab();
    const struct {
        const char *computer;
        const char *productType;  // null: as the lab has it
        const char *name;
    } cases[] = {
        {"NT-WKSTA", "WinNT", "Microsoft (R) Windows NT (TM) Workstation"},
        {"NT-SERVER", "LanmanNT", "Microsoft (R) Windows NT (TM) Server"},
        {"NT-SERVER", "Enterprise", "Enterprise"},
        {"WIN95-PC", nullptr, "Microsoft (R) Windows 95 (TM) System"},
        {"WFW-PC", nullptr, "Microsoft (R) Windows for Workgroups"},
        {"LANMAN-SRV", nullptr, "LAN Manager"},
        {"VELMOR-NOVER", nullptr, kProduct},
    };
    for (const auto &c : cases) {
        if (c.productType)
            LabSetRegString(c.computer, kProductOptionsKey, "ProductType", c.productType);
        PageRun run = RunVersionPage(c.computer, 0);
        EXPECT_EQ(c.name, run.page.text.at(IDC_VER_SYSTEM)) << c.computer;
        EXPECT_TRUE(run.page.shown.at(IDC_VER_SYSTEM)) << c.computer;
        for (int id = IDC_VER_PRODUCT; id <= IDC_VER_PLATFORM; ++id)
            EXPECT_FALSE(run.page.shown.at(id)) << c.computer << " " << id;
        EXPECT_EQ(IDC_MAIN_SELECT, run.page.focus) << c.computer;
        EXPECT_EQ(std::string(c.computer) == "VELMOR-NOVER", run.page.logo != NULL) << c.computer;
    }

    // Without its product type a Windows NT system is unknown, and its server is not asked.
    LabDeleteRegValue("NT-SERVER", kProductOptionsKey, "ProductType");
    PageRun run = RunVersionPage("NT-SERVER", 0);
    EXPECT_EQ("Unknown system", run.page.text.at(IDC_VER_SYSTEM));
    EXPECT_EQ("", run.page.text.at(IDC_VER_ROW1));
    EXPECT_EQ(IDC_MAIN_SELECT, run.page.focus);
}

TEST(VersionPage, ServerRowsOfOtherSystems)
{
    StartLab();
    const std::string longComment(700, 'c'), cutComment(600, 'c');
    const struct {
        const char *computer;
        DWORD type;
        const char *comment;
        const char *row2Label, *row2, *row3Label, *row3;
    } cases[] = {
        {"VELMOR-NOVER", 0x1103, "Print room", "Description:", "Print room", "", ""},
        {"NT-SERVER", 0x100B, "Head office", "Server Role:", "Primary Domain Controller in KORVID",
         "Description:", "Head office"},
        {"LANMAN-SRV", 0x1013, "", "Server Role:", "Backup Domain Controller in KORVID", "", ""},
        {"LANMAN-SRV", 0x1003, "", "", "", "", ""},
        // A comment longer than a text buffer is cut to 600 characters.
        {"LANMAN-SRV", 0x1018, longComment.c_str(), "Server Role:", "Primary Domain Controller in KORVID",
         "Description:", cutComment.c_str()},
    };
    for (const auto &c : cases) {
        LabSetComputerDword(c.computer, "ServerType", c.type);
        LabSetComputerDword(c.computer, "ServerVersionMajor", 3);
        LabSetComputerDword(c.computer, "ServerVersionMinor", 51);
        LabSetComputerString(c.computer, "ServerComment", c.comment);
        PageRun run = RunVersionPage(c.computer, 0);
        const std::map<int, std::string> expected = {
            {IDC_VER_ROW1_LABEL, "Version:"}, {IDC_VER_ROW1, "3.51"},
            {IDC_VER_ROW2_LABEL, c.row2Label}, {IDC_VER_ROW2, c.row2},
            {IDC_VER_ROW3_LABEL, c.row3Label}, {IDC_VER_ROW3, c.row3},
        };
        for (const auto &control : expected)
            EXPECT_EQ(control.second, run.page.text.at(control.first)) << c.computer << " " << control.first;
        EXPECT_EQ(IDC_MAIN_SELECT, run.page.focus);
    }

    // No comment at all is an empty one.
    {
        CommentlessServer commentless;
        LabSetComputerDword("NT-SERVER", "ServerType", 0x9013);
        PageRun run = RunVersionPage("NT-SERVER", 0);
        EXPECT_EQ("Backup Domain Controller in KORVID", run.page.text.at(IDC_VER_ROW2));
        EXPECT_EQ("Server Role:", run.page.text.at(IDC_VER_ROW2_LABEL));
        EXPECT_EQ("", run.page.text.at(IDC_VER_ROW3_LABEL));
        EXPECT_EQ("", run.page.text.at(IDC_VER_ROW3));
    }

    // A server service that does not answer leaves the system name alone.
    LabSetComputerDword("NT-SERVER", "ServerStatus", ERROR_BAD_NETPATH);
    PageRun run = RunVersionPage("NT-SERVER", 0);
    EXPECT_EQ("Microsoft (R) Windows NT (TM) Server", run.page.text.at(IDC_VER_SYSTEM));
    EXPECT_EQ("", run.page.text.at(IDC_VER_ROW1));
    EXPECT_EQ("", run.page.text.at(IDC_VER_ROW1_LABEL));
}

TEST(VersionPage, TabSwitchReadsTheRegistryAgain)
{
    StartLab();
    SetVersionValues("VELMOR-PDC");
    PageRun run = RunVersionPage("VELMOR-PDC", 0, [] {
        HICON logo = (HICON)SendDlgItemMessageA(CurrentPage(), IDC_VER_LOGO, STM_GETICON, 0, 0);
        ASSERT_NE((HICON)NULL, logo);
        SwitchTab(1);
        ICONINFO info;  // the page destroyed on the switch let go of its logo
        EXPECT_FALSE(GetIconInfo(logo, &info));
        LabSetRegString("VELMOR-PDC", kVersionKey, "VendorName", "Korvid Systems North");
        LabResetCounters("VELMOR-PDC");
        SwitchTab(0);
        // Two keys, eight values and the comment, every key closed again: the eight in one
        // batched call unless the server refused it (then on the first visit, not again).
        EXPECT_EQ(2u, LabCounter("VELMOR-PDC", "RegOpenKeyExA"));
        EXPECT_EQ(ReadsValueByValue() ? 9u : 1u, LabCounter("VELMOR-PDC", "RegQueryValueExA"));
        EXPECT_EQ(ReadsValueByValue() ? 0u : 1u, LabCounter("VELMOR-PDC", "RegQueryMultipleValuesA"));
        EXPECT_EQ(2u, LabCounter("VELMOR-PDC", "RegCloseKey"));
        EXPECT_EQ(0u, LabCounter("VELMOR-PDC", "RegConnectRegistryA"));
    });
    EXPECT_EQ("Korvid Systems North", run.page.text.at(IDC_VER_VENDOR));
    EXPECT_NE((HICON)NULL, run.page.logo);
}

// The version key's eight values in one batched call show the page the value-by-value reads
// show; a text that brings a message is read value by value, so the message comes as before.
TEST(VersionPage, BatchedReadShowsWhatValueByValueReadsShow)
{
    const struct {
        size_t vendorChars;
        size_t boxes;
        DWORD pageTrips;  // the page's round trips, the server answering batched reads
    } cases[] = {
        {14, 0, 6},   // open, batched read, close; open, query, close
        {61, 1, 14},  // the batch, then the eight queries
    };
    for (const auto &c : cases) {
        StartLab();
        SetVersionValues("VELMOR-PDC");
        std::string vendor(c.vendorChars, 'v');
        LabSetRegString("VELMOR-PDC", kVersionKey, "VendorName", vendor.c_str());
        PageRun runs[2];
        DWORD trips[2] = {0, 0};  // selection, page and exit
        for (int refused = 0; refused < 2; ++refused) {
            RefuseBatchedReads("VELMOR-PDC", refused ? ERROR_CALL_NOT_IMPLEMENTED : 0);
            LabResetCounters("VELMOR-PDC");
            runs[refused] = RunVersionPage("VELMOR-PDC", c.boxes);
            trips[refused] = LabCounter("VELMOR-PDC", "RoundTrips");
        }
        EXPECT_EQ(runs[1].page.text, runs[0].page.text) << vendor;
        ASSERT_EQ(runs[1].boxes.size(), runs[0].boxes.size()) << vendor;
        for (size_t i = 0; i < runs[0].boxes.size(); ++i)
            EXPECT_EQ(runs[1].boxes[i].text, runs[0].boxes[i].text);
        // Value by value the page takes 13 round trips and the refused call one more.
        EXPECT_EQ(trips[1] - 14 + c.pageTrips, trips[0]) << vendor;
        EXPECT_EQ(1u, LabCounter("VELMOR-PDC", "RegQueryMultipleValuesA"));
    }
}

TEST(VersionPage, BrokenConnectionIsHealedByOneReconnection)
{
    StartLab();
    SetVersionValues("VELMOR-PDC");
    PageRun run = RunVersionPage("VELMOR-PDC", 0, [] {
        SwitchTab(1);
        // The connection in use has made more calls than this, a new one needs fewer for the page
        // (batched reads make fewer calls on both).
        LabSetBreakAfter("VELMOR-PDC", ReadsValueByValue() ? 15 : 10);
        LabResetCounters("VELMOR-PDC");
        SwitchTab(0);
        EXPECT_EQ(1u, LabCounter("VELMOR-PDC", "RegConnectRegistryA"));
    });
    EXPECT_TRUE(run.boxes.empty());
    EXPECT_EQ("sparc", run.page.text.at(IDC_VER_PLATFORM));
    EXPECT_EQ("Files of the north wing", run.page.text.at(IDC_VER_DESCR));
}

TEST(VersionPage, KeyRefusedAfterReconnection)
{
    StartLab();
    SetVersionValues("VELMOR-PDC");
    LabSetFault("VELMOR-PDC", "OpenRead", kLanmanKey, ERROR_ACCESS_DENIED);
    PageRun run = RunVersionPage("VELMOR-PDC", 1);
    ASSERT_EQ(1u, run.boxes.size());
    ExpectRegMessage(run.boxes[0], "LanmanServer Key", ERROR_ACCESS_DENIED);
    EXPECT_EQ("sparc", run.page.text.at(IDC_VER_PLATFORM));
    EXPECT_EQ("", run.page.text.at(IDC_VER_DESCR_LABEL));
    EXPECT_EQ(IDC_MAIN_SELECT, run.page.focus);

    // The version key refused on a tab switch: one reconnection, one more try, then its message.
    LabClearFaults("VELMOR-PDC");
    Revisit revisit = RevisitVersionPage(
        [] { LabSetFault("VELMOR-PDC", "OpenRead", kVersionKey, ERROR_ACCESS_DENIED); },
        [](const BoxRecord &box) { ExpectRegMessage(box, "szVersionKey", ERROR_ACCESS_DENIED); });
    EXPECT_EQ(1u, revisit.connects);
    EXPECT_EQ(2u, revisit.opens);
    EXPECT_EQ(kProduct, revisit.page.text.at(IDC_VER_PRODUCT));
    ExpectLinesEmptyFrom(revisit.page, 0);
}

TEST(VersionPage, FailedReconnectionShowsOnlyItsOwnMessage)
{
    StartLab();
    SetVersionValues("VELMOR-PDC");
    Revisit revisit = RevisitVersionPage(
        [] {
            LabSetBreakAfter("VELMOR-PDC", 1);
            LabSetComputerDword("VELMOR-PDC", "ConnectStatus", ERROR_BAD_NETPATH);
        },
        [](const BoxRecord &box) { EXPECT_EQ("Re-Connecting", box.caption); });
    EXPECT_EQ(2u, revisit.connects);  // the reconnection's own two tries, no more
    EXPECT_EQ(kProduct, revisit.page.text.at(IDC_VER_PRODUCT));
    ExpectLinesEmptyFrom(revisit.page, 0);
}
