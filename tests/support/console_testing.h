// Programs run in a console, as a user at a command prompt runs them, and the characters that
// console shows (its screen buffer read back).
#ifndef KORVID_CONSOLE_TESTING_H
#define KORVID_CONSOLE_TESTING_H

#include <windows.h>

#include <string>

// A console for the programs the test starts, made for the scope: the test program gives up any
// console of its own, allocates a new one, and on leaving frees it and puts its standard handles
// back. A program started with inherited handles (or none given) writes to it.
class ScopedConsole {
public:
    ScopedConsole();
    ~ScopedConsole();
    bool Ready() const { return ready_; }
    // The console's input and screen buffer, inheritable, for a child's STARTUPINFO.
    HANDLE Input() const { return input_; }
    HANDLE Output() const { return output_; }
    // Every line of the screen buffer up to the last one written, each without its trailing
    // blanks and ending in "\n".
    std::wstring Screen() const;

private:
    bool ready_;
    HANDLE input_, output_;
    HANDLE saved_[3];
};

struct ConsoleRun {
    DWORD code;
    std::wstring screen;  // what the console shows after the program ended
};

// Runs the command line with the console as its standard input, output and error, in folder
// (the current one when empty), and reads the screen once it has ended.
ConsoleRun RunInConsole(const std::string &commandLine, const std::string &folder = "");

#endif
