// sorvik-xlsreader FILE: reads the sheet named Sheet1 of an .xls workbook with FreeXL and writes
// its data rows on standard output in the framed stream of XlsFrameFormat.h.
//
// FreeXL crashes, reads past its buffers or allocates without bound on some damaged files,
// before it returns, so the station never calls it itself: it runs this program, which limits
// its own memory and CPU time before it touches the file. Whatever happens here, the station
// sees a crash, a Failure frame or a broken stream, and reports that the workbook cannot be read.
#include "XlsFrameFormat.h"

#include <freexl.h>

#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace
{

using namespace xlsframes;

// Enough for the largest sheet an .xls file can hold: FreeXL keeps 16 bytes a cell, 256 MB for
// 65536 x 256 cells (measured: 266 MB for such a sheet). The memory bombs stop here.
constexpr rlim_t kAddressSpaceBytes = 384ull * 1024 * 1024;
// Seconds of CPU time: a whole-size sheet needs a few; SIGXCPU ends the reader after these.
constexpr rlim_t kCpuSeconds = 10;

void setLimits()
{
    // No core files in the teacher's folders, and none through a core-dump helper either.
    prctl(PR_SET_DUMPABLE, 0, 0, 0, 0);
    const rlimit core{0, 0};
    setrlimit(RLIMIT_CORE, &core);
    const rlimit as{kAddressSpaceBytes, kAddressSpaceBytes};
    setrlimit(RLIMIT_AS, &as);
    // The soft limit sends SIGXCPU; the hard one a second later SIGKILL.
    const rlimit cpu{kCpuSeconds, kCpuSeconds + 1};
    setrlimit(RLIMIT_CPU, &cpu);
}

// Frames are built in memory and written whole.
class Output
{
public:
    Output() { std::fwrite(kMagic, 1, sizeof kMagic, stdout); }

    void u8(std::uint8_t v) { m_frame.push_back(static_cast<char>(v)); }
    void u32(std::uint32_t v)
    {
        for (int i = 0; i < 4; ++i)
            m_frame.push_back(static_cast<char>((v >> (8 * i)) & 0xff));
    }
    void i32(std::int32_t v) { u32(static_cast<std::uint32_t>(v)); }
    void f64(double v)
    {
        std::uint64_t bits;
        std::memcpy(&bits, &v, sizeof bits);
        for (int i = 0; i < 8; ++i)
            m_frame.push_back(static_cast<char>((bits >> (8 * i)) & 0xff));
    }
    void text(const char* s)
    {
        const std::size_t n = s ? std::strlen(s) : 0;
        u32(static_cast<std::uint32_t>(n));
        m_frame.append(s ? s : "", n);
    }

    // Writes the frame built since the last one; false when a row would make the stream too
    // large (the few bytes of the closing frames are kept free).
    bool frame(FrameKind kind)
    {
        const std::size_t size = 5 + m_frame.size();
        if (kind == FrameRow && m_written + size > kMaxStreamBytes - 64) {
            m_frame.clear();
            return false;
        }
        std::string head;
        head.push_back(static_cast<char>(kind));
        const auto n = static_cast<std::uint32_t>(m_frame.size());
        for (int i = 0; i < 4; ++i)
            head.push_back(static_cast<char>((n >> (8 * i)) & 0xff));
        std::fwrite(head.data(), 1, head.size(), stdout);
        std::fwrite(m_frame.data(), 1, m_frame.size(), stdout);
        m_written += size;
        m_frame.clear();
        return true;
    }

    void discard() { m_frame.clear(); }

    void failure(std::int32_t reason, std::uint32_t a = 0, std::uint32_t b = 0)
    {
        m_frame.clear();
        i32(reason);
        u32(a);
        u32(b);
        frame(FrameFailure);
    }

private:
    std::string m_frame;
    std::size_t m_written = sizeof kMagic;
};

// FreeXL's handle, closed on every path: freexl_open allocates even when it fails.
class Workbook
{
public:
    ~Workbook()
    {
        if (m_handle)
            freexl_close(m_handle);
    }
    const void* m_handle = nullptr;
};

bool isSheet1(const char* name, bool exact)
{
    if (!name)
        return false;
    if (exact)
        return std::strcmp(name, "Sheet1") == 0;
    // Excel treats sheet names without regard to case.
    return strcasecmp(name, "Sheet1") == 0;
}

// The index of Sheet1 wherever it stands, the exact spelling first; -1 when there is none.
int findSheet1(const void* handle, unsigned int sheetCount)
{
    for (bool exact : {true, false}) {
        for (unsigned int i = 0; i < sheetCount && i < 65536; ++i) {
            const char* name = nullptr;
            if (freexl_get_worksheet_name(handle, static_cast<unsigned short>(i), &name) ==
                    FREEXL_OK &&
                isSheet1(name, exact))
                return static_cast<int>(i);
        }
    }
    return -1;
}

// Appends one cell; FREEXL_OK, or why the cell cannot be given (nothing appended then).
int appendCell(Output& out, const void* handle, unsigned int row, unsigned short column)
{
    FreeXL_CellValue value;
    const int rc = freexl_get_cell_value(handle, row, column, &value);
    if (rc != FREEXL_OK)
        return rc;
    switch (value.type) {
    case FREEXL_CELL_NULL:
        out.u8(CellEmpty);
        return FREEXL_OK;
    case FREEXL_CELL_INT:
        out.u8(CellInt);
        out.i32(value.value.int_value);
        return FREEXL_OK;
    case FREEXL_CELL_DOUBLE:
        out.u8(CellDouble);
        out.f64(value.value.double_value);
        return FREEXL_OK;
    case FREEXL_CELL_TEXT:
    case FREEXL_CELL_SST_TEXT:
        out.u8(CellText);
        break;
    case FREEXL_CELL_DATE:
        out.u8(CellDate);
        break;
    case FREEXL_CELL_DATETIME:
        out.u8(CellDateTime);
        break;
    case FREEXL_CELL_TIME:
        out.u8(CellTime);
        break;
    default:
        return ReasonUnknownCell;
    }
    out.text(value.value.text_value);
    return FREEXL_OK;
}

int run(int argc, char* argv[])
{
    Output out;
    if (argc != 2) {
        out.failure(ReasonUsage);
        return 0;
    }
    const char* path = argv[1];
    struct stat st;
    // A pipe or a device would block freexl_open or feed it without end.
    if (stat(path, &st) == 0 && !S_ISREG(st.st_mode)) {
        out.failure(ReasonNotRegular);
        return 0;
    }

    Workbook book;
    const int opened = freexl_open(path, &book.m_handle);
    if (opened != FREEXL_OK) {
        out.failure(opened);
        return 0;
    }
    if (!book.m_handle) {
        out.failure(ReasonNullHandle);
        return 0;
    }
    unsigned int sheetCount = 0;
    const int counted = freexl_get_info(book.m_handle, FREEXL_BIFF_SHEET_COUNT, &sheetCount);
    if (counted != FREEXL_OK) {
        out.failure(counted);
        return 0;
    }
    const int sheet = findSheet1(book.m_handle, sheetCount);
    if (sheet < 0) {
        out.failure(ReasonNoSheet1, sheetCount);
        return 0;
    }
    const int selected =
        freexl_select_active_worksheet(book.m_handle, static_cast<unsigned short>(sheet));
    if (selected != FREEXL_OK) {
        out.failure(selected);
        return 0;
    }
    unsigned int rows = 0;
    unsigned short columns = 0;
    const int measured = freexl_worksheet_dimensions(book.m_handle, &rows, &columns);
    if (measured != FREEXL_OK) {
        out.failure(measured);
        return 0;
    }
    if (rows > kMaxRows || columns > kMaxColumns) {
        out.failure(ReasonAbsurdSize, rows, columns);
        return 0;
    }

    // The first row holds the headings; the rows after it are the records.
    const unsigned int records = rows > 0 ? rows - 1 : 0;
    out.u32(records);
    out.u32(columns);
    out.frame(FrameSheet);
    unsigned int written = 0;
    for (unsigned int r = 1; r < rows; ++r) {
        for (unsigned short c = 0; c < columns; ++c) {
            const int rc = appendCell(out, book.m_handle, r, c);
            if (rc != FREEXL_OK) {
                // The rows before stay readable; the station reports this one when it gets here.
                out.discard();
                out.i32(rc);
                out.u32(r);
                out.u32(c);
                out.frame(FrameRowError);
                out.u32(written);
                out.frame(FrameEnd);
                return 0;
            }
        }
        if (!out.frame(FrameRow)) {
            out.failure(ReasonTooLarge);
            return 0;
        }
        ++written;
    }
    out.u32(written);
    out.frame(FrameEnd);
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    setLimits();
    std::setvbuf(stdout, nullptr, _IOFBF, 1 << 16);
    const int status = run(argc, argv);
    // A stream that did not reach the station whole is no result.
    if (std::fflush(stdout) != 0 || std::ferror(stdout))
        return 3;
    return status;
}
