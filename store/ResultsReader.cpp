#include "ResultsReader.h"

#include "FieldValues.h"
#include "SqlConnection.h"

namespace store
{

const ResultItem* ResultsData::item(long code) const
{
    for (const ResultItem& i : items)
        if (i.code == code)
            return &i;
    return nullptr;
}

ResultsData ResultsReader::read(SqlConnection& conn, const QString& classNo)
{
    ResultsData data;
    const QStringList tables = conn.tableNames();
    const bool cards = tables.contains(QStringLiteral("STU_Card"), Qt::CaseInsensitive);
    const QString where = classNo.isEmpty() ? QString() : QStringLiteral(" WHERE m.GroupNo = ?");
    const QVariantList params = classNo.isEmpty() ? QVariantList() : QVariantList{classNo};

    const ResultTable pupils = conn.query(
        QStringLiteral("SELECT m.STU_ID, m.StuNo, m.StuName, m.Sex, m.Class_ID, m.GroupNo, "
                       "m.GroupName, %1 FROM STU_Main m %2%3 ORDER BY m.GroupNo, m.STU_ID")
            .arg(cards ? QStringLiteral("c.CardNO") : QStringLiteral("NULL"),
                 cards ? QStringLiteral("LEFT JOIN (SELECT StuID, MIN(CardNO) AS CardNO FROM "
                                        "STU_Card GROUP BY StuID) c ON c.StuID = m.STU_ID")
                       : QString(),
                 where),
        params);
    data.pupils.reserve(size_t(pupils.rowCount()));
    for (int r = 0; r < pupils.rowCount(); ++r)
        data.pupils.push_back({pupils.at(r, 0).toLongLong(), textOrEmpty(pupils.at(r, 1)),
                               textOrEmpty(pupils.at(r, 2)), textOrEmpty(pupils.at(r, 3)),
                               long(pupils.at(r, 4).toLongLong()), textOrEmpty(pupils.at(r, 5)),
                               textOrEmpty(pupils.at(r, 6)), textOrEmpty(pupils.at(r, 7))});

    const ResultTable values = conn.query(
        classNo.isEmpty()
            ? QStringLiteral("SELECT STU_ID, Object_ID, ObjectValue FROM STU_ObjectData")
            : QStringLiteral("SELECT v.STU_ID, v.Object_ID, v.ObjectValue FROM STU_ObjectData v "
                             "JOIN STU_Main m ON m.STU_ID = v.STU_ID WHERE m.GroupNo = ?"),
        params);
    data.values.reserve(values.rowCount());
    for (int r = 0; r < values.rowCount(); ++r) {
        const quint64 k =
            ResultsData::key(values.at(r, 0).toLongLong(), long(values.at(r, 1).toLongLong()));
        if (!data.values.contains(k))
            data.values.insert(k, values.at(r, 2));
    }

    if (ValueHistory::exists(conn))
        for (HistoryEntry& e : ValueHistory::latest(conn, classNo))
            data.latest.insert(ResultsData::key(e.stuId, long(e.itemId)), std::move(e));

    const ResultTable items = conn.query(
        QStringLiteral("SELECT code, value, Unit, SortIndex FROM Code03Dict ORDER BY code"));
    for (int r = 0; r < items.rowCount(); ++r)
        data.items.append({long(items.at(r, 0).toLongLong()), textOrEmpty(items.at(r, 1)),
                           textOrEmpty(items.at(r, 2)), items.at(r, 3).toInt()});

    const ResultTable grades =
        conn.query(QStringLiteral("SELECT nj, xb, prj1, prj2, prj3 FROM prjzb"));
    for (int r = 0; r < grades.rowCount(); ++r) {
        const QString k =
            ResultsData::gradeKey(long(grades.at(r, 0).toLongLong()), textOrEmpty(grades.at(r, 1)));
        if (!data.gradeItems.contains(k))
            data.gradeItems.insert(k, {long(grades.at(r, 2).toLongLong()),
                                       long(grades.at(r, 3).toLongLong()),
                                       long(grades.at(r, 4).toLongLong())});
    }
    return data;
}

} // namespace store
