#include "XlsSheet.h"

#include "TextRules.h"
#include "XlsFrameFormat.h"

#include <QByteArrayView>
#include <QtEndian>

#include <cstring>

namespace store
{

namespace
{

using namespace xlsframes;

// Walks the stream; every read says whether the bytes were there.
class Cursor
{
public:
    explicit Cursor(const QByteArray& data) : m_data(data) {}

    qsizetype pos() const { return m_pos; }
    qsizetype left() const { return m_data.size() - m_pos; }
    bool atEnd() const { return m_pos >= m_data.size(); }
    void seek(qsizetype pos) { m_pos = pos; }

    bool bytes(qsizetype n, const char*& out)
    {
        if (n < 0 || n > left())
            return false;
        out = m_data.constData() + m_pos;
        m_pos += n;
        return true;
    }
    bool u8(quint8& v)
    {
        const char* p;
        if (!bytes(1, p))
            return false;
        v = quint8(*p);
        return true;
    }
    bool u32(quint32& v)
    {
        const char* p;
        if (!bytes(4, p))
            return false;
        v = qFromLittleEndian<quint32>(p);
        return true;
    }
    bool i32(qint32& v)
    {
        quint32 u;
        if (!u32(u))
            return false;
        v = qint32(u);
        return true;
    }
    bool f64(double& v)
    {
        const char* p;
        if (!bytes(8, p))
            return false;
        const quint64 bits = qFromLittleEndian<quint64>(p);
        std::memcpy(&v, &bits, sizeof v);
        return true;
    }
    bool text(QByteArrayView& v)
    {
        quint32 n;
        const char* p;
        if (!u32(n) || !bytes(qsizetype(n), p))
            return false;
        v = QByteArrayView(p, qsizetype(n));
        return true;
    }

private:
    const QByteArray& m_data;
    qsizetype m_pos = 0;
};

// One cell of a row frame; false when the bytes are not a cell.
bool checkCell(Cursor& c)
{
    quint8 type;
    if (!c.u8(type))
        return false;
    switch (type) {
    case CellEmpty:
        return true;
    case CellInt: {
        qint32 v;
        return c.i32(v);
    }
    case CellDouble: {
        double v;
        return c.f64(v);
    }
    case CellText:
    case CellDate:
    case CellDateTime:
    case CellTime: {
        QByteArrayView v;
        return c.text(v) && v.isValidUtf8();
    }
    default:
        return false;
    }
}

QString freexlReason(qint32 code)
{
    struct Known {
        qint32 code;
        const char* name;
        const char16_t* words;
    };
    static const Known known[] = {
        {-1, "FREEXL_FILE_NOT_FOUND", u"文件不存在或无法打开"},
        {-2, "FREEXL_NULL_HANDLE", u"读取库内部错误:空句柄"},
        {-3, "FREEXL_INVALID_HANDLE", u"读取库内部错误:无效句柄"},
        {-4, "FREEXL_INSUFFICIENT_MEMORY", u"读取所需的内存超出了限制,文件可能已损坏"},
        {-5, "FREEXL_NULL_ARGUMENT", u"读取库内部错误:空参数"},
        {-6, "FREEXL_INVALID_INFO_ARG", u"读取库内部错误:无效的查询参数"},
        {-7, "FREEXL_INVALID_CFBF_HEADER", u"不是Excel工作簿,文件头无效"},
        {-8, "FREEXL_CFBF_READ_ERROR", u"文件读取出错,文件可能已损坏或不完整"},
        {-9, "FREEXL_CFBF_SEEK_ERROR", u"文件定位出错,文件可能已损坏或不完整"},
        {-10, "FREEXL_CFBF_INVALID_SIGNATURE", u"不是Excel工作簿,复合文档签名无效"},
        {-11, "FREEXL_CFBF_INVALID_SECTOR_SIZE", u"复合文档的扇区大小无效,文件已损坏"},
        {-12, "FREEXL_CFBF_EMPTY_FAT_CHAIN", u"复合文档的FAT链为空,文件已损坏"},
        {-13, "FREEXL_CFBF_ILLEGAL_FAT_ENTRY", u"复合文档含有无效的FAT项,文件已损坏"},
        {-14, "FREEXL_BIFF_INVALID_BOF", u"工作簿的BOF记录无效,文件已损坏或不是Excel工作簿"},
        {-15, "FREEXL_BIFF_INVALID_SST", u"共享字符串表无效,文件已损坏"},
        {-16, "FREEXL_BIFF_ILLEGAL_SST_INDEX", u"单元格引用了不存在的共享字符串,文件已损坏"},
        {-17, "FREEXL_BIFF_WORKBOOK_NOT_FOUND", u"文件中没有工作簿数据"},
        {-18, "FREEXL_BIFF_ILLEGAL_SHEET_INDEX", u"工作表序号无效"},
        {-19, "FREEXL_BIFF_UNSELECTED_SHEET", u"没有选中工作表"},
        {-20, "FREEXL_INVALID_CHARACTER", u"文字编码转换时遇到无效字符"},
        {-21, "FREEXL_UNSUPPORTED_CHARSET", u"不支持工作簿所用的字符集"},
        {-22, "FREEXL_ILLEGAL_CELL_ROW_COL", u"单元格位置超出了工作表的范围"},
        {-23, "FREEXL_ILLEGAL_RK_VALUE", u"数值单元格无法转换"},
        {-24, "FREEXL_INVALID_MINI_STREAM", u"复合文档的迷你流无效,文件已损坏"},
        {-25, "FREEXL_CFBF_ILLEGAL_MINI_FAT_ENTRY", u"复合文档含有无效的迷你FAT项,文件已损坏"},
        {-26, "FREEXL_CRAFTED_FILE", u"文件严重损坏或是蓄意构造的"},
    };
    for (const Known& k : known)
        if (k.code == code)
            return QStringLiteral("%1(FreeXL %2)")
                .arg(QString::fromUtf16(k.words), QLatin1String(k.name));
    return QStringLiteral("FreeXL报告了未知的错误(%1)").arg(code);
}

} // namespace

QString describeReaderReason(qint32 reason, quint32 a, quint32 b)
{
    switch (reason) {
    case ReasonNoSheet1:
        return QStringLiteral("工作簿中没有名为Sheet1的工作表");
    case ReasonNullHandle:
        return QStringLiteral("文件已损坏:打开后没有得到工作簿(FreeXL FREEXL_OK, NULL)");
    case ReasonAbsurdSize:
        return QStringLiteral("工作表声明的大小(%1行×%2列)超出了Excel文件所能容纳的范围,"
                              "文件已损坏")
            .arg(a)
            .arg(b);
    case ReasonNotRegular:
        return QStringLiteral("不是普通文件");
    case ReasonTooLarge:
        return QStringLiteral("工作表的内容超过%1 MB").arg(kMaxStreamBytes >> 20);
    case ReasonUsage:
        return QStringLiteral("读取程序的调用有误");
    case ReasonUnknownCell:
        return QStringLiteral("单元格类型(%1)无法识别").arg(a);
    default:
        return reason < 0 ? freexlReason(reason)
                          : QStringLiteral("读取程序报告了未知的错误(%1)").arg(reason);
    }
}

QString cellText(double dValue)
{
    if (dValue == 0.0)
        return QStringLiteral("0"); // also -0
    // Fifteen significant digits, as the automation conversion gives them: 69.5 reads "69.5",
    // 2103001.0 reads "2103001".
    return QString::number(dValue, 'g', 15);
}

void XlsSheet::reset()
{
    m_stream.clear();
    m_rowCells.clear();
    m_lRecordCount = 0;
    m_lFieldCount = 0;
    m_strRowError.clear();
}

bool XlsSheet::fail(QString& strError, const QString& why)
{
    reset();
    strError = QStringLiteral("读取程序的输出无效(%1)").arg(why);
    return false;
}

bool XlsSheet::parse(QByteArray baStream, QString& strError)
{
    reset();
    m_stream = std::move(baStream);

    Cursor c(m_stream);
    const char* magic;
    if (!c.bytes(sizeof kMagic, magic) || std::memcmp(magic, kMagic, sizeof kMagic) != 0)
        return fail(strError, QStringLiteral("开头标记不对"));
    bool haveSheet = false;
    bool ended = false;
    while (!c.atEnd()) {
        if (ended)
            return fail(strError, QStringLiteral("结束标记之后还有数据"));
        quint8 kind;
        quint32 length;
        if (!c.u8(kind) || !c.u32(length) || qsizetype(length) > c.left())
            return fail(strError, QStringLiteral("数据不完整"));
        const qsizetype frameEnd = c.pos() + qsizetype(length);
        bool whole = true;
        switch (kind) {
        case FrameFailure: {
            qint32 reason;
            quint32 a, b;
            if (length != 12 || !c.i32(reason) || !c.u32(a) || !c.u32(b))
                return fail(strError, QStringLiteral("错误报告的长度不对"));
            reset();
            strError = describeReaderReason(reason, a, b);
            return false;
        }
        case FrameSheet: {
            quint32 records, fields;
            if (haveSheet || length != 8 || !c.u32(records) || !c.u32(fields))
                return fail(strError, QStringLiteral("工作表信息不对"));
            if (records >= kMaxRows || fields > kMaxColumns)
                return fail(strError, QStringLiteral("工作表的大小不可能"));
            m_lRecordCount = long(records);
            m_lFieldCount = long(fields);
            m_rowCells.reserve(m_lRecordCount);
            haveSheet = true;
            break;
        }
        case FrameRow: {
            if (!haveSheet || !m_strRowError.isEmpty() || m_rowCells.size() >= m_lRecordCount)
                return fail(strError, QStringLiteral("多余的行"));
            const qsizetype start = c.pos();
            for (long i = 0; i < m_lFieldCount && whole; ++i)
                whole = checkCell(c) && c.pos() <= frameEnd;
            if (!whole || c.pos() != frameEnd)
                return fail(strError,
                            QStringLiteral("第%1行的单元格不对").arg(m_rowCells.size() + 2));
            m_rowCells.append(start);
            break;
        }
        case FrameRowError: {
            qint32 reason;
            quint32 row, column;
            if (!haveSheet || !m_strRowError.isEmpty() || length != 12 || !c.i32(reason) ||
                !c.u32(row) || !c.u32(column) || row != quint32(m_rowCells.size() + 1))
                return fail(strError, QStringLiteral("行错误的报告不对"));
            // Rows and columns as the teacher sees them in the spreadsheet program.
            m_strRowError = QStringLiteral("第%1行第%2列的单元格无法读取:%3")
                                .arg(row + 1)
                                .arg(column + 1)
                                .arg(describeReaderReason(reason));
            break;
        }
        case FrameEnd: {
            quint32 rows;
            if (!haveSheet || length != 4 || !c.u32(rows) || rows != quint32(m_rowCells.size()) ||
                (m_strRowError.isEmpty() && m_rowCells.size() != m_lRecordCount))
                return fail(strError, QStringLiteral("行数不对"));
            ended = true;
            break;
        }
        default:
            return fail(strError, QStringLiteral("未知的数据类型%1").arg(kind));
        }
        c.seek(frameEnd);
    }
    if (!ended)
        return fail(strError, QStringLiteral("数据不完整"));
    return true;
}

QStringList XlsSheet::row(qsizetype i) const
{
    QStringList cells;
    if (i < 0 || i >= m_rowCells.size())
        return cells;
    cells.reserve(m_lFieldCount);
    Cursor c(m_stream);
    c.seek(m_rowCells.at(i));
    for (long k = 0; k < m_lFieldCount; ++k) {
        quint8 type = CellEmpty;
        c.u8(type);
        switch (type) {
        case CellInt: {
            qint32 v = 0;
            c.i32(v);
            cells.append(QString::number(v));
            break;
        }
        case CellDouble: {
            double v = 0;
            c.f64(v);
            cells.append(cellText(v));
            break;
        }
        case CellText:
        case CellDate:
        case CellDateTime:
        case CellTime: {
            QByteArrayView v;
            c.text(v);
            cells.append(platform::trimBlanks(QString::fromUtf8(v)));
            break;
        }
        default:
            cells.append(QString());
            break;
        }
    }
    return cells;
}

} // namespace store
