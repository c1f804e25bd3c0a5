#include "ValueHistory.h"

#include "Clock.h"
#include "SqlConnection.h"

namespace store
{

namespace
{

struct SourceName {
    ValueSource kind;
    const char* code;
    const char* caption;
};

const SourceName kSources[] = {
    {ValueSource::Live, "live", "实时采集"},
    {ValueSource::Instrument, "instrument", "仪器导入"},
    {ValueSource::Workbook, "workbook", "成绩文件"},
    {ValueSource::Journal, "journal", "记录文件"},
    {ValueSource::PutBack, "putback", "恢复"},
};

const QString kColumns = QStringLiteral(
    "Seq, STU_ID, Object_ID, ObjectValue, PreviousValue, Source, Origin, RecordedAt");

// Values are kept as text: a number in its shortest exact form.
QVariant asText(const QVariant& value)
{
    if (value.isNull() || !value.isValid())
        return QVariant(QMetaType(QMetaType::QString));
    if (value.typeId() == QMetaType::Double || value.typeId() == QMetaType::Float)
        return QString::number(value.toDouble(), 'g', 15);
    return value.toString();
}

std::vector<HistoryEntry> entriesOf(const ResultTable& t)
{
    std::vector<HistoryEntry> entries;
    entries.reserve(size_t(t.rowCount()));
    for (int r = 0; r < t.rowCount(); ++r) {
        HistoryEntry e;
        e.seq = t.at(r, 0).toLongLong();
        e.stuId = t.at(r, 1).toLongLong();
        e.itemId = t.at(r, 2).toLongLong();
        e.value = t.at(r, 3);
        e.previous = t.at(r, 4);
        e.kind = sourceFromCode(t.at(r, 5).toString());
        e.origin = t.at(r, 6).toString();
        e.at = QDateTime::fromString(t.at(r, 7).toString(), Qt::ISODateWithMs);
        entries.push_back(std::move(e));
    }
    return entries;
}

} // namespace

QString sourceCode(ValueSource kind)
{
    for (const SourceName& s : kSources)
        if (s.kind == kind)
            return QString::fromLatin1(s.code);
    return {};
}

ValueSource sourceFromCode(const QString& code)
{
    for (const SourceName& s : kSources)
        if (code == QLatin1String(s.code))
            return s.kind;
    return ValueSource::None;
}

QString sourceCaption(ValueSource kind)
{
    for (const SourceName& s : kSources)
        if (s.kind == kind)
            return QString::fromUtf8(s.caption);
    return {};
}

QString ValueHistory::tableName()
{
    return QStringLiteral("STU_ValueHistory");
}

bool ValueHistory::exists(SqlConnection& conn)
{
    return conn.tableNames().contains(tableName(), Qt::CaseInsensitive);
}

void ValueHistory::ensureTable(SqlConnection& conn)
{
    if (exists(conn))
        return;
    conn.executeScript(QStringLiteral(
        "CREATE TABLE STU_ValueHistory(Seq INTEGER, STU_ID INTEGER, Object_ID INTEGER, "
        "ObjectValue TEXT, PreviousValue TEXT, Source TEXT, Origin TEXT, RecordedAt TEXT);"
        "CREATE INDEX STU_ValueHistory_Seq ON STU_ValueHistory(Seq);"));
}

void ValueHistory::record(SqlConnection& conn, qint64 stuId, qint64 itemId, const QVariant& value,
                          const QVariant& previous, const HistorySource& source)
{
    // One statement: the next seq comes from the index, inside the batch that writes it.
    static const QString insert =
        QStringLiteral("INSERT INTO STU_ValueHistory(%1) VALUES((SELECT COALESCE(MAX(Seq), 0) + 1 "
                       "FROM STU_ValueHistory), ?, ?, ?, ?, ?, ?, ?)")
            .arg(kColumns);
    conn.write(insert, {stuId, itemId, asText(value), asText(previous), sourceCode(source.kind),
                        source.origin, platform::currentDateTime().toString(Qt::ISODateWithMs)});
}

void ValueHistory::forgetLast(SqlConnection& conn)
{
    conn.execute(QStringLiteral("DELETE FROM STU_ValueHistory WHERE Seq = (SELECT MAX(Seq) FROM "
                                "STU_ValueHistory)"));
}

std::vector<HistoryEntry> ValueHistory::forPupil(SqlConnection& conn, qint64 stuId, qint64 itemId)
{
    QString sql = QStringLiteral("SELECT %1 FROM STU_ValueHistory WHERE STU_ID = ?").arg(kColumns);
    QVariantList params{stuId};
    if (itemId >= 0) {
        sql += QStringLiteral(" AND Object_ID = ?");
        params << itemId;
    }
    return entriesOf(conn.query(sql + QStringLiteral(" ORDER BY Seq"), params));
}

std::vector<HistoryEntry> ValueHistory::latest(SqlConnection& conn, const QString& classNo)
{
    QString sql = QStringLiteral(
        "SELECT h.Seq, h.STU_ID, h.Object_ID, h.ObjectValue, h.PreviousValue, h.Source, h.Origin, "
        "h.RecordedAt FROM STU_ValueHistory h JOIN (SELECT MAX(Seq) AS LastSeq FROM "
        "STU_ValueHistory GROUP BY STU_ID, Object_ID) m ON h.Seq = m.LastSeq");
    QVariantList params;
    if (!classNo.isEmpty()) {
        sql += QStringLiteral(" JOIN STU_Main s ON s.STU_ID = h.STU_ID WHERE s.GroupNo = ?");
        params << classNo;
    }
    return entriesOf(conn.query(sql, params));
}

} // namespace store
