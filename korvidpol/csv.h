// Reports as RFC 4180 CSV for scripts and spreadsheets (/csv): a header row naming the columns,
// one row per value, fields quoted when they hold a comma, a quote or a line break, each row
// ended by CR LF, text in the ANSI code page as everywhere else. Errors stay on standard error.
#ifndef KORVIDPOL_CSV_H
#define KORVIDPOL_CSV_H

#include "korvidpol/server.h"
#include "korvidpol/text.h"

// Set once from the command line, before any worker starts; read by every report.
void SetCsvOutput(bool csv);
bool CsvOutput();

enum { kMaxCsvFields = 12 };

// One row of count fields (NULL is an empty field). The buffer is printed byte for byte from
// then on, so line breaks inside a value reach the reader as they are.
void AppendCsvRow(TextBuffer *out, int count, const char *const *fields);
// A stored value as a field: a number, a string's text as stored, nothing for a missing value,
// and the text form (type and bytes) for a value of another type; into text (cleared first).
void FormatCsvValue(TextBuffer *text, const RawValue &value, DWORD expectedType);

#endif
