// sorvik-mdb-reader: reads an Access (Jet 3/4) file with libmdb and writes its user tables,
// row after row, as frames (MdbFrames.h) on standard output.
//   sorvik-mdb-reader FILE
// It runs as a process of its own under the memory and time limits its parent sets, because
// libmdb crashes, hangs or allocates without bound on some damaged files. It never writes to
// the file: libmdb opens it read-only.
#include "MdbFrames.h"

#include <glib.h>
// glib first: mdbtools.h uses its types without including it in C++.
#include <mdbtools.h>

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

namespace
{

using namespace mdbframes;

// Collects frames and writes them to standard output in large pieces.
class FrameWriter
{
public:
    ~FrameWriter() { flush(); }

    void begin(Kind kind)
    {
        m_start = m_buf.size();
        m_buf.push_back(static_cast<char>(kind));
        u32(0);
    }
    void end()
    {
        const std::uint32_t length = static_cast<std::uint32_t>(m_buf.size() - m_start - 5);
        for (int i = 0; i < 4; ++i)
            m_buf[m_start + 1 + i] = static_cast<char>((length >> (8 * i)) & 0xFF);
        if (m_buf.size() >= (1u << 16))
            flush();
    }
    void u8(std::uint8_t v) { m_buf.push_back(static_cast<char>(v)); }
    void u16(std::uint16_t v)
    {
        for (int i = 0; i < 2; ++i)
            u8(static_cast<std::uint8_t>(v >> (8 * i)));
    }
    void u32(std::uint32_t v)
    {
        for (int i = 0; i < 4; ++i)
            u8(static_cast<std::uint8_t>(v >> (8 * i)));
    }
    void u64(std::uint64_t v)
    {
        for (int i = 0; i < 8; ++i)
            u8(static_cast<std::uint8_t>(v >> (8 * i)));
    }
    void f64(double d)
    {
        std::uint64_t bits;
        std::memcpy(&bits, &d, sizeof bits);
        u64(bits);
    }
    void bytes(const char* data, std::size_t size)
    {
        u32(static_cast<std::uint32_t>(size));
        m_buf.append(data, size);
    }
    void text(const std::string& s) { bytes(s.data(), s.size()); }

