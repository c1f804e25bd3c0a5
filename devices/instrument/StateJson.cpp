#include "StateJson.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdio>

namespace sorvik::instrument::json
{

namespace
{

using namespace Qt::StringLiterals;

constexpr int kSnapshotVersion = 2;

QString hex(const QByteArray& bytes)
{
    return QString::fromLatin1(bytes.toHex());
}

QByteArray unhex(const QJsonValue& v)
{
    return QByteArray::fromHex(v.toString().toLatin1());
}

QJsonObject recordToJson(const wire::Record& r)
{
    QJsonObject o{{u"number"_s, hex(QByteArray::fromStdString(r.number))},
                  {u"item"_s, int(r.item)},
                  {u"value"_s, QString::fromStdString(r.value)}};
    if (r.isDouble()) {
        o.insert(u"value2"_s, QString::fromStdString(r.value2));
    } else {
        o.insert(u"time"_s, QString::asprintf("%04d-%02d-%02dT%02d:%02d", r.year, r.month, r.day,
                                              r.hour, r.minute));
    }
    return o;
}

bool recordFromJson(const QJsonObject& o, wire::Record& r)
{
    r.number = unhex(o.value(u"number"_s)).toStdString();
    const int item = o.value(u"item"_s).toInt(-1);
    if (item < 1 || item > 255)
        return false;
    r.item = std::uint8_t(item);
    r.value = o.value(u"value"_s).toString().toStdString();
    if (r.isDouble()) {
        r.value2 = o.value(u"value2"_s).toString().toStdString();
    } else {
        const QString t = o.value(u"time"_s).toString();
        if (std::sscanf(t.toLatin1().constData(), "%d-%d-%dT%d:%d", &r.year, &r.month, &r.day,
                        &r.hour, &r.minute) != 5)
            return false;
    }
    return wire::isValidRecord(r);
}

QByteArray line(const QJsonObject& o)
{
    return QJsonDocument(o).toJson(QJsonDocument::Compact) + '\n';
}

bool parseObject(const QByteArray& text, QJsonObject& out)
{
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(text, &error);
    if (!doc.isObject())
        return false;
    out = doc.object();
    return true;
}

} // namespace

QByteArray snapshot(const InstrumentState& state, qint64 generation)
{
    QJsonArray classes;
    for (const SchoolClass& c : state.classes()) {
        QJsonArray pupils;
        for (const Pupil& p : c.pupils)
            pupils.append(QJsonObject{{u"number"_s, hex(p.number)}, {u"name"_s, hex(p.name)}});
        QJsonArray records;
        for (const wire::Record& r : c.records)
            records.append(recordToJson(r));
        classes.append(QJsonObject{{u"name"_s, hex(c.name)},
                                   {u"announcedPupils"_s, c.announcedPupils},
                                   {u"pupils"_s, pupils},
                                   {u"records"_s, records}});
    }
    const QJsonObject root{
        {u"version"_s, kSnapshotVersion}, {u"generation"_s, generation}, {u"classes"_s, classes}};
    return QJsonDocument(root).toJson(QJsonDocument::Compact);
}

bool readSnapshot(const QByteArray& data, QList<SchoolClass>& classes, qint64& generation,
                  QString* error)
{
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(data, &parseError);
    if (!doc.isObject()) {
        *error = u"not a state file: %1"_s.arg(parseError.errorString());
        return false;
    }
    const QJsonObject root = doc.object();
    generation = root.value(u"generation"_s).toInteger(0);
    QList<SchoolClass> loaded;
    for (const QJsonValue& cv : root.value(u"classes"_s).toArray()) {
        const QJsonObject co = cv.toObject();
        SchoolClass c;
        c.name = unhex(co.value(u"name"_s));
        c.announcedPupils = co.value(u"announcedPupils"_s).toInt();
        for (const QJsonValue& pv : co.value(u"pupils"_s).toArray()) {
            const QJsonObject po = pv.toObject();
            c.pupils.append({unhex(po.value(u"number"_s)), unhex(po.value(u"name"_s))});
        }
        for (const QJsonValue& rv : co.value(u"records"_s).toArray()) {
            wire::Record r;
            if (!recordFromJson(rv.toObject(), r)) {
                *error = u"bad result record in class %1"_s.arg(loaded.size());
                return false;
            }
            c.records.push_back(std::move(r));
        }
        if (c.name.isEmpty()) {
            *error = u"class %1 has no name"_s.arg(loaded.size());
            return false;
        }
        loaded.append(std::move(c));
    }
    classes = std::move(loaded);
    return true;
}

QByteArray journalHeader(qint64 generation)
{
    return line(QJsonObject{{u"journal"_s, 1}, {u"generation"_s, generation}});
}

bool readJournalHeader(const QByteArray& text, qint64& generation)
{
    QJsonObject o;
    if (!parseObject(text, o) || o.value(u"journal"_s).toInt() != 1 ||
        !o.value(u"generation"_s).isDouble())
        return false;
    generation = o.value(u"generation"_s).toInteger();
    return true;
}

QByteArray change(const StateChange& c)
{
    switch (c.kind) {
    case StateChange::Kind::AddClass:
        return line(QJsonObject{{u"op"_s, u"class"_s},
                                {u"class"_s, c.classIndex},
                                {u"name"_s, hex(c.name)},
                                {u"announcedPupils"_s, c.announcedPupils}});
    case StateChange::Kind::AddPupil:
        return line(QJsonObject{{u"op"_s, u"pupil"_s},
                                {u"class"_s, c.classIndex},
                                {u"number"_s, hex(c.number)},
                                {u"name"_s, hex(c.name)}});
    case StateChange::Kind::AddRecord:
        return line(QJsonObject{{u"op"_s, u"record"_s},
                                {u"class"_s, c.classIndex},
                                {u"record"_s, recordToJson(c.record)}});
    case StateChange::Kind::Format:
        break;
    }
    return line(QJsonObject{{u"op"_s, u"format"_s}});
}

bool readChange(const QByteArray& text, StateChange& c)
{
    QJsonObject o;
    if (!parseObject(text, o))
        return false;
    const QString op = o.value(u"op"_s).toString();
    c = StateChange{};
    c.classIndex = o.value(u"class"_s).toInt(-1);
    if (op == u"class"_s) {
        c.kind = StateChange::Kind::AddClass;
        c.name = unhex(o.value(u"name"_s));
        c.announcedPupils = o.value(u"announcedPupils"_s).toInt(-1);
        return true;
    }
    if (op == u"pupil"_s) {
        c.kind = StateChange::Kind::AddPupil;
        c.number = unhex(o.value(u"number"_s));
        c.name = unhex(o.value(u"name"_s));
        return true;
    }
    if (op == u"record"_s) {
        c.kind = StateChange::Kind::AddRecord;
        return recordFromJson(o.value(u"record"_s).toObject(), c.record);
    }
    c.kind = StateChange::Kind::Format;
    return op == u"format"_s;
}

} // namespace sorvik::instrument::json
