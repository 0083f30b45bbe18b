#include "korvidpol/csv.h"

#include <string.h>

#include "korvidpol/values.h"

namespace {

bool csvOutput = false;

void AppendField(TextBuffer *out, const char *text)
{
    if (text == NULL) return;
    if (strpbrk(text, ",\"\r\n") == NULL) {
        AppendBytes(out, text, strlen(text));
        return;
    }
    AppendBytes(out, "\"", 1);
    for (const char *at = text; *at; at++) {
        if (*at == '"') AppendBytes(out, "\"", 1);
        AppendBytes(out, at, 1);
    }
    AppendBytes(out, "\"", 1);
}

}  // namespace

void SetCsvOutput(bool csv) { csvOutput = csv; }

bool CsvOutput() { return csvOutput; }

void AppendCsvRow(TextBuffer *out, int count, const char *const *fields)
{
    out->exact = true;
    for (int i = 0; i < count; i++) {
        if (i > 0) AppendBytes(out, ",", 1);
        AppendField(out, fields[i]);
    }
    AppendBytes(out, "\r\n", 2);
}

void FormatCsvValue(TextBuffer *text, const RawValue &value, DWORD expectedType)
{
    FreeText(text);
    if (value.status == ERROR_FILE_NOT_FOUND) return;
    bool string = value.status == ERROR_SUCCESS && value.type == expectedType && expectedType != REG_DWORD &&
                  (value.type == REG_SZ || value.type == REG_EXPAND_SZ);
    if (string) AppendBytes(text, (const char *)value.data, strnlen((const char *)value.data, value.size));
    else AppendStoredValue(text, value, expectedType);
}
