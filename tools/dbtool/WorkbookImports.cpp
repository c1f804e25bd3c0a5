#include "WorkbookImports.h"

#include "CDB.h"
#include "CardImport.h"
#include "ListView.h"
#include "MessageService.h"
#include "ResultsExport.h"
#include "ScoreImport.h"
#include "StudentImport.h"

#include <cstdio>
#include <type_traits>

namespace
{

// Prints each box as one line and answers as a teacher pressing OK (No to a question).
class PrintedMessages final : public platform::MessageService
{
public:
    PrintedMessages() : m_pBefore(&platform::messages()) { platform::setMessageService(this); }
    ~PrintedMessages() override { platform::setMessageService(m_pBefore); }

    platform::Answer show(const QString& text, const QString& caption, platform::Icon,
                          platform::Buttons buttons, QObject*) override
    {
        QString line = text;
        line.replace(QLatin1String("\r\n"), QLatin1String(" "));
        line.replace(QLatin1Char('\n'), QLatin1Char(' '));
        std::printf("%s: %s\n", qUtf8Printable(caption), qUtf8Printable(line.trimmed()));
        std::fflush(stdout);
        return buttons == platform::Buttons::YesNo ? platform::Answer::No : platform::Answer::Ok;
    }

private:
    platform::MessageService* m_pBefore;
};

template <typename Import> int runImport(const QString& strDBFile, const QString& strWorkbook)
{
    PrintedMessages messages;
    CDB db;
    if (!db.open(strDBFile))
        return 1; // the reason has been printed
    // As the station does at start: the card table is made when the file has none.
    if constexpr (std::is_same_v<Import, CardImport>)
        if (!db.CreateCardTable())
            return 1;
    platform::MemoryListView list;
    Import import(db, &list);
    const auto outcome = import.run(strWorkbook);
    db.close();
    return outcome == Import::Outcome::Finished ? 0 : 1;
}

} // namespace

int importStudents(const QString& strDBFile, const QString& strWorkbook)
{
    return runImport<StudentImport>(strDBFile, strWorkbook);
}

int importScores(const QString& strDBFile, const QString& strWorkbook)
{
    return runImport<ScoreImport>(strDBFile, strWorkbook);
}

int importCards(const QString& strDBFile, const QString& strWorkbook)
{
    return runImport<CardImport>(strDBFile, strWorkbook);
}

int exportResults(const QString& strDBFile, const QString& strWorkbook, const QString& classNo)
{
    PrintedMessages messages;
    CDB db;
    if (!db.open(strDBFile))
        return 1;
    const ResultsExport::Outcome o = ResultsExport::run(db, strWorkbook, classNo);
    db.close();
    if (!o.ok) {
        std::fprintf(stderr, "export-results: %s\n", qUtf8Printable(o.error));
        return 1;
    }
    std::printf("%d sheets, %d pupils: %s\n", o.sheets, o.pupils, qUtf8Printable(strWorkbook));
    return 0;
}