    void flush()
    {
        std::size_t done = 0;
        while (done < m_buf.size()) {
            const ssize_t n = ::write(STDOUT_FILENO, m_buf.data() + done, m_buf.size() - done);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                std::_Exit(4); // the converter has gone: nobody is left to tell
            done += static_cast<std::size_t>(n);
        }
        m_buf.clear();
    }

private:
    std::string m_buf;
    std::size_t m_start = 0;
};

FrameWriter out;

[[noreturn]] void giveUp(const std::string& message)
{
    out.begin(Error);
    out.text(message);
    out.end();
    out.flush();
    std::exit(3);
}

struct Damaged {
    std::string what;
};

std::string toUtf8(MdbHandle* mdb, const void* src, std::size_t size)
{
    if (size == 0)
        return {};
    // A byte becomes at most three bytes of UTF-8 (a compressed Jet 4 character or a one-byte
    // Jet 3 character); the library writes a terminating zero after what it converted.
    std::vector<char> dest(size * 3 + 16);
    const int n =
        mdb_unicode2ascii(mdb, static_cast<const char*>(src), size, dest.data(), dest.size() - 1);
    return std::string(dest.data(), n > 0 ? static_cast<std::size_t>(n) : 0);
}

// A memo or OLE value: a 12-byte header in the row (length with flags, then where the data
// is), the data in the row itself, in one row of a long-value page, or in a chain of them.
std::string readLongValue(MdbHandle* mdb, int start, int size, unsigned long pages)
{
    if (size < MDB_MEMO_OVERHEAD)
        throw Damaged{"long value header cut short"};
    const std::uint32_t head = static_cast<std::uint32_t>(mdb_get_int32(mdb->pg_buf, start));
    const std::uint32_t length = head & 0x3FFFFFFFu;
    if (head & 0x80000000u)
        return std::string(reinterpret_cast<const char*>(mdb->pg_buf) + start + MDB_MEMO_OVERHEAD,
                           static_cast<std::size_t>(size - MDB_MEMO_OVERHEAD));
    int pgRow = static_cast<int>(mdb_get_int32(mdb->pg_buf, start + 4));
    void* buf = nullptr;
    int rowStart = 0;
    std::size_t rowSize = 0;
    if (head & 0x40000000u) {
        if (mdb_find_pg_row(mdb, pgRow, &buf, &rowStart, &rowSize))
            throw Damaged{"long value page missing"};
        return std::string(static_cast<const char*>(buf) + rowStart, rowSize);
    }
    if (head & 0xC0000000u)
        throw Damaged{"unknown long value flags"};
    std::string value;
    // A chain that loops or runs past the declared length is damage, not data.
    for (unsigned long hops = 0; pgRow != 0; ++hops) {
        if (hops > pages || mdb_find_pg_row(mdb, pgRow, &buf, &rowStart, &rowSize) || rowSize < 4 ||
            value.size() + rowSize - 4 > length)
            throw Damaged{"long value chain broken"};
        value.append(static_cast<const char*>(buf) + rowStart + 4, rowSize - 4);
        pgRow = static_cast<int>(mdb_get_int32(buf, rowStart));
    }
    return value;
}

double shortestDouble(float f)
{
    char text[32];
    const auto r = std::to_chars(text, text + sizeof text, f);
    *r.ptr = '\0';
    return std::strtod(text, nullptr);
}

void writeValue(MdbHandle* mdb, MdbColumn* col, const MdbField& field, unsigned long pages)
{
    const int type = col->col_type;
    if (type == MDB_BOOL) { // the value is the null-mask bit
        out.u8(Integer);
        out.u64(field.is_null ? 0 : 1);
        return;
    }
    if (field.is_null) {
        out.u8(Null);
        return;
    }
    const int start = field.start;
    const int size = field.siz;
    auto need = [&](int bytes) {
        if (size < bytes || start < 0 || start + bytes > mdb->fmt->pg_size)
            throw Damaged{"value outside its row"};
    };
    switch (type) {
    case MDB_BYTE:
        need(1);
        out.u8(Integer);
        out.u64(mdb->pg_buf[start]);
        return;
    case MDB_INT:
        need(2);
        out.u8(Integer);
        out.u64(static_cast<std::uint64_t>(static_cast<std::int64_t>(
            static_cast<std::int16_t>(mdb_get_int16(mdb->pg_buf, start)))));
        return;
    case MDB_LONGINT:
        need(4);
        out.u8(Integer);
        out.u64(static_cast<std::uint64_t>(static_cast<std::int64_t>(
            static_cast<std::int32_t>(mdb_get_int32(mdb->pg_buf, start)))));
        return;
    case MDB_MONEY: {
        need(8);
        std::int64_t units;
        std::memcpy(&units, mdb->pg_buf + start, sizeof units);
        out.u8(Real);
        out.f64(static_cast<double>(units) / 10000.0);
        return;
    }
    case MDB_FLOAT:
        need(4);
        out.u8(Real);
        out.f64(shortestDouble(mdb_get_single(mdb->pg_buf, start)));
        return;
    case MDB_DOUBLE:
        need(8);
        out.u8(Real);
        out.f64(mdb_get_double(mdb->pg_buf, start));
        return;
    case MDB_DATETIME:
        need(8);
        out.u8(Date);
        out.f64(mdb_get_double(mdb->pg_buf, start));
        return;
    case MDB_TEXT:
        need(0);
        if (start + size > mdb->fmt->pg_size)
            throw Damaged{"text outside its row"};
        out.u8(Text);
        out.text(toUtf8(mdb, mdb->pg_buf + start, static_cast<std::size_t>(size)));
        return;
    case MDB_MEMO: {
        const std::string raw = readLongValue(mdb, start, size, pages);
        out.u8(Text);
        out.text(toUtf8(mdb, raw.data(), raw.size()));
        return;
    }
    case MDB_OLE: {
        const std::string raw = readLongValue(mdb, start, size, pages);
        out.u8(Blob);
        out.bytes(raw.data(), raw.size());
        return;
    }
    case MDB_REPID: {
        need(16);
        char* guid = mdb_uuid_to_string(mdb->pg_buf, start);
        out.u8(Text);
        out.text(guid);
        g_free(guid);
        return;
    }
    case MDB_NUMERIC: {
        need(17);
        char* number = mdb_numeric_to_string(mdb, start, col->col_scale, col->col_prec);
        out.u8(Real);
        out.f64(std::strtod(number, nullptr));
        g_free(number);
        return;
    }
    default: // binary and anything newer: the bytes as they are
        if (start < 0 || size < 0 || start + size > mdb->fmt->pg_size)
            throw Damaged{"value outside its row"};
        out.u8(Blob);
        out.bytes(reinterpret_cast<const char*>(mdb->pg_buf) + start,
                  static_cast<std::size_t>(size));
        return;
    }
}

// Jet 3 text is in the code page of the system that wrote the file; the station's files
// come from Chinese systems (code page 936), so that is assumed unless the file names another.
void chooseJet3Charset(MdbHandle* mdb)
{
    if (!IS_JET3(mdb))
        return;
    const unsigned codePage = mdb->f->code_page;
    const std::string charset =
        (codePage == 0 || codePage == 936) ? std::string("CP936") : "CP" + std::to_string(codePage);
    setenv("MDB_JET3_CHARSET", charset.c_str(), 1);
    mdb_iconv_close(mdb);
    mdb_iconv_init(mdb);
}

void sendTable(MdbHandle* mdb, MdbTableDef* table, unsigned long pages)
{
    out.begin(Table);
    out.text(table->name);
    out.u32(table->num_rows);
    out.u16(static_cast<std::uint16_t>(table->num_cols));
    for (unsigned i = 0; i < table->num_cols; ++i) {
        auto* col = static_cast<MdbColumn*>(g_ptr_array_index(table->columns, i));
        out.text(col->name);
        out.u8(static_cast<std::uint8_t>(col->col_type));
        out.u16(static_cast<std::uint16_t>(col->col_size));
    }
    out.end();
    // Should the library fail on this table, the converter knows which one it was.
    out.flush();

    std::vector<MdbField> fields(table->num_cols);
    std::uint32_t sent = 0;
    mdb_rewind_table(table);
    while (mdb_fetch_row(table)) {
        // The library has found the row; crack it again to tell null from empty and to read
        // the values as they are stored instead of as formatted text.
        int rowStart = 0;
        std::size_t rowSize = 0;
        const int row = static_cast<int>(table->cur_row) - 1;
        try {
            if (mdb_find_row(mdb, row, &rowStart, &rowSize) != 0)
                throw Damaged{"row offset outside its page"};
            rowStart &= 0x1FFF;
            if (mdb_crack_row(table, rowStart, rowSize, fields.data()) < 0)
                throw Damaged{"row layout broken"};
            out.begin(Row);
            for (unsigned i = 0; i < table->num_cols; ++i)
                writeValue(mdb, static_cast<MdbColumn*>(g_ptr_array_index(table->columns, i)),
                           fields[i], pages);
            out.end();
        } catch (const Damaged& d) {
            giveUp(std::string("table ") + table->name + ", row " + std::to_string(sent + 1) +
                   ": " + d.what);
        }
        ++sent;
    }
    out.begin(TableEnd);
    out.u32(sent);
    out.end();
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: sorvik-mdb-reader FILE\n");
        return 2;
    }
    MdbHandle* mdb = mdb_open(argv[1], MDB_NOFLAGS);
    if (!mdb)
        giveUp("not an Access database, or it cannot be opened");
    chooseJet3Charset(mdb);

