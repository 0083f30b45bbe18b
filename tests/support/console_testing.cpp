#include "tests/support/console_testing.h"

#include <gtest/gtest.h>

namespace {

const DWORD kStdHandles[3] = {STD_INPUT_HANDLE, STD_OUTPUT_HANDLE, STD_ERROR_HANDLE};

HANDLE OpenConsoleFile(const char *name)
{
    SECURITY_ATTRIBUTES inherit = {sizeof(inherit), NULL, TRUE};
    return CreateFileA(name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                       OPEN_EXISTING, 0, NULL);
}

}  // namespace

ScopedConsole::ScopedConsole() : ready_(false), input_(INVALID_HANDLE_VALUE), output_(INVALID_HANDLE_VALUE)
{
    for (int i = 0; i < 3; i++) saved_[i] = GetStdHandle(kStdHandles[i]);
    FreeConsole();
    if (!AllocConsole()) {
        ADD_FAILURE() << "AllocConsole failed: " << GetLastError();
        return;
    }
    input_ = OpenConsoleFile("CONIN$");
    output_ = OpenConsoleFile("CONOUT$");
    ready_ = input_ != INVALID_HANDLE_VALUE && output_ != INVALID_HANDLE_VALUE;
    EXPECT_TRUE(ready_) << "the console's handles did not open: " << GetLastError();
}

ScopedConsole::~ScopedConsole()
{
    if (input_ != INVALID_HANDLE_VALUE) CloseHandle(input_);
    if (output_ != INVALID_HANDLE_VALUE) CloseHandle(output_);
    FreeConsole();
    for (int i = 0; i < 3; i++) SetStdHandle(kStdHandles[i], saved_[i]);
}

std::wstring ScopedConsole::Screen() const
{
    CONSOLE_SCREEN_BUFFER_INFO info = {};
    if (!GetConsoleScreenBufferInfo(output_, &info)) {
        ADD_FAILURE() << "GetConsoleScreenBufferInfo failed: " << GetLastError();
        return L"";
    }
    std::wstring screen, row((size_t)info.dwSize.X, L' ');
    for (SHORT y = 0; y <= info.dwCursorPosition.Y; y++) {
        DWORD read = 0;
        COORD at = {0, y};
        if (!ReadConsoleOutputCharacterW(output_, &row[0], (DWORD)row.size(), at, &read)) break;
        std::wstring line = row.substr(0, read);
        line.erase(line.find_last_not_of(L' ') + 1);
        if (y == info.dwCursorPosition.Y && line.empty()) break;
        screen += line + L"\n";
    }
    return screen;
}

ConsoleRun RunInConsole(const std::string &commandLine, const std::string &folder)
{
    ConsoleRun run = {(DWORD)-1, L""};
    ScopedConsole console;
    if (!console.Ready()) return run;
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = console.Input();
    startup.hStdOutput = console.Output();
    startup.hStdError = console.Output();
    std::string line = commandLine;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(NULL, &line[0], NULL, NULL, TRUE, 0, NULL, folder.empty() ? NULL : folder.c_str(),
                        &startup, &process)) {
        ADD_FAILURE() << "cannot start " << commandLine << ": " << GetLastError();
        return run;
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    GetExitCodeProcess(process.hProcess, &run.code);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    run.screen = console.Screen();
    return run;
}
