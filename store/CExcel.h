#pragma once

#include "XlsReaderProcess.h"

#include <QString>
#include <QStringList>

#include <memory>

namespace store
{
class XlsSheet;
}

// Reads the sheet named Sheet1 of an .xls workbook row by row, every cell as text. The first
// row holds the headings; each following row of the used range is one record, an empty row a
// record of empty texts. The workbook is parsed by the reader process, never in this process,
// so a damaged file can only make Open fail.
class CExcel
{
public:
    CExcel();
    explicit CExcel(store::XlsReaderProcess reader);
    ~CExcel();
    CExcel(const CExcel&) = delete;
    CExcel& operator=(const CExcel&) = delete;

    // 1 with the sheet's rows ready and the counts set; 0 after the error report (counts 0).
    // Closes a workbook opened before.
    int Open(QString strFile);
    // 1 and the next row's m_lFieldCount texts in saCol; 0 at the end (saCol untouched), or
    // after the error report when the row cannot be read or no workbook is open.
    int GetRec(QStringList& saCol);
    // True when the last Open failed or a row could not be read: the reading was broken off
    // by an error, not ended by the last row.
    bool failed() const { return m_bFailed; }

    long m_lFieldCount = 0;
    long m_lRecordCount = 0;

private:
    void close();

    store::XlsReaderProcess m_reader;
    std::unique_ptr<store::XlsSheet> m_pSheet; // null until Open succeeded
    qsizetype m_iNextRow = 0;
    bool m_bRowErrorShown = false;
    bool m_bFailed = false;
};