    const off_t fileSize = [&] {
        struct stat st {
        };
        return ::stat(argv[1], &st) == 0 ? st.st_size : 0;
    }();
    const unsigned long pages =
        static_cast<unsigned long>(fileSize / static_cast<off_t>(mdb->fmt->pg_size));
    out.begin(File);
    out.u8(static_cast<std::uint8_t>(mdb->f->jet_version));
    out.u32(static_cast<std::uint32_t>(mdb->fmt->pg_size));
    out.end();

    GPtrArray* catalog = mdb_read_catalog(mdb, MDB_TABLE);
    if (!catalog)
        giveUp("the table list cannot be read");
    std::vector<MdbTableDef*> tables;
    for (unsigned i = 0; i < catalog->len; ++i) {
        auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(catalog, i));
        if (!mdb_is_user_table(entry))
            continue;
        MdbTableDef* table = mdb_read_table(entry);
        if (!table || !mdb_read_columns(table))
            giveUp(std::string("the definition of table ") + entry->object_name +
                   " cannot be read");
        tables.push_back(table);
    }
    out.begin(Catalog);
    out.u32(static_cast<std::uint32_t>(tables.size()));
    for (MdbTableDef* t : tables) {
        out.text(t->name);
        out.u32(t->num_rows);
        out.u16(static_cast<std::uint16_t>(t->num_cols));
    }
    out.end();
    // The converter may stop here (station tables missing); let it see the catalog at once.
    out.flush();

    for (MdbTableDef* t : tables) {
        sendTable(mdb, t, pages);
        mdb_free_tabledef(t);
    }
    out.begin(Done);
    out.end();
    out.flush();
    mdb_close(mdb);
    return 0;
}
