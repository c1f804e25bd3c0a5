#include "NewDatabase.h"

#include "Batch.h"
#include "CCard.h"
#include "CDB.h"
#include "CStudent.h"
#include "Clock.h"
#include "Database.h"
#include "PgDialect.h"
#include "ServerAddress.h"
#include "SqlConnection.h"
#include "StationSchema.h"
#include "StoreError.h"

#include <QDate>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>

namespace store
{

namespace
{

// The four supplied tables, as the station declares them.
QString suppliedSchema()
{
    QString script;
    for (const StationTable& t : stationTables())
        if (t.supplied)
            script += createTableStatement(t.name, t.columns) + QLatin1Char(';');
    return script;
}

QList<QStringList> readCsv(const QString& resource)
{
    QFile file(resource);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        throw StoreError(QStringLiteral("missing resource %1").arg(resource));
    QTextStream in(&file);
    in.setEncoding(QStringConverter::Utf8);
    QList<QStringList> rows;
    in.readLine(); // headings
    while (!in.atEnd()) {
        const QString line = in.readLine();
        if (!line.trimmed().isEmpty())
            rows << line.split(QLatin1Char(','));
    }
    return rows;
}

QVariant textOrNull(const QString& text)
{
    return text.isEmpty() ? QVariant() : QVariant(text);
}

QString gradeName(int grade)
{
    static const QStringList numerals = {QStringLiteral("一"), QStringLiteral("二"),
                                         QStringLiteral("三"), QStringLiteral("四"),
                                         QStringLiteral("五"), QStringLiteral("六")};
    const int year = grade % 10;
    if (grade / 10 == 1)
        return numerals.value(year - 1) + QStringLiteral("年级");
    if (grade / 10 == 2)
        return QStringLiteral("初") + numerals.value(year - 1);
    return QStringLiteral("高") + numerals.value(year - 1);
}

} // namespace

QString createDatabase(const QString& path)
{
    if (isServerAddress(path)) {
        try {
            Database db(path);
            SqlConnection& conn = db.connection();
            if (conn.tableNames().contains(QStringLiteral("STU_Main"), Qt::CaseInsensitive))
                return QStringLiteral("the station's tables are on the server already; not "
                                      "overwritten");
            fillNewDatabase(conn);
        } catch (const StoreError& e) {
            return e.description();
        }
        return {};
    }
    if (QFileInfo::exists(path))
        return QStringLiteral("%1 already exists; not overwritten").arg(path);
    {
        // SQLite creates the file on its first write; make it empty first so the connection
        // opens it read-write.
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            return QStringLiteral("cannot create %1: %2").arg(path, file.errorString());
    }
    try {
        Database db(path);
        fillNewDatabase(db.connection());
    } catch (const StoreError& e) {
        QFile::remove(path);
        return e.description();
    }
    return {};
}

void fillNewDatabase(SqlConnection& conn)
{
    {
        conn.executeScript(QStringLiteral("BEGIN;") + suppliedSchema());
        if (conn.isServer())
            for (const QString& f : pgSupportStatements())
                conn.execute(f);
        for (const QStringList& r : readCsv(QStringLiteral(":/newdb/items.csv")))
            conn.execute(
                QStringLiteral("INSERT INTO Code03Dict(code,value,Unit,SortIndex) "
                               "VALUES(?,?,?,?)"),
                {r.value(0).toInt(), r.value(1), textOrNull(r.value(2)), r.value(3).toInt()});
        for (const QStringList& r : readCsv(QStringLiteral(":/newdb/grade_items.csv")))
            conn.execute(QStringLiteral("INSERT INTO prjzb(nj,xb,prj1,prj2,prj3) "
                                        "VALUES(?,?,?,?,?)"),
                         {r.value(0).toInt(), r.value(1), r.value(2).toInt(), r.value(3).toInt(),
                          r.value(4).toInt()});
        conn.executeScript(QStringLiteral("COMMIT;"));
    }
}

QString addDemoPupils(const QString& path, int count)
{
    static const QStringList surnames =
        QStringLiteral("王 李 张 刘 陈 杨 黄 赵 吴 周 徐 孙 马 朱 胡 郭 何 高 林 罗 郑 梁 谢 宋 唐 "
                       "许 韩 冯 邓 曹")
            .split(QLatin1Char(' '));
    static const QStringList given = QStringLiteral("伟 芳 娜 敏 静 丽 强 磊 军 洋 勇 艳 杰 娟 涛 "
                                                    "明 超 秀 霞 平 刚 桂 英 华 玉 萍 红 鹏 辉 欣 "
                                                    "宇 浩 晨 雨 思 佳 子 梓 涵 轩")
                                         .split(QLatin1Char(' '));
    static const QList<int> grades = {11, 12, 13, 14, 15, 16, 21, 22, 23, 31, 32, 33};
    CDB db;
    if (!db.open(path))
        return QStringLiteral("cannot open %1").arg(path);
    if (!db.CreateCardTable())
        return QStringLiteral("cannot create the card table in %1").arg(path);
    QString error;
    try {
        const ResultTable last = db.database()->connection().query(
            QStringLiteral("SELECT COALESCE(MAX(CAST(GroupNo AS INTEGER)),0) FROM STU_Main"));
        const int firstClass = last.at(0, 0).toInt() + 1;
        const QDate today = platform::currentDateTime().date();

        // Through the store classes, so that demo pupils get exactly the rows a real one gets.
        CStudent student(db);
        CCard card(db);
        Batch batch(db);
        for (int i = 0; i < count; ++i) {
            const int id = student.GetNewID();
            if (id < 0)
                throw StoreError(QStringLiteral("no identifier for pupil %1").arg(i + 1));
            const int classNo = firstClass + i / 40;
            const int grade = grades.at((classNo - 1) % grades.size());
            const int classInGrade = (classNo - 1) / grades.size() + 1;
            const QString sex = (i % 2) ? QStringLiteral("女") : QStringLiteral("男");
            const QString name = surnames.at(i % surnames.size()) +
                                 given.at((i / surnames.size()) % given.size()) +
                                 ((i / 7) % 3 ? given.at((i * 7 + 3) % given.size()) : QString());
            const int age =
                grade / 10 == 1 ? 6 + grade % 10 : (grade / 10 == 2 ? 12 : 15) + grade % 10;
            const QDate birthday = QDate(today.year() - age, 1 + i % 12, 1 + i % 28);
            const QString stuNo =
                QStringLiteral("%1%2").arg(today.year()).arg(id, 6, 10, QLatin1Char('0'));
            const int inserted = student.InsertStu(
                name, grade, classNo, gradeName(grade) + QStringLiteral("(%1)班").arg(classInGrade),
                sex, birthday, 1, stuNo, QStringLiteral("示范学校"), QStringLiteral("000000"));
            if (inserted != 1)
                throw StoreError(QStringLiteral("pupil %1 not inserted").arg(stuNo));
            const QString cardNo =
                QString::number(1000000000ULL + (quint64(id) * 7919ULL) % 8999999999ULL);
            if (card.InsertUpdateCard(id, cardNo) != 1)
                throw StoreError(QStringLiteral("card of pupil %1 not stored").arg(stuNo));
        }
        if (!batch.commit())
            error = QStringLiteral("the pupils could not be saved");
    } catch (const StoreError& e) {
        error = e.description(); // the batch has been rolled back
    }
    db.close();
    return error;
}

} // namespace store
