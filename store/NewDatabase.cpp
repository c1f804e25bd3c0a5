#include "NewDatabase.h"

#include "CDB.h"
#include "Database.h"
#include "SqlConnection.h"
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

const QString kSchema = QStringLiteral(
    "CREATE TABLE STU_Main(STU_ID INTEGER, StuNo TEXT, StuName TEXT, Class_ID INTEGER, "
    "GroupNo TEXT, GroupName TEXT, Sex TEXT, Birthday TEXT, Nation_ID INTEGER, Address TEXT, "
    "STU_Year INTEGER, CreateDate TEXT, AreaCode TEXT);"
    // ObjectValue has no declared type: it keeps a REAL or a TEXT as given.
    "CREATE TABLE STU_ObjectData(STU_ID INTEGER, Object_ID INTEGER, ObjectValue, "
    "ObjectType INTEGER);"
    "CREATE TABLE Code03Dict(code INTEGER, value TEXT, Unit TEXT, SortIndex INTEGER);"
    "CREATE TABLE prjzb(nj INTEGER, xb TEXT, prj1 INTEGER, prj2 INTEGER, prj3 INTEGER);");

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
        SqlConnection& conn = db.connection();
        conn.executeScript(QStringLiteral("BEGIN;") + kSchema);
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
    } catch (const StoreError& e) {
        QFile::remove(path);
        return e.description();
    }
    return {};
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
    try {
        SqlConnection& conn = db.database()->connection();
        const QVariantList next = conn.query(QStringLiteral("SELECT COALESCE(MAX(STU_ID)+1,0), "
                                                            "COALESCE(MAX(CAST(GroupNo AS "
                                                            "INTEGER)),0) FROM STU_Main"))
                                      .cells;
        const int firstId = next.value(0).toInt();
        const int firstClass = next.value(1).toInt() + 1;

        QHash<QString, QList<int>> gradeItems;
        const ResultTable prj =
            conn.query(QStringLiteral("SELECT nj,xb,prj1,prj2,prj3 FROM prjzb"));
        for (int r = 0; r < prj.rowCount(); ++r)
            gradeItems.insert(prj.at(r, 0).toString() + prj.at(r, 1).toString(),
                              {prj.at(r, 2).toInt(), prj.at(r, 3).toInt(), prj.at(r, 4).toInt()});

        const QDateTime now = QDateTime::currentDateTime();
        const QString insertPupil = QStringLiteral(
            "INSERT INTO STU_Main(STU_ID,StuName,Class_ID,GroupNo,GroupName,Sex,Birthday,"
            "Nation_ID,StuNo,Address,STU_Year,CreateDate,AreaCode) "
            "VALUES(?,?,?,?,?,?,?,?,?,?,?,?,?)");
        const QString insertValue = QStringLiteral(
            "INSERT INTO STU_ObjectData(STU_ID,Object_ID,ObjectValue,ObjectType) VALUES(?,?,?,?)");
        const QString insertCard = QStringLiteral("INSERT INTO Stu_card(StuID,CardNO) VALUES(?,?)");

        conn.executeScript(QStringLiteral("BEGIN"));
        for (int i = 0; i < count; ++i) {
            const int id = firstId + i;
            const int classNo = firstClass + i / 40;
            const int grade = grades.at((classNo - 1) % grades.size());
            const int classInGrade = (classNo - 1) / grades.size() + 1;
            const QString sex = (i % 2) ? QStringLiteral("女") : QStringLiteral("男");
            const QString name = surnames.at(i % surnames.size()) +
                                 given.at((i / surnames.size()) % given.size()) +
                                 ((i / 7) % 3 ? given.at((i * 7 + 3) % given.size()) : QString());
            const int age =
                grade / 10 == 1 ? 6 + grade % 10 : (grade / 10 == 2 ? 12 : 15) + grade % 10;
            const QDate birthday = QDate(now.date().year() - age, 1 + i % 12, 1 + i % 28);
            const QString stuNo =
                QStringLiteral("%1%2").arg(now.date().year()).arg(id, 6, 10, QLatin1Char('0'));
            conn.execute(insertPupil,
                         {id, name, grade, classNo,
                          gradeName(grade) + QStringLiteral("(%1)班").arg(classInGrade), sex,
                          birthday, 1, stuNo, QStringLiteral("示范学校"), now.date().year(), now,
                          QStringLiteral("000000")});
            conn.execute(insertValue, {id, 1, 0.0, 1});
            conn.execute(insertValue, {id, 2, 0.0, 2});
            if (grade > 14)
                conn.execute(insertValue, {id, 4, 0.0, 3});
            conn.execute(insertValue, {id, 61, 5.0, 9});
            const QList<int> items = gradeItems.value(QString::number(grade) + sex);
            for (int k = 0; k < items.size(); ++k)
                if (items.at(k) != -1)
                    conn.execute(insertValue, {id, items.at(k), 0.0, 5 + k});
            conn.execute(insertCard, {id, QString::number(1000000000ULL + (quint64(id) * 7919ULL) %
                                                                              8999999999ULL)});
        }
        conn.executeScript(QStringLiteral("COMMIT"));
    } catch (const StoreError& e) {
        db.close();
        return e.description();
    }
    db.close();
    return {};
}

} // namespace store
