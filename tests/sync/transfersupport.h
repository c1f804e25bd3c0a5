// Shared by the transfer tests: pupils in a station database, the virtual instrument's state
// file read and prepared, the commands it logged and the rows a worker showed.
#pragma once

#include "CCard.h"
#include "CDB.h"
#include "CStudent.h"
#include "MemoryProgressView.h"

#include <QByteArray>
#include <QDate>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QList>
#include <QProcess>
#include <QStringEncoder>
#include <QStringList>

namespace transfertest
{

inline QByteArray gbk(const QString& text)
{
    return QStringEncoder("GBK").encode(text);
}

struct Pupil {
    QString stuNo;
    QString name;
    QString card; // empty: the pupil has no card
};

// count pupils numbered prefix + 001..., each with card "C" + number.
inline QList<Pupil> numberedPupils(const QString& prefix, int count)
{
    QList<Pupil> pupils;
    for (int i = 1; i <= count; ++i) {
        const QString number = prefix + QStringLiteral("%1").arg(i, 3, 10, QLatin1Char('0'));
        pupils.append(
            {number, QStringLiteral("学生") + number.right(4), QStringLiteral("C") + number});
    }
    return pupils;
}

// Adds the pupils as one class of grade 11 (their value rows: items 1, 2, 6, 8, 14, 61); the
// identifiers given, in order. Empty when a pupil could not be inserted.
inline QList<long> addClass(const CDB& db, int groupNo, const QString& groupName,
                            const QList<Pupil>& pupils)
{
    CStudent student(db);
    CCard card(db);
    QList<long> ids;
    for (const Pupil& p : pupils) {
        const int id = student.GetNewID();
        if (student.InsertStu(p.name, 11, groupNo, groupName, QStringLiteral("男"),
                              QDate(2017, 3, 4), 1, p.stuNo, QStringLiteral("示范学校"),
                              QStringLiteral("000000")) != 1)
            return {};
        if (!p.card.isEmpty() && card.InsertUpdateCard(id, p.card) != 1)
            return {};
        ids.append(id);
    }
    return ids;
}

// A class as the virtual instrument keeps it; texts are GBK bytes.
struct InstrumentClass {
    QByteArray name;
    QList<QPair<QByteArray, QByteArray>> pupils; // number, name
    int announced = 0;
    int records = 0;
};

// What the virtual instrument at path holds (running or not), as it dumps it: its state is
// a snapshot and a journal of the changes since.
inline QList<InstrumentClass> readState(const QString& path)
{
    QProcess dump;
    dump.start(QStringLiteral(SORVIK_BIN_DIR "/sorvik-instrument"),
               {QStringLiteral("--state"), path, QStringLiteral("--dump")});
    if (!dump.waitForFinished(30000) || dump.exitStatus() != QProcess::NormalExit ||
        dump.exitCode() != 0)
        return {};
    QList<InstrumentClass> classes;
    const QJsonArray all =
        QJsonDocument::fromJson(dump.readAllStandardOutput()).object()[u"classes"].toArray();
    for (const QJsonValue& cv : all) {
        const QJsonObject co = cv.toObject();
        InstrumentClass c;
        c.name = QByteArray::fromHex(co[u"name"].toString().toLatin1());
        c.announced = co[u"announcedPupils"].toInt();
        for (const QJsonValue& pv : co[u"pupils"].toArray())
            c.pupils.append({QByteArray::fromHex(pv[u"number"].toString().toLatin1()),
                             QByteArray::fromHex(pv[u"name"].toString().toLatin1())});
        c.records = int(co[u"records"].toArray().size());
        classes.append(c);
    }
    return classes;
}

// A state file with these classes and pupils and no results; for an instrument not running.
inline bool writeState(const QString& path, const QList<InstrumentClass>& classes)
{
    QJsonArray all;
    for (const InstrumentClass& c : classes) {
        QJsonArray pupils;
        for (const auto& p : c.pupils)
            pupils.append(
                QJsonObject{{QStringLiteral("number"), QString::fromLatin1(p.first.toHex())},
                            {QStringLiteral("name"), QString::fromLatin1(p.second.toHex())}});
        all.append(QJsonObject{{QStringLiteral("name"), QString::fromLatin1(c.name.toHex())},
                               {QStringLiteral("announcedPupils"), int(c.pupils.size())},
                               {QStringLiteral("pupils"), pupils},
                               {QStringLiteral("records"), QJsonArray()}});
    }
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(QJsonDocument(QJsonObject{{QStringLiteral("version"), 1},
                                                {QStringLiteral("classes"), all}})
                          .toJson()) > 0;
}

// The commands the instrument served since its last handshake, in order ("MODE", "WRITE-CLASS"
// ...), each with what it answered ("MODE -> 1").
inline QStringList commandsSinceLastHello(const QByteArray& log)
{
    QStringList commands;
    for (const QByteArray& line : log.split('\n')) {
        // "yyyy-MM-dd HH:mm:ss.zzz COMMAND [(detail)] -> status"
        const QList<QByteArray> words = line.split(' ');
        if (words.size() < 5 || !line.contains(" -> "))
            continue;
        const QString command = QString::fromLatin1(words.at(2));
        if (command == u"HELLO")
            commands.clear();
        commands << command + QStringLiteral(" -> ") +
                        QString::fromLatin1(line.mid(line.lastIndexOf(" -> ") + 4));
    }
    return commands;
}

// Every request the instrument served, in order. Its connection notes are left out: a station
// going away is noted whenever the instrument notices, not when the station waits.
inline QStringList requestsServed(const QByteArray& log)
{
    QStringList served;
    for (const QByteArray& line : log.split('\n'))
        if (line.contains(" -> "))
            served << QString::fromLatin1(line);
    return served;
}

inline QList<QStringList> rowsOf(const MemoryProgressView& view)
{
    QList<QStringList> rows;
    for (int r = 0; r < view.rowCount(); ++r)
        rows << view.row(r);
    return rows;
}

} // namespace transfertest
