#include "PgDialect.h"

#include <QRegularExpression>

namespace store
{

namespace
{

bool isWordChar(QChar c)
{
    return c.isLetterOrNumber() || c == QLatin1Char('_');
}

// Column types of a CREATE TABLE body: INTEGER is 64 bits as in SQLite, a length on TEXT is
// only a hint there, and a column without a type keeps any value as text.
QString pgColumns(const QString& body)
{
    QStringList out;
    int depth = 0;
    QString current;
    auto flush = [&] {
        QString c = current.trimmed();
        current.clear();
        if (c.isEmpty())
            return;
        static const QRegularExpression integer(QStringLiteral("\\bINTEGER\\b"),
                                                QRegularExpression::CaseInsensitiveOption);
        static const QRegularExpression text(QStringLiteral("\\bTEXT\\s*\\(\\s*\\d+\\s*\\)"),
                                             QRegularExpression::CaseInsensitiveOption);
        static const QRegularExpression real(QStringLiteral("\\b(REAL|DOUBLE|FLOAT)\\b"),
                                             QRegularExpression::CaseInsensitiveOption);
        static const QRegularExpression datetime(QStringLiteral("\\b(DATETIME|DATE)\\b"),
                                                 QRegularExpression::CaseInsensitiveOption);
        static const QRegularExpression nameOnly(QStringLiteral("^(\"[^\"]*\"|\\w+)$"));
        c.replace(integer, QStringLiteral("BIGINT"));
        c.replace(text, QStringLiteral("TEXT"));
        c.replace(real, QStringLiteral("DOUBLE PRECISION"));
        c.replace(datetime, QStringLiteral("TEXT"));
        // JSON keeps a number a number and a text a text, as SQLite keeps what it was given.
        if (nameOnly.match(c).hasMatch())
            c += QStringLiteral(" JSONB");
        out << c;
    };
    for (QChar ch : body) {
        if (ch == QLatin1Char('('))
            ++depth;
        else if (ch == QLatin1Char(')'))
            --depth;
        if (ch == QLatin1Char(',') && depth == 0)
            flush();
        else
            current += ch;
    }
    flush();
    return out.join(QStringLiteral(", "));
}

} // namespace

PgStatement translatedForPg(const QString& sql)
{
    PgStatement out;
    const QString trimmed = sql.trimmed();
    if (trimmed.startsWith(QLatin1String("PRAGMA"), Qt::CaseInsensitive))
        return out;
    QString text;
    text.reserve(sql.size() + 16);
    for (qsizetype i = 0; i < sql.size(); ++i) {
        const QChar c = sql.at(i);
        if (c == QLatin1Char('\'')) {
            const qsizetype end = sql.indexOf(QLatin1Char('\''), i + 1);
            const qsizetype stop = end < 0 ? sql.size() : end + 1;
            text += QStringView(sql).mid(i, stop - i);
            i = stop - 1;
        } else if (c == QLatin1Char('"')) {
            const qsizetype end = sql.indexOf(QLatin1Char('"'), i + 1);
            const qsizetype stop = end < 0 ? sql.size() : end + 1;
            text += QStringView(sql).mid(i, stop - i).toString().toLower();
            i = stop - 1;
        } else if (c == QLatin1Char('?')) {
            text += QLatin1Char('$') + QString::number(++out.parameterCount);
        } else if (isWordChar(c) && (i == 0 || !isWordChar(sql.at(i - 1)))) {
            qsizetype j = i;
            while (j < sql.size() && isWordChar(sql.at(j)))
                ++j;
            const QStringView word = QStringView(sql).mid(i, j - i);
            if (word.compare(QLatin1String("rowid"), Qt::CaseInsensitive) == 0 ||
                word.compare(QLatin1String("_rowid_"), Qt::CaseInsensitive) == 0)
                text += QLatin1String("_rowid_");
            else
                text += word;
            i = j - 1;
        } else {
            text += c;
        }
    }
    static const QRegularExpression create(
        QStringLiteral("^\\s*create\\s+table\\s+(\"[^\"]*\"|\\w+)\\s*\\((.*)\\)\\s*;?\\s*$"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    if (const auto m = create.match(text); m.hasMatch()) {
        out.text = QStringLiteral("CREATE TABLE %1(_rowid_ BIGSERIAL PRIMARY KEY, %2)")
                       .arg(m.captured(1), pgColumns(m.captured(2)));
        return out;
    }
    // A snapshot of a table comes in row id order where SQLite's would, rows of equal sort keys
    // too.
    static const QRegularExpression snapshot(QStringLiteral("^SELECT _rowid_, \\* FROM "));
    static const QRegularExpression orderBy(QStringLiteral("\\border\\s+by\\b"),
                                            QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression limitOrLock(QStringLiteral("\\b(limit|offset|for)\\b"),
                                                QRegularExpression::CaseInsensitiveOption);
    if (snapshot.match(text).hasMatch() && !limitOrLock.match(text).hasMatch())
        text += orderBy.match(text).hasMatch() ? QStringLiteral(", _rowid_")
                                               : QStringLiteral(" ORDER BY _rowid_");
    out.text = text;
    static const QRegularExpression insert(QStringLiteral("^\\s*insert\\s+into\\s"),
                                           QRegularExpression::CaseInsensitiveOption);
    if (insert.match(text).hasMatch()) {
        out.text += QStringLiteral(" RETURNING _rowid_");
        out.returnsRowid = true;
        static const QRegularExpression columnsAndValues(
            QStringLiteral(
                "^\\s*insert\\s+into\\s+(\"[^\"]*\"|\\w+)\\s*\\(([^()]*)\\)\\s*values\\s*"
                "\\((.*)\\)\\s*$"),
            QRegularExpression::CaseInsensitiveOption |
                QRegularExpression::DotMatchesEverythingOption);
        if (const auto m = columnsAndValues.match(text); m.hasMatch()) {
            out.table = m.captured(1).remove(QLatin1Char('"'));
            out.withRowid = QStringLiteral("INSERT INTO %1(_rowid_, %2) VALUES($%3, %4)")
                                .arg(m.captured(1), m.captured(2))
                                .arg(out.parameterCount + 1)
                                .arg(m.captured(3));
        }
    }
    return out;
}

QStringList pgSupportStatements()
{
    // typeof() as SQLite names the types.
    return {
        QStringLiteral(
            "CREATE OR REPLACE FUNCTION typeof(jsonb) RETURNS text LANGUAGE sql IMMUTABLE AS "
            "'SELECT CASE jsonb_typeof($1) WHEN ''number'' THEN CASE WHEN $1::text ~ "
            "''^-?[0-9]+$'' THEN ''integer'' ELSE ''real'' END WHEN ''string'' THEN ''text'' "
            "ELSE ''null'' END'"),
        QStringLiteral("CREATE OR REPLACE FUNCTION typeof(bigint) RETURNS text LANGUAGE sql "
                       "IMMUTABLE AS 'SELECT CASE WHEN $1 IS NULL THEN ''null'' ELSE "
                       "''integer'' END'"),
        QStringLiteral("CREATE OR REPLACE FUNCTION typeof(text) RETURNS text LANGUAGE sql "
                       "IMMUTABLE AS 'SELECT CASE WHEN $1 IS NULL THEN ''null'' ELSE ''text'' "
                       "END'"),
        QStringLiteral("CREATE OR REPLACE FUNCTION typeof(double precision) RETURNS text "
                       "LANGUAGE sql IMMUTABLE AS 'SELECT CASE WHEN $1 IS NULL THEN ''null'' "
                       "ELSE ''real'' END'"),
    };
}

} // namespace store
