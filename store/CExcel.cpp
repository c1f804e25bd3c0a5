#include "CExcel.h"

#include "CDB.h"
#include "XlsSheet.h"

namespace
{

QString openSignature()
{
    return QStringLiteral("Excel::Open(CString\tstrFile)");
}

QString getRecSignature()
{
    return QStringLiteral("int CExcel::GetRec(CStringArray saCol)");
}

} // namespace

CExcel::CExcel() = default;

CExcel::CExcel(store::XlsReaderProcess reader) : m_reader(std::move(reader)) {}

CExcel::~CExcel() = default;

void CExcel::close()
{
    m_pSheet.reset();
    m_lFieldCount = 0;
    m_lRecordCount = 0;
    m_iNextRow = 0;
    m_bRowErrorShown = false;
    m_bFailed = false;
}

int CExcel::Open(QString strFile)
{
    close();
    QByteArray stream;
    QString why;
    auto sheet = std::make_unique<store::XlsSheet>();
    if (!m_reader.run(strFile, stream, why) || !sheet->parse(std::move(stream), why)) {
        m_bFailed = true;
        ShowComError(openSignature(), QStringLiteral("无法读取Excel文件“%1”:%2").arg(strFile, why));
        return 0;
    }
    m_lFieldCount = sheet->fieldCount();
    m_lRecordCount = sheet->recordCount();
    m_pSheet = std::move(sheet);
    return 1;
}

int CExcel::GetRec(QStringList& saCol)
{
    if (!m_pSheet) {
        ShowComError(getRecSignature(), QStringLiteral("没有打开的Excel文件"));
        return 0;
    }
    if (m_iNextRow >= m_pSheet->readableRows()) {
        // The row that could not be read ends the reading; it is reported once.
        if (!m_pSheet->rowError().isEmpty() && !m_bRowErrorShown) {
            m_bRowErrorShown = true;
            m_bFailed = true;
            saCol.clear();
            ShowComError(getRecSignature(), m_pSheet->rowError());
        }
        return 0;
    }
    saCol = m_pSheet->row(m_iNextRow++);
    return 1;
}
