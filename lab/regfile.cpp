// Imports a .reg file the way the registry editor does, in-process, so a test needs no second
// program. Understands "REGEDIT4" and "Windows Registry Editor Version 5.00" files (8-bit text
// or UTF-16 with its byte order mark): [key], [-key], "name"= and @= with a quoted string,
// dword:, hex: and hex(n): (continued over lines ending in a backslash), "name"=- to delete,
// and comments starting with ';'.
#include "lab/labconfig.h"

#include <stdlib.h>
#include <string.h>
#include <string>
#include <vector>

namespace {

struct RegImport {
    bool unicode;  // version 5 file: hex(n) string data is UTF-16
    HKEY key;      // the current [key]; NULL after a deletion or a key that failed
};

const struct {
    const char *name;
    HKEY root;
} kRoots[] = {
    {"HKEY_CURRENT_USER", HKEY_CURRENT_USER},   {"HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE},
    {"HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT},   {"HKEY_USERS", HKEY_USERS},
    {"HKEY_CURRENT_CONFIG", HKEY_CURRENT_CONFIG},
};

bool ReadWholeFile(const char *path, std::string *text)
{
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD size = GetFileSize(file, NULL), read = 0;
    bool ok = size != INVALID_FILE_SIZE;
    if (ok) {
        text->assign(size, '\0');
        ok = size == 0 || (ReadFile(file, &(*text)[0], size, &read, NULL) && read == size);
    }
    CloseHandle(file);
    return ok;
}

// The file as 8-bit text: UTF-16 files are turned into the ANSI code page, a UTF-8 mark dropped.
std::string DecodeText(const std::string &raw)
{
    if (raw.size() >= 2 && (BYTE)raw[0] == 0xFF && (BYTE)raw[1] == 0xFE) {
        int units = (int)(raw.size() - 2) / 2;
        const WCHAR *wide = (const WCHAR *)(raw.data() + 2);
        int length = WideCharToMultiByte(CP_ACP, 0, wide, units, NULL, 0, NULL, NULL);
        std::string text(length, '\0');
        if (length > 0) WideCharToMultiByte(CP_ACP, 0, wide, units, &text[0], length, NULL, NULL);
        return text;
    }
    if (raw.size() >= 3 && raw.compare(0, 3, "\xEF\xBB\xBF") == 0) return raw.substr(3);
    return raw;
}

std::vector<std::string> SplitLines(const std::string &text)
{
    std::vector<std::string> lines;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

std::string Trim(const std::string &text)
{
    size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return "";
    size_t last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

// Splits "HKEY_...\path" into its root and path; false for an unknown root.
bool SplitKeyName(const std::string &full, HKEY *root, std::string *path)
{
    size_t slash = full.find('\\');
    std::string rootName = full.substr(0, slash);
    *path = slash == std::string::npos ? "" : full.substr(slash + 1);
    for (const auto &known : kRoots) {
        if (lstrcmpiA(rootName.c_str(), known.name) == 0) {
            *root = known.root;
            return true;
        }
    }
    return false;
}

bool OpenSection(RegImport *import, const std::string &line)
{
    if (import->key != NULL) RegCloseKey(import->key);
    import->key = NULL;
    size_t close = line.rfind(']');
    if (close == std::string::npos) return false;
    std::string name = line.substr(1, close - 1);
    bool remove = !name.empty() && name[0] == '-';
    if (remove) name.erase(0, 1);
    HKEY root = NULL;
    std::string path;
    if (!SplitKeyName(name, &root, &path) || path.empty()) return false;
    if (remove) {
        LONG status = RegDeleteTreeA(root, path.c_str());
        return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
    }
    return RegCreateKeyExA(root, path.c_str(), 0, NULL, 0, KEY_READ | KEY_WRITE, NULL,
                           &import->key, NULL) == ERROR_SUCCESS;
}

// A quoted string starting at text[*at] (the opening quote), with \\ \" \n \r \0 escapes.
bool ParseQuoted(const std::string &text, size_t *at, std::string *value)
{
    value->clear();
    size_t i = *at + 1;
    for (; i < text.size() && text[i] != '"'; i++) {
        char c = text[i];
        if (c == '\\' && i + 1 < text.size()) {
            c = text[++i];
            if (c == 'n') c = '\n';
            else if (c == 'r') c = '\r';
            else if (c == '0') c = '\0';
        }
        value->push_back(c);
    }
    if (i >= text.size()) return false;
    *at = i + 1;
    return true;
}

// Only blanks or a comment may follow the data.
bool RestIsEmpty(const std::string &text, size_t at)
{
    std::string rest = Trim(text.substr(at < text.size() ? at : text.size()));
    return rest.empty() || rest[0] == ';';
}

bool ParseHexBytes(const std::string &text, std::vector<BYTE> *bytes)
{
    size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == ',')) i++;
        if (i >= text.size() || text[i] == ';') break;
        char *end = NULL;
        unsigned long byte = strtoul(text.c_str() + i, &end, 16);
        size_t used = (size_t)(end - (text.c_str() + i));
        if (used == 0 || used > 2 || byte > 0xFF) return false;
        bytes->push_back((BYTE)byte);
        i += used;
    }
    return true;
}

LONG SetHexValue(const RegImport &import, const std::string &name, DWORD type,
                 const std::vector<BYTE> &bytes)
{
    const BYTE *data = bytes.empty() ? NULL : bytes.data();
    bool wideText = type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
    if (!import.unicode || !wideText)
        return RegSetValueExA(import.key, name.c_str(), 0, type, data, (DWORD)bytes.size());
    // Version 5 text data is UTF-16 already: store it as it stands.
    int units = MultiByteToWideChar(CP_ACP, 0, name.c_str(), -1, NULL, 0);
    if (units <= 0) return ERROR_INVALID_DATA;
    std::vector<WCHAR> wideName(units);
    MultiByteToWideChar(CP_ACP, 0, name.c_str(), -1, wideName.data(), units);
    return RegSetValueExW(import.key, wideName.data(), 0, type, data, (DWORD)bytes.size());
}

bool ParseData(const RegImport &import, const std::string &name, const std::string &data)
{
    if (data == "-") {
        LONG status = RegDeleteValueA(import.key, name.c_str());
        return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
    }
    if (!data.empty() && data[0] == '"') {
        size_t at = 0;
        std::string text;
        if (!ParseQuoted(data, &at, &text) || !RestIsEmpty(data, at)) return false;
        return RegSetValueExA(import.key, name.c_str(), 0, REG_SZ, (const BYTE *)text.c_str(),
                              (DWORD)text.size() + 1) == ERROR_SUCCESS;
    }
    if (data.compare(0, 6, "dword:") == 0) {
        std::string digits = Trim(data.substr(6));
        size_t semicolon = digits.find(';');
        if (semicolon != std::string::npos) digits = Trim(digits.substr(0, semicolon));
        char *end = NULL;
        unsigned long value = strtoul(digits.c_str(), &end, 16);
        if (digits.empty() || digits.size() > 8 || *end != 0) return false;
        DWORD dword = (DWORD)value;
        return RegSetValueExA(import.key, name.c_str(), 0, REG_DWORD, (const BYTE *)&dword,
                              sizeof(dword)) == ERROR_SUCCESS;
    }
    if (data.compare(0, 3, "hex") != 0) return false;
    DWORD type = REG_BINARY;
    size_t colon = data.find(':');
    if (colon == std::string::npos) return false;
    if (colon > 3) {
        if (data[3] != '(' || data[colon - 1] != ')') return false;
        char *end = NULL;
        type = (DWORD)strtoul(data.c_str() + 4, &end, 16);
        if (end != data.c_str() + colon - 1) return false;
    }
    std::vector<BYTE> bytes;
    return ParseHexBytes(data.substr(colon + 1), &bytes) &&
           SetHexValue(import, name, type, bytes) == ERROR_SUCCESS;
}

bool ParseValueLine(const RegImport &import, const std::string &line)
{
    if (import.key == NULL) return true;  // values of a deleted key: nothing to do
    std::string name;
    size_t at = 0;
    if (line[0] == '@') {
        at = 1;
    } else if (!ParseQuoted(line, &at, &name)) {
        return false;
    }
    std::string rest = Trim(line.substr(at));
    if (rest.empty() || rest[0] != '=') return false;
    return ParseData(import, name, Trim(rest.substr(1)));
}

// A hex line ending in a backslash goes on in the next line.
std::string JoinContinued(const std::vector<std::string> &lines, size_t *index)
{
    std::string joined = Trim(lines[*index]);
    while (!joined.empty() && joined.back() == '\\' && joined.find("=hex") != std::string::npos &&
           *index + 1 < lines.size()) {
        joined.pop_back();
        joined += Trim(lines[++*index]);
    }
    return joined;
}

}  // namespace

bool LabImportRegFile(const char *path)
{
    std::string raw;
    if (!ReadWholeFile(path, &raw)) return false;
    std::vector<std::string> lines = SplitLines(DecodeText(raw));
    size_t index = 0;
    while (index < lines.size() && Trim(lines[index]).empty()) index++;
    if (index >= lines.size()) return false;
    std::string header = Trim(lines[index++]);
    RegImport import = {false, NULL};
    if (header == "Windows Registry Editor Version 5.00")
        import.unicode = true;
    else if (header != "REGEDIT4")
        return false;

    bool whole = true;
    for (; index < lines.size(); index++) {
        std::string line = JoinContinued(lines, &index);
        if (line.empty() || line[0] == ';' || line[0] == '#') continue;
        bool ok = line[0] == '[' ? OpenSection(&import, line) : ParseValueLine(import, line);
        whole = whole && ok;
    }
    if (import.key != NULL) RegCloseKey(import.key);
    return whole;
}
