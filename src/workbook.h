// A listing as one spreadsheet workbook (Office Open XML, .xlsx), written
// with libxlsxwriter in its constant-memory mode: every record one row, the
// numbers as number cells, every text a text cell holding exactly the text.
// workbook.cpp writes it; workbook_none.cpp stands in for a build without
// the library.
#ifndef ECRITURE_WORKBOOK_H
#define ECRITURE_WORKBOOK_H

#include "progress.h"
#include "record.h"
#include "scratch_file.h"

#include <cstdio>

struct lxw_workbook;
struct lxw_worksheet;
struct lxw_format;

// The most rows a sheet holds, the format's own limit; the records go on in
// a new sheet, under the header again.
constexpr long kSheetRows = 1048576;

// A record's text as its cell holds it, with a NUL: at most three bytes for
// each of its own (U+FFFD for an invalid byte); a file's name in its column.
constexpr std::size_t kCellSize = 3 * kTamponSize + 1;
constexpr std::size_t kNameCellSize = 3 * kNameSize + 1;

struct Workbook {
    lxw_workbook* book;
    lxw_worksheet* sheet;
    lxw_format* bold;
    // Where the library writes the workbook, copied to the output at the end.
    ScratchFile scratch;
    // Each record names its file in a first column; each text is shown as
    // the hexadecimal digits of its bytes.
    bool named;
    bool hex;
    int sheets;
    // The next row of the sheet, and the rows of every sheet.
    long row;
    long long records;
    // Texts whose bytes that are not UTF-8 became U+FFFD, and files' names
    // whose such bytes are shown as \xHH.
    long long changed;
    long long namesChanged;
    // The library refused a sheet or a cell: the workbook is not written;
    // why a sheet's rows were lost, when they were.
    bool failed;
    Reason lost;
    // The text of the row at hand, and the file's name as its column shows
    // it, made once for each file.
    char cell[kCellSize];
    const char* columnOf;
    char columnCell[kNameCellSize];
};

// False when this build has no workbook writer.
bool CanWriteWorkbooks();

// Starts the workbook in a scratch file, with its first sheet; false, after
// saying why on err, when it cannot be made.
bool StartWorkbook(Workbook& book, bool named, std::FILE* err);

// The record whose file bytes are at bytes as one row, after the file's name
// when column is not null; false when its text has no NUL, and then the
// cell holds all 80 bytes. A row or a sheet that the library refuses is
// said once on err, and fails the workbook.
bool PutRecordRow(Workbook& book, const char* column, long long index, const char* bytes, std::FILE* err);

// Finishes the workbook, while the progress shows it, and copies it to
// out, and says how many texts were changed; the scratch file goes. False,
// after saying why on err, when the workbook failed, or could not be
// finished or copied: then nothing of it is written.
bool FinishWorkbook(Workbook& book, Progress& progress, std::FILE* out, std::FILE* err);

#endif
