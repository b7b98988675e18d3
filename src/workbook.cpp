#include "workbook.h"

#include "catalogue.h"
#include "command_line.h"
#include "console.h"
#include "escape.h"
#include "library_quiet.h"
#include "listed_file.h"
#include "listing.h"
#include "messages.h"
#include "record.h"
#include "record_file.h"
#include "record_text.h"
#include "utf8.h"
#include "workbook_file.h"

#include <xlsxwriter.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace {

constexpr const char* kColumns[] = {"file", "index", "numero", "valeur", "tampon"};
constexpr lxw_col_t kTextColumn = 4;
// The widths people see the columns at first, in characters: a text of 78
// wide characters fits its own.
constexpr double kWidths[] = {24, 9, 12, 12, 84};
// The paper of a French office.
constexpr std::uint8_t kPaperA4 = 9;

// The first column of the sheet: 0 with the file's column, else 1.
lxw_col_t FirstColumn(const Workbook& book)
{
    return book.named ? 0 : 1;
}

// Says once that the library refused a sheet or a cell, and fails the
// workbook: with the system's reason when its failure left one, which the
// user reads in the user's language; false.
bool FailWorkbook(Workbook& book, lxw_error failed, Reason why, std::FILE* err)
{
    if (!book.failed)
        PutMessage(err, kListProgram, nullptr, "cannot write the workbook",
            why != kNoReason ? DescribeReason(why) : lxw_strerror(failed));
    book.failed = true;
    return false;
}

// Writes text[0, n) to the cell as its exact text, shown into the cell's
// buffer of size bytes; an empty text leaves the cell empty.
lxw_error PutTextCell(lxw_worksheet* sheet, lxw_row_t row, lxw_col_t col, const char* text, std::size_t n,
    char* shown, std::size_t size)
{
    std::size_t used = 0;
    std::size_t length = EscapeText(TextPolicy::Cell, text, n, shown, size - 1, used);
    shown[length] = '\0';
    return length > 0 ? worksheet_write_string(sheet, row, col, shown, nullptr) : LXW_NO_ERROR;
}

// Prints the sheet as a table: landscape on A4, one page wide, the header
// on every page.
lxw_error SetPrinting(lxw_worksheet* sheet)
{
    worksheet_set_landscape(sheet);
    worksheet_set_paper(sheet, kPaperA4);
    worksheet_fit_to_pages(sheet, 1, 0);
    return worksheet_repeat_rows(sheet, 0, 0);
}

// Starts the next sheet, under a frozen header with the filter's buttons.
lxw_error StartSheet(Workbook& book)
{
    // The library makes the sheet's temporary file, and says its own
    // failure on standard error, in English: the caller says it.
    int kept = QuietStandardError();
    char name[32];
    if (++book.sheets == 1)
        std::strcpy(name, "records");
    else
        std::snprintf(name, sizeof name, "records %d", book.sheets);
    book.sheet = workbook_add_worksheet(book.book, name);
    RestoreStandardError(kept);
    if (book.sheet == nullptr)
        return LXW_ERROR_CREATING_TMPFILE;
    lxw_error why = SetPrinting(book.sheet);
    for (lxw_col_t at = 0, col = FirstColumn(book); col <= kTextColumn && why == LXW_NO_ERROR; ++at, ++col) {
        why = worksheet_set_column(book.sheet, at, at, kWidths[col], nullptr);
        why = why == LXW_NO_ERROR ? worksheet_write_string(book.sheet, 0, at, kColumns[col], book.bold) : why;
    }
    worksheet_freeze_panes(book.sheet, 1, 0);
    book.row = 1;
    return why;
}

// The filter's buttons over the header, for the rows the sheet holds. The
// library writes the rows to a temporary file without checking the
// writes: a full disk would lose rows silently, so its stream is checked
// here, the reason kept in book.lost.
lxw_error EndSheet(Workbook& book)
{
    if (book.sheet == nullptr)
        return LXW_NO_ERROR;
    std::FILE* rows = book.sheet->optimize_tmpfile;
    if (rows != nullptr && (std::fflush(rows) != 0 || std::ferror(rows) != 0)) {
        book.lost = TakeReason();
        return LXW_ERROR_CREATING_TMPFILE;
    }
    return worksheet_autofilter(book.sheet, 0, 0, static_cast<lxw_row_t>(book.row - 1),
        static_cast<lxw_col_t>(kTextColumn - FirstColumn(book)));
}

// The file's name as its column shows it, made once for each file: its
// bytes that are not UTF-8 as \xHH, as a message shows them, so that two
// names stay two, and counted.
const char* ColumnCell(Workbook& book, const char* column)
{
    if (column == book.columnOf)
        return book.columnCell;
    static char shown[EscapedRoom(kNameSize)];
    std::size_t n = std::strlen(column);
    std::size_t used = 0;
    const char* name = column;
    if (!IsValidUtf8(column, n)) {
        n = EscapeText(TextPolicy::Message, column, n, shown, sizeof shown, used);
        name = shown;
        ++book.namesChanged;
    }
    n = EscapeText(TextPolicy::Cell, name, n, book.columnCell, sizeof book.columnCell - 1, used);
    book.columnCell[n] = '\0';
    book.columnOf = column;
    return book.columnCell;
}

