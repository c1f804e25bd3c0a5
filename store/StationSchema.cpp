#include "StationSchema.h"

namespace store
{

const QList<StationTable>& stationTables()
{
    static const QString I = QStringLiteral("INTEGER");
    static const QString T = QStringLiteral("TEXT");
    // Dates are ISO-8601 text. ObjectValue has no declared type: it keeps a REAL or a TEXT.
    static const QList<StationTable> tables = {
        {QStringLiteral("STU_Main"),
         {{QStringLiteral("STU_ID"), I},
          {QStringLiteral("StuNo"), T},
          {QStringLiteral("StuName"), T},
          {QStringLiteral("Class_ID"), I},
          {QStringLiteral("GroupNo"), T},
          {QStringLiteral("GroupName"), T},
          {QStringLiteral("Sex"), T},
          {QStringLiteral("Birthday"), T},
          {QStringLiteral("Nation_ID"), I},
          {QStringLiteral("Address"), T},
          {QStringLiteral("STU_Year"), I},
          {QStringLiteral("CreateDate"), T},
          {QStringLiteral("AreaCode"), T}},
         true},
        {QStringLiteral("STU_ObjectData"),
         {{QStringLiteral("STU_ID"), I},
          {QStringLiteral("Object_ID"), I},
          {QStringLiteral("ObjectValue"), QString()},
          {QStringLiteral("ObjectType"), I}},
         true},
        {QStringLiteral("Code03Dict"),
         {{QStringLiteral("code"), I},
          {QStringLiteral("value"), T},
          {QStringLiteral("Unit"), T},
          {QStringLiteral("SortIndex"), I}},
         true},
        {QStringLiteral("prjzb"),
         {{QStringLiteral("nj"), I},
          {QStringLiteral("xb"), T},
          {QStringLiteral("prj1"), I},
          {QStringLiteral("prj2"), I},
          {QStringLiteral("prj3"), I}},
         true},
        {QStringLiteral("STU_Card"),
         {{QStringLiteral("StuID"), I}, {QStringLiteral("CardNO"), QStringLiteral("TEXT(50)")}},
         false},
    };
    return tables;
}

const StationTable* findStationTable(const QString& name)
{
    for (const StationTable& t : stationTables())
        if (t.name.compare(name, Qt::CaseInsensitive) == 0)
            return &t;
    return nullptr;
}

QString quotedName(const QString& name)
{
    QString quoted = name;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QString createTableStatement(const QString& table, const QList<StationColumn>& columns)
{
    QStringList parts;
    for (const StationColumn& c : columns)
        parts << (c.declaredType.isEmpty()
                      ? quotedName(c.name)
                      : quotedName(c.name) + QLatin1Char(' ') + c.declaredType);
    return QStringLiteral("CREATE TABLE %1(%2)")
        .arg(quotedName(table), parts.join(QStringLiteral(", ")));
}

} // namespace store
