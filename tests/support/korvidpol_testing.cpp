#include "tests/support/korvidpol_testing.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <stdio.h>
#include <thread>

#include "lab/labconfig.h"
#include "tests/support/harness.h"

namespace {

void DrainPipe(HANDLE pipe, std::string *text)
{
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(pipe, buffer, sizeof(buffer), &read, NULL) && read > 0) text->append(buffer, read);
}

std::string WithoutCarriageReturns(std::string text)
{
    text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
    return text;
}

}  // namespace

std::string PolCommandLine(const std::string &arguments)
{
    return "\"" + LabDllFolder() + "\\korvidpol-lab.exe\" " + arguments;
}

namespace {

// The run with its standard output as the program wrote it (exact: carriage returns and all).
PolRun RunProgram(const std::string &program, const std::string &arguments, const std::string &folder, bool exact);

PolRun RunPolExact(const std::string &arguments, const std::string &folder)
{
    return RunProgram(LabDllFolder() + "\\korvidpol-lab.exe", arguments, folder, true);
}

}  // namespace

PolRun RunPol(const std::string &arguments, const std::string &folder)
{
    return RunConsoleProgram(LabDllFolder() + "\\korvidpol-lab.exe", arguments, folder);
}

PolRun RunConsoleProgram(const std::string &program, const std::string &arguments, const std::string &folder)
{
    return RunProgram(program, arguments, folder, false);
}

