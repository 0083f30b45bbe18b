// Running the real korvidpol-lab.exe from a test, and the lab set-ups its tests share.
#ifndef KORVID_KORVIDPOL_TESTING_H
#define KORVID_KORVIDPOL_TESTING_H

#include <windows.h>

#include <string>
#include <vector>

struct PolRun {
    DWORD code;
    std::string out;  // standard output, line ends as "\n"
    std::string err;
};

// The command line of build/lab/korvidpol-lab.exe with the arguments.
std::string PolCommandLine(const std::string &arguments);
// Runs build/lab/korvidpol-lab.exe with the arguments in folder (the current one when empty).
PolRun RunPol(const std::string &arguments, const std::string &folder = "");
// Runs a console program (a full path) with the arguments, its output collected as RunPol's.
PolRun RunConsoleProgram(const std::string &program, const std::string &arguments,
                         const std::string &folder = "");

// A fresh empty folder below the temporary folder.
std::string FreshFolder(const char *name);
bool FolderExists(const std::string &path);
// The undo files (*.kpol) of a folder, sorted.
std::vector<std::string> FilesIn(const std::string &folder);
void WriteTextFile(const std::string &path, const std::string &text);
// ANSI text as Windows PowerShell 5.1's redirection writes it: UTF-16LE with its byte-order mark,
// lines ending in CR LF; or as UTF-8 with its mark.
std::string AsUtf16File(const std::string &ansi);
std::string AsUtf8File(const std::string &ansi);
std::string ReadTextFile(const std::string &path);

// The default lab network, and a copy of one of its computers under another name.
void LoadPolLab();
void AddLabCopy(const char *from, const char *to);

// Every value of a key, as the registry holds them: "name=type:hex bytes" lines, sorted. root
// NULL: the lab computer's own HKLM.
std::string KeyContents(const char *computer, const char *keyPath, HKEY root = NULL);

// The sum of the lab counter over the computers.
DWORD SumCounters(const std::vector<const char *> &computers, const char *counter);

// A strict RFC 4180 reader: rows ended by CR LF, fields quoted whole with "" for a quote; false
// (with the place in error) for a bare line feed, a stray quote or an open quoted field.
bool ParseCsv(const std::string &text, std::vector<std::vector<std::string>> *rows, std::string *error);

// Runs korvidpol with /csv and reads its standard output back strictly: every row as wide as the
// header, which must be the columns given.
std::vector<std::vector<std::string>> RunCsv(const std::string &arguments, const std::vector<std::string> &columns,
                                             DWORD expectedCode, const std::string &folder = "");

#endif
