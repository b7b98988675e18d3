// A build without libxlsxwriter: lecture refuses --xlsx, saying so.
#include "workbook.h"

bool CanWriteWorkbooks()
{
    return false;
}

bool StartWorkbook(Workbook& /*book*/, bool /*named*/, std::FILE* /*err*/)
{
    return false;
}

bool PutRecordRow(Workbook& /*book*/, const char* /*column*/, long long /*index*/, const char* /*bytes*/,
    std::FILE* /*err*/)
{
    return true;
}

bool FinishWorkbook(Workbook& /*book*/, Progress& /*progress*/, std::FILE* /*out*/, std::FILE* /*err*/)
{
    return false;
}