// Writes the record's row, in a new sheet when the last is full.
lxw_error PutCells(Workbook& book, const char* column, long long index, const Record& rec, std::size_t n)
{
    lxw_error why = book.row == kSheetRows ? EndSheet(book) : LXW_NO_ERROR;
    if (book.row == kSheetRows && why == LXW_NO_ERROR)
        why = StartSheet(book);
    if (why != LXW_NO_ERROR)
        return why;
    auto row = static_cast<lxw_row_t>(book.row++);
    lxw_col_t col = column != nullptr ? 1 : 0;
    if (column != nullptr && why == LXW_NO_ERROR)
        why = worksheet_write_string(book.sheet, row, 0, ColumnCell(book, column), nullptr);
    const double numbers[] = {
        static_cast<double>(index), static_cast<double>(rec.numero), static_cast<double>(rec.valeur)};
    for (lxw_col_t k = 0; k < 3 && why == LXW_NO_ERROR; ++k)
        why = worksheet_write_number(book.sheet, row, col + k, numbers[k], nullptr);
    if (book.hex && why == LXW_NO_ERROR) {
        std::size_t length = HexRecordText(TextPolicy::Tsv, rec.tampon, n, book.cell);
        book.cell[length] = '\0';
        return length > 0 ? worksheet_write_string(book.sheet, row, col + 3, book.cell, nullptr)
                          : LXW_NO_ERROR;
    }
    return why == LXW_NO_ERROR
        ? PutTextCell(book.sheet, row, col + 3, rec.tampon, n, book.cell, sizeof book.cell)
        : why;
}

// Says n of something, as the format of its form for n says, the count
// grouped as the user's language writes it; nothing when n is 0.
void SayCount(std::FILE* err, const char* format, long long n)
{
    if (n == 0)
        return;
    char what[256];
    char count[kCountSize];
    std::snprintf(what, sizeof what, format, GroupCount(n, count));
    PutMessage(err, kListProgram, nullptr, what);
}

// Says how many texts, then how many files' names, held bytes that are not
// UTF-8, and how the workbook shows them.
void SayChanged(const Workbook& book, std::FILE* err)
{
    SayCount(err,
        TranslatePlural("%s text holds bytes that are not UTF-8, shown as U+FFFD in the workbook",
            "%s texts hold bytes that are not UTF-8, shown as U+FFFD in the workbook",
            static_cast<unsigned long long>(book.changed)),
        book.changed);
    SayCount(err,
        TranslatePlural("%s file name holds bytes that are not UTF-8, shown as \\xHH in the workbook",
            "%s file names hold bytes that are not UTF-8, shown as \\xHH in the workbook",
            static_cast<unsigned long long>(book.namesChanged)),
        book.namesChanged);
}

// A new workbook, row by row to the scratch file, so that memory stays
// flat whatever the records; null when the library cannot start one, its
// own lines kept from the user. It holds the time it was made:
// SOURCE_DATE_EPOCH, as reproducible builds set it, makes the same records
// the same bytes.
lxw_workbook* NewWorkbook(const ScratchFile& scratch)
{
    lxw_workbook_options options = {LXW_TRUE, nullptr, LXW_FALSE};
    int kept = QuietStandardError();
    lxw_workbook* book = workbook_new_opt(scratch.library, &options);
    RestoreStandardError(kept);
    const char* epoch = std::getenv("SOURCE_DATE_EPOCH");
    long long seconds = 0;
    if (book == nullptr || epoch == nullptr || !ParseWhole(epoch, seconds))
        return book;
    lxw_doc_properties properties{};
    properties.created = static_cast<std::time_t>(seconds);
    (void)workbook_set_properties(book, &properties);
    return book;
}

} // namespace

bool CanWriteWorkbooks()
{
    return true;
}

bool StartWorkbook(Workbook& book, bool named, std::FILE* err)
{
    book.named = named;
    if (!MakeWorkbookFile(book.scratch, err))
        return false;
    book.book = NewWorkbook(book.scratch);
    book.bold = book.book != nullptr ? workbook_add_format(book.book) : nullptr;
    if (book.bold != nullptr)
        format_set_bold(book.bold);
    if (book.bold == nullptr || StartSheet(book) != LXW_NO_ERROR) {
        PutMessage(err, kListProgram, nullptr, "cannot start the workbook");
        if (book.book != nullptr)
            (void)workbook_close(book.book);
        book.book = nullptr;
        DropScratchFile(book.scratch);
        return false;
    }
    return true;
}

bool PutRecordRow(Workbook& book, const char* column, long long index, const char* bytes, std::FILE* err)
{
    Record rec = DecodeRecord(bytes);
    std::size_t n = strnlen(rec.tampon, sizeof rec.tampon);
    book.changed += book.hex || IsValidUtf8(rec.tampon, n) ? 0 : 1;
    ++book.records;
    if (lxw_error why = PutCells(book, column, index, rec, n); why != LXW_NO_ERROR)
        FailWorkbook(book, why, book.lost, err);
    return n < sizeof rec.tampon;
}

bool FinishWorkbook(Workbook& book, Progress& progress, std::FILE* out, std::FILE* err)
{
    lxw_error ended = EndSheet(book);
    ShowWorkbookProgress(progress, book.records);
    // The library writes the workbook whole here, and says its own failure
    // on standard error: the reason is taken for the one line said below.
    int kept = QuietStandardError();
    ClearReason();
    lxw_error closed = workbook_close(book.book);
    Reason why = TakeReason();
    RestoreStandardError(kept);
    EraseProgress(progress);
    book.book = nullptr;
    if (!book.failed && (ended != LXW_NO_ERROR || closed != LXW_NO_ERROR))
        FailWorkbook(
            book, ended != LXW_NO_ERROR ? ended : closed, ended != LXW_NO_ERROR ? book.lost : why, err);
    bool copied = !book.failed && CopyWorkbook(book.scratch, why, out, err);
    DropScratchFile(book.scratch);
    // Nothing is said about a workbook that was not written whole.
    copied = copied && FlushOutput(out) && std::ferror(out) == 0;
    if (copied)
        SayChanged(book, err);
    return copied;
}