namespace {

PolRun RunProgram(const std::string &program, const std::string &arguments, const std::string &folder, bool exact)
{
    PolRun run = {(DWORD)-1, "", ""};
    SECURITY_ATTRIBUTES inherit = {sizeof(inherit), NULL, TRUE};
    HANDLE outRead, outWrite, errRead, errWrite;
    EXPECT_TRUE(CreatePipe(&outRead, &outWrite, &inherit, 0) && CreatePipe(&errRead, &errWrite, &inherit, 0));
    SetHandleInformation(outRead, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(errRead, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = outWrite;
    startup.hStdError = errWrite;
    std::string commandLine = "\"" + program + "\" " + arguments;
    PROCESS_INFORMATION process = {};
    BOOL started = CreateProcessA(NULL, &commandLine[0], NULL, NULL, TRUE, 0, NULL,
                                  folder.empty() ? NULL : folder.c_str(), &startup, &process);
    CloseHandle(outWrite);
    CloseHandle(errWrite);
    EXPECT_TRUE(started) << commandLine;
    std::thread errors(DrainPipe, errRead, &run.err);
    DrainPipe(outRead, &run.out);
    errors.join();
    if (started) {
        WaitForSingleObject(process.hProcess, INFINITE);
        GetExitCodeProcess(process.hProcess, &run.code);
        CloseHandle(process.hProcess);
        CloseHandle(process.hThread);
    }
    CloseHandle(outRead);
    CloseHandle(errRead);
    if (!exact) run.out = WithoutCarriageReturns(run.out);
    run.err = WithoutCarriageReturns(run.err);
    return run;
}

}  // namespace

namespace {

void DeleteTree(const std::string &path)
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((path + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::string name = found.cFileName;
            if (name == "." || name == "..") continue;
            std::string child = path + "\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) DeleteTree(child);
            else DeleteFileA(child.c_str());
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(path.c_str());
}

}  // namespace

std::string FreshFolder(const char *name)
{
    char temp[MAX_PATH];
    GetTempPathA(sizeof(temp), temp);
    std::string folder = std::string(temp) + "korvidpol-test-" + name;
    DeleteTree(folder);
    CreateDirectoryA(folder.c_str(), NULL);
    return folder;
}

bool FolderExists(const std::string &path)
{
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::vector<std::string> FilesIn(const std::string &folder)
{
    std::vector<std::string> files;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*.kpol").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return files;
    do files.push_back(folder + "\\" + found.cFileName);
    while (FindNextFileA(search, &found));
    FindClose(search);
    std::sort(files.begin(), files.end());
    return files;
}

void WriteTextFile(const std::string &path, const std::string &text)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << path;
    DWORD written = 0;
    WriteFile(file, text.data(), (DWORD)text.size(), &written, NULL);
    CloseHandle(file);
}

namespace {

std::wstring WideOf(const std::string &ansi, UINT codePage)
{
    std::wstring wide(ansi.size() * 2 + 1, L'\0');
    int units = MultiByteToWideChar(codePage, 0, ansi.data(), (int)ansi.size(), &wide[0], (int)wide.size());
    wide.resize(units > 0 ? units : 0);
    std::wstring lines;
    for (wchar_t c : wide) {
        if (c == L'\n' && (lines.empty() || lines.back() != L'\r')) lines += L'\r';
        lines += c;
    }
    return lines;
}

}  // namespace

std::string AsUtf16File(const std::string &ansi)
{
    std::wstring wide = WideOf(ansi, CP_ACP);
    return std::string("\xFF\xFE") + std::string((const char *)wide.data(), wide.size() * sizeof(wchar_t));
}

std::string AsUtf8File(const std::string &ansi)
{
    std::wstring wide = WideOf(ansi, CP_ACP);
    std::string utf8(wide.size() * 4 + 1, '\0');
    int bytes = WideCharToMultiByte(CP_UTF8, 0, wide.data(), (int)wide.size(), &utf8[0], (int)utf8.size(), NULL, NULL);
    utf8.resize(bytes > 0 ? bytes : 0);
    return "\xEF\xBB\xBF" + utf8;
}

std::string ReadTextFile(const std::string &path)
{
    std::string text;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    if (file == INVALID_HANDLE_VALUE) return text;
    DrainPipe(file, &text);
    CloseHandle(file);
    return WithoutCarriageReturns(text);
}

void LoadPolLab()
{
    LabReset();
    ASSERT_TRUE(LabLoadDefaultNetwork());
}

void AddLabCopy(const char *from, const char *to)
{
    std::string lower = from;
    std::transform(lower.begin(), lower.end(), lower.begin(), ::tolower);
    std::string text = ReadTextFile(LabDllFolder() + "\\network\\" + lower + ".reg");
    ASSERT_FALSE(text.empty()) << from;
    std::string key = std::string("\\Computers\\") + from, copy = std::string("\\Computers\\") + to;
    for (size_t at = text.find(key); at != std::string::npos; at = text.find(key, at + copy.size()))
        text.replace(at, key.size(), copy);
    std::string path = FreshFolder("copy") + "\\" + to + ".reg";
    WriteTextFile(path, text);
    ASSERT_TRUE(LabImportRegFile(path.c_str())) << to;
}

std::string KeyContents(const char *computer, const char *keyPath, HKEY root)
{
    std::string path = keyPath;
    if (root == NULL) {
        path = std::string("Software\\Korvid Lab\\Computers\\") + computer + "\\HKLM\\" + keyPath;
        root = HKEY_CURRENT_USER;
    }
    HKEY key = NULL;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return "(no key)";
    std::vector<std::string> lines;
    for (DWORD index = 0;; index++) {
        char name[256];
        BYTE data[8192];
        DWORD nameLength = sizeof(name), size = sizeof(data), type = 0;
        if (RegEnumValueA(key, index, name, &nameLength, NULL, &type, data, &size) != ERROR_SUCCESS) break;
        std::string line = std::string(name) + "=" + std::to_string(type) + ":";
        for (DWORD i = 0; i < size; i++) {
            char hex[4];
            snprintf(hex, sizeof(hex), "%02x", data[i]);
            line += hex;
        }
        lines.push_back(line);
    }
    RegCloseKey(key);
    std::sort(lines.begin(), lines.end());
    std::string contents;
    for (const std::string &line : lines) contents += line + "\n";
    return contents;
}

DWORD SumCounters(const std::vector<const char *> &computers, const char *counter)
{
    DWORD sum = 0;
    for (const char *computer : computers) sum += LabCounter(computer, counter);
    return sum;
}

bool ParseCsv(const std::string &text, std::vector<std::vector<std::string>> *rows, std::string *error)
{
    rows->clear();
    std::vector<std::string> row;
    std::string field;
    bool quoted = false, wasQuoted = false;
    for (size_t i = 0; i < text.size(); i++) {
        char c = text[i];
        if (quoted) {
            if (c != '"') field += c;
            else if (i + 1 < text.size() && text[i + 1] == '"') field += text[++i];
            else quoted = false;
            continue;
        }
        bool rowEnd = c == '\r' && i + 1 < text.size() && text[i + 1] == '\n';
        if (c == ',' || rowEnd) {
            row.push_back(field);
            field.clear();
            wasQuoted = false;
            if (rowEnd) {
                rows->push_back(row);
                row.clear();
                i++;
            }
        } else if (c == '"' && field.empty() && !wasQuoted) {
            quoted = wasQuoted = true;
        } else if (c == '"' || c == '\r' || c == '\n' || wasQuoted) {
            *error = "stray character at byte " + std::to_string(i);
            return false;
        } else {
            field += c;
        }
    }
    if (quoted || !row.empty() || !field.empty()) {
        *error = "the last row is not ended by CR LF";
        return false;
    }
    return true;
}

std::vector<std::vector<std::string>> RunCsv(const std::string &arguments, const std::vector<std::string> &columns,
                                             DWORD expectedCode, const std::string &folder)
{
    PolRun run = RunPolExact(arguments + " /csv", folder);
    EXPECT_EQ(run.code, expectedCode) << arguments << "\n" << run.err;
    std::vector<std::vector<std::string>> rows;
    std::string error;
    EXPECT_TRUE(ParseCsv(run.out, &rows, &error)) << arguments << ": " << error << "\n" << run.out;
    EXPECT_FALSE(rows.empty()) << arguments;
    if (rows.empty()) return rows;
    EXPECT_EQ(rows[0], columns) << arguments;
    for (const auto &row : rows) EXPECT_EQ(row.size(), columns.size()) << arguments;
    rows.erase(rows.begin());
    return rows;
}
