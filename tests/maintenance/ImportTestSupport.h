#pragma once

// Shared by the workbook import tests: where the workbooks are, and the boxes, list rows and
// table rows an import leaves, in forms QCOMPARE prints readably.
#include "ListView.h"
#include "MessageService.h"
#include "RecordingMessageService.h"
#include "StoreTestSupport.h"

#include <QDir>
#include <QStringList>

namespace importtest
{

inline QString workbook(const QString& name)
{
    return QStringLiteral(SORVIK_TEST_WORKBOOKS_DIR "/") + name;
}

inline QString sample(const QString& name)
{
    return QStringLiteral(SORVIK_SAMPLES_DIR "/") + name;
}

inline QStringList damagedWorkbooks()
{
    const QDir dir(QStringLiteral(SORVIK_FIXTURES_DIR "/external/xls-malformed"));
    QStringList paths;
    for (const QString& f : dir.entryList({QStringLiteral("*.xls")}, QDir::Files))
        paths << dir.filePath(f);
    return paths;
}

inline QString iconName(platform::Icon icon)
{
    switch (icon) {
    case platform::Icon::Information:
        return QStringLiteral("information");
    case platform::Icon::Warning:
        return QStringLiteral("warning");
    case platform::Icon::Stop:
        return QStringLiteral("stop");
    case platform::Icon::Question:
        return QStringLiteral("question");
    case platform::Icon::None:
        break;
    }
    return QStringLiteral("none");
}

// "caption | icon | text"; the application's own title is written "APP".
inline QString box(const QString& caption, platform::Icon icon, const QString& text)
{
    return caption + QStringLiteral(" | ") + iconName(icon) + QStringLiteral(" | ") + text;
}

inline QString appBox(const QString& text)
{
    return box(QStringLiteral("APP"), platform::Icon::Warning, text);
}

inline QStringList boxes(const platform::RecordingMessageService& service)
{
    QStringList out;
    for (const auto& s : service.shown()) {
        const QString caption =
            s.caption == platform::applicationTitle() ? QStringLiteral("APP") : s.caption;
        out << box(caption, s.icon, s.text);
    }
    return out;
}

// A data-access report as the boxes above show it: only its head, the description cut off.
inline QStringList withReportsCut(QStringList shown)
{
    for (QString& s : shown) {
        const qsizetype at = s.indexOf(QStringLiteral("处发生异常:"));
        if (at >= 0)
            s = s.left(at + 6);
    }
    return shown;
}

inline QString reportHead(const QString& signature)
{
    return appBox(QStringLiteral("在") + signature + QStringLiteral("处发生异常:"));
}

inline QList<QStringList> listRows(const platform::MemoryListView& list)
{
    QList<QStringList> rows;
    for (int r = 0; r < list.rowCount(); ++r)
        rows << list.row(r);
    return rows;
}

// Every row of a table, each value as text, in rowid order.
inline QList<QStringList> tableRows(const CDB& db, const QString& table, const QStringList& columns)
{
    QList<QStringList> out;
    for (const QVariantList& row : storetest::rowsOf(db, table, columns)) {
        QStringList texts;
        for (const QVariant& v : row)
            texts << (v.isNull() ? QStringLiteral("NULL") : v.toString());
        out << texts;
    }
    return out;
}

// "pupil item value previous source origin" per history entry, oldest first.
inline QStringList history(const CDB& db)
{
    QStringList out;
    for (const QStringList& r : tableRows(
             db, QStringLiteral("STU_ValueHistory"),
             {QStringLiteral("STU_ID"), QStringLiteral("Object_ID"), QStringLiteral("ObjectValue"),
              QStringLiteral("PreviousValue"), QStringLiteral("Source"), QStringLiteral("Origin")}))
        out << r.join(QLatin1Char(' '));
    return out;
}

inline QList<QStringList> pupils(const CDB& db)
{
    return tableRows(db, QStringLiteral("STU_Main"),
                     {QStringLiteral("StuNo"), QStringLiteral("StuName"),
                      QStringLiteral("Class_ID"), QStringLiteral("GroupNo"),
                      QStringLiteral("GroupName"), QStringLiteral("Nation_ID"),
                      QStringLiteral("Sex"), QStringLiteral("Birthday"), QStringLiteral("Address"),
                      QStringLiteral("AreaCode")});
}

inline QStringList studentNumbers(const CDB& db)
{
    QStringList out;
    for (const QStringList& p : pupils(db))
        out << p.at(0);
    return out;
}

} // namespace importtest
