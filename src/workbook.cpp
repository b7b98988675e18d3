#include "workbook.h"

#include "console.h"
#include "escape.h"
#include "listing.h"
#include "messages.h"
#include "record.h"

#include <xlsxwriter.h>

#include <cstring>

namespace {

constexpr const char* kColumns[] = {"file", "index", "numero", "valeur", "tampon"};
constexpr lxw_col_t kTextColumn = 4;
// The widths people see the columns at first, in characters.
constexpr double kWidths[] = {24, 9, 12, 12, 60};
// A record's text as its cell holds it, with a NUL: at most three bytes for
// each of its own (U+FFFD for an invalid byte).
constexpr std::size_t kCellSize = 3 * kTamponSize + 1;
// A file's name in its column.
constexpr std::size_t kNameCellSize = 3 * kNameSize + 1;

// The first column of the sheet: 0 with the file's column, else 1.
lxw_col_t FirstColumn(const Workbook& book)
{
    return book.named ? 0 : 1;
}

// Writes text[0, n) to the cell as its exact text, into shown of size bytes;
// an empty text leaves the cell empty. True when the text was valid UTF-8.
bool PutTextCell(lxw_worksheet* sheet, lxw_row_t row, lxw_col_t col, const char* text, std::size_t n,
    char* shown, std::size_t size)
{
    std::size_t used = 0;
    std::size_t length = EscapeText(TextPolicy::Cell, text, n, shown, size - 1, used);
    shown[length] = '\0';
    if (length > 0)
        worksheet_write_string(sheet, row, col, shown, nullptr);
    return IsValidUtf8(text, n);
}

// Starts the next sheet, under a frozen header with the filter's buttons.
bool StartSheet(Workbook& book)
{
    char name[32];
    if (++book.sheets == 1)
        std::strcpy(name, "records");
    else
        std::snprintf(name, sizeof name, "records %d", book.sheets);
    book.sheet = workbook_add_worksheet(book.book, name);
    if (book.sheet == nullptr)
        return false;
    for (lxw_col_t at = 0, col = FirstColumn(book); col <= kTextColumn; ++at, ++col) {
        worksheet_set_column(book.sheet, at, at, kWidths[col], nullptr);
        worksheet_write_string(book.sheet, 0, at, kColumns[col], book.bold);
    }
    worksheet_freeze_panes(book.sheet, 1, 0);
    book.row = 1;
    return true;
}

// The filter's buttons over the header, for the rows the sheet holds.
void EndSheet(Workbook& book)
{
    if (book.sheet != nullptr)
        worksheet_autofilter(book.sheet, 0, 0, static_cast<lxw_row_t>(book.row - 1),
            static_cast<lxw_col_t>(kTextColumn - FirstColumn(book)));
}

// Copies the finished workbook to out.
bool CopyWorkbook(const ScratchFile& scratch, std::FILE* out, std::FILE* err)
{
    static char block[1 << 16];
    Reason why = kNoReason;
    FileHandle file = OpenListedFile(scratch.name, why);
    long long n = 0;
    while (file != kNoFile && (n = ReadSome(file, block, sizeof block, why)) > 0)
        PutBytes(out, block, static_cast<std::size_t>(n));
    if (file != kNoFile)
        (void)CloseFile(file);
    if (why != kNoReason)
        PutMessage(err, kListProgram, nullptr, "cannot read the workbook back", DescribeReason(why));
    return why == kNoReason;
}

} // namespace

bool CanWriteWorkbooks()
{
    return true;
}

bool StartWorkbook(Workbook& book, bool named, std::FILE* err)
{
    book = Workbook{};
    book.named = named;
    Reason why = MakeScratchFile(book.scratch);
    if (why != kNoReason) {
        PutMessage(
            err, kListProgram, nullptr, "cannot make the workbook's scratch file", DescribeReason(why));
        return false;
    }
    // Row by row to the scratch file: memory stays flat whatever the records.
    lxw_workbook_options options = {LXW_TRUE, nullptr, LXW_FALSE};
    book.book = workbook_new_opt(book.scratch.name, &options);
    if (book.book != nullptr) {
        book.bold = workbook_add_format(book.book);
        format_set_bold(book.bold);
    }
    if (book.book == nullptr || !StartSheet(book)) {
        PutMessage(err, kListProgram, nullptr, "cannot start the workbook");
        DropScratchFile(book.scratch);
        return false;
    }
    return true;
}

bool PutRecordRow(Workbook& book, const char* column, long long index, const char* bytes)
{
    static char shown[kCellSize];
    if (book.row == kSheetRows) {
        EndSheet(book);
        StartSheet(book);
    }
    auto row = static_cast<lxw_row_t>(book.row++);
    Record rec = DecodeRecord(bytes);
    std::size_t n = strnlen(rec.tampon, sizeof rec.tampon);
    if (column != nullptr) {
        static char nameShown[kNameCellSize];
        PutTextCell(book.sheet, row, 0, column, std::strlen(column), nameShown, sizeof nameShown);
    }
    lxw_col_t col = column != nullptr ? 1 : 0;
    worksheet_write_number(book.sheet, row, col, static_cast<double>(index), nullptr);
    worksheet_write_number(book.sheet, row, col + 1, rec.numero, nullptr);
    worksheet_write_number(book.sheet, row, col + 2, rec.valeur, nullptr);
    if (!PutTextCell(book.sheet, row, col + 3, rec.tampon, n, shown, sizeof shown))
        ++book.changed;
    return n < sizeof rec.tampon;
}

bool FinishWorkbook(Workbook& book, std::FILE* out, std::FILE* err)
{
    EndSheet(book);
    lxw_error closed = workbook_close(book.book);
    book.book = nullptr;
    if (closed != LXW_NO_ERROR)
        PutMessage(err, kListProgram, nullptr, "cannot write the workbook", lxw_strerror(closed));
    bool copied = closed == LXW_NO_ERROR && CopyWorkbook(book.scratch, out, err);
    DropScratchFile(book.scratch);
    if (book.changed > 0) {
        char what[128];
        std::snprintf(what, sizeof what,
            book.changed == 1 ? "%lld text holds bytes that are not UTF-8, shown as U+FFFD in the workbook"
                              : "%lld texts hold bytes that are not UTF-8, shown as U+FFFD in the workbook",
            book.changed);
        PutMessage(err, kListProgram, nullptr, what);
    }
    return copied;
}
