// Round trips and wall time to open each policy dialog and the Version page on the lab's
// VELMOR-PDC, with the server answering batched reads and with the server refusing them (the
// lab's QueryMultiple fault), at LatencyMs 0 and 100. Prints one table.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/shell.h"
#include "connection/netcalls.h"
#include "connection/target.h"
#include "lab/lab.h"
#include "lab/labconfig.h"
#include "pages/pages.h"
#include "model/model.h"
#include "policy/policy.h"
#include "resources/resource.h"

namespace {

const char kComputer[] = "VELMOR-PDC";
const char kVersionKey[] = "SOFTWARE\\VelmorServer\\CurrentVersion";
const int kPolicyRows = 10;

double NowMs()
{
    static LARGE_INTEGER frequency;
    if (!frequency.QuadPart)
        QueryPerformanceFrequency(&frequency);
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return 1000.0 * now.QuadPart / frequency.QuadPart;
}

double shownAt = 0;

// The dialog's modal loop goes idle once the opening is done: the clock stops, Cancel ends it.
LRESULT CALLBACK OwnerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_ENTERIDLE && wParam == MSGF_DIALOGBOX && shownAt == 0) {
        shownAt = NowMs();
        PostMessageA((HWND)lParam, WM_COMMAND, IDCANCEL, 0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

HWND CreateOwner()
{
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = OwnerProc;
    windowClass.hInstance = GetModuleHandleA(NULL);
    windowClass.lpszClassName = "KorvidReadBench";
    RegisterClassA(&windowClass);
    return CreateWindowA("KorvidReadBench", "", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300, NULL, NULL,
                         GetModuleHandleA(NULL), NULL);
}

// A new connection, as a selection leaves it; a refusal remembered on the old one goes with it.
void Connect()
{
    CloseRemoteRoot();
    TargetComputer &target = Target();
    snprintf(target.computerName, sizeof(target.computerName), "%s", kComputer);
    MultiByteToWideChar(CP_ACP, 0, kComputer, -1, target.computerNameWide, kNameChars);
    HKEY root = NULL;
    Net().RegConnectRegistryA(kComputer, HKEY_LOCAL_MACHINE, &root);
    target.remoteRoot = root;
    target.writeAccess = TRUE;
    target.serverType = 0x100B;
    target.platformKind = PlatformVelmorServer;
    target.connected = TRUE;
}

void RefuseBatches(DWORD code)
{
    LabSetFault(kComputer, "QueryMultiple", kVersionKey, code);
    for (int i = 0; i < kPolicyCount; ++i)
        for (int key = 0; key < AllPolicies()[i]->keyCount; ++key)
            LabSetFault(kComputer, "QueryMultiple", AllPolicies()[i]->keys[key].path, code);
}

struct Figure {
    DWORD trips;
    double ms;
};

Figure OpenDialog(HWND owner, int row)
{
    PolicyEntry &entry = GetPolicyEntry(row);
    int dialogId = entry.nameId == IDS_NETLOGON ? IDD_NETLOGON_PDC : entry.dialogId;
    LabResetCounters(kComputer);
    shownAt = 0;
    double start = NowMs();
    DialogBoxParamA(GetAppInstance(), MAKEINTRESOURCEA(dialogId), owner, entry.dialogProc, 0);
    return Figure{LabCounter(kComputer, "RoundTrips"), shownAt - start};
}

Figure OpenVersionPage(HWND owner)
{
    LabResetCounters(kComputer);
    double start = NowMs();
    HWND page = CreateDialogParamA(GetAppInstance(), MAKEINTRESOURCEA(IDD_VERSION_PAGE), owner,
                                   VersionTabProc, 0);
    Figure figure{LabCounter(kComputer, "RoundTrips"), NowMs() - start};
    DestroyWindow(page);
    return figure;
}

}  // namespace

int main()
{
    InstallLabNetwork();
    InitShell(GetModuleHandleA(NULL));
    LabReset();
    if (!LabLoadDefaultNetwork()) {
        printf("the lab network did not load\n");
        return 1;
    }
    HWND owner = CreateOwner();
    std::vector<std::string> names;
    for (int row = 0; row < kPolicyRows; ++row) {
        char name[kTextChars] = "";
        LoadAppString(GetPolicyEntry(row).nameId, name);
        names.push_back(name);
    }
    names.push_back("Version page");
    const int rows = kPolicyRows + 1;
    for (DWORD latency : {0u, 100u}) {
        LabSetComputerDword(kComputer, "LatencyMs", latency);
        Figure figures[2][kPolicyRows + 1];
        for (int refused = 0; refused < 2; ++refused) {
            RefuseBatches(refused ? ERROR_CALL_NOT_IMPLEMENTED : 0);
            Connect();
            // Refused: the first opening asks once and learns; the figures show that ask.
            for (int row = 0; row < kPolicyRows; ++row)
                figures[refused][row] = OpenDialog(owner, row);
            figures[refused][kPolicyRows] = OpenVersionPage(owner);
        }
        printf("LatencyMs %lu: round trips and ms to open, batched | value by value\n",
               (unsigned long)latency);
        DWORD totals[2] = {0, 0};
        for (int row = 0; row < rows; ++row) {
            printf("  %-30s %3lu %8.1f | %3lu %8.1f\n", names[row].c_str(),
                   (unsigned long)figures[0][row].trips, figures[0][row].ms,
                   (unsigned long)figures[1][row].trips, figures[1][row].ms);
            for (int refused = 0; refused < 2 && row < kPolicyRows; ++refused)
                totals[refused] += figures[refused][row].trips;
        }
        printf("  %-30s %3lu          | %3lu\n", "ten dialogs", (unsigned long)totals[0],
               (unsigned long)totals[1]);
    }
    CloseRemoteRoot();
    DestroyWindow(owner);
    return 0;
}
