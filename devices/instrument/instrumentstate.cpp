#include "instrumentstate.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

#include <algorithm>
#include <cstdio>
#include <utility>

namespace sorvik::instrument
{

namespace
{

using namespace Qt::StringLiterals;

// Names and numbers are GBK bytes; hex keeps them byte-exact whatever they contain.
QString hex(const QByteArray& bytes)
{
    return QString::fromLatin1(bytes.toHex());
}
QByteArray unhex(const QJsonValue& v)
{
    return QByteArray::fromHex(v.toString().toLatin1());
}

QByteArray cutName(const QByteArray& name, std::size_t limit)
{
    const std::string_view text(name.constData(), std::size_t(name.size()));
    return name.left(qsizetype(wire::gbkCutLength(text.substr(0, text.find('\0')), limit)));
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

} // namespace

InstrumentState::InstrumentState(QString path, int classCapacity, int pupilCapacity)
    : path_(std::move(path)), classCapacity_(classCapacity), pupilCapacity_(pupilCapacity)
{
}

bool InstrumentState::load(QString* error)
{
    classes_.clear();
    openClass_ = -1;
    QFile file(path_);
    if (!file.exists())
        return true;
    if (!file.open(QIODevice::ReadOnly)) {
        *error = u"cannot read %1: %2"_s.arg(path_, file.errorString());
        return false;
    }
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(file.readAll(), &parseError);
    if (!doc.isObject()) {
        *error = u"%1 is not a state file: %2"_s.arg(path_, parseError.errorString());
        return false;
    }
    QList<SchoolClass> loaded;
    for (const QJsonValue& cv : doc.object().value(u"classes"_s).toArray()) {
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
                *error = u"%1: bad result record in class %2"_s.arg(path_).arg(loaded.size());
                return false;
            }
            c.records.push_back(std::move(r));
        }
        if (c.name.isEmpty()) {
            *error = u"%1: class %2 has no name"_s.arg(path_).arg(loaded.size());
            return false;
        }
        loaded.append(std::move(c));
    }
    classes_ = std::move(loaded);
    return true;
}

bool InstrumentState::save(QString* error) const
{
    QJsonArray classes;
    for (const SchoolClass& c : classes_) {
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
    const QJsonObject root{{u"version"_s, 1}, {u"classes"_s, classes}};
    QSaveFile file(path_);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(QJsonDocument(root).toJson(QJsonDocument::Compact)) < 0 || !file.commit()) {
        *error = u"cannot write %1: %2"_s.arg(path_, file.errorString());
        return false;
    }
    return true;
}

int InstrumentState::pupilCount() const
{
    int n = 0;
    for (const SchoolClass& c : classes_)
        n += int(c.pupils.size());
    return n;
}

qsizetype InstrumentState::recordCount() const
{
    qsizetype n = 0;
    for (const SchoolClass& c : classes_)
        n += qsizetype(c.records.size());
    return n;
}

const SchoolClass* InstrumentState::classAt(int index) const
{
    return index >= 0 && index < classes_.size() ? &classes_[index] : nullptr;
}

wire::Status InstrumentState::addClass(QByteArray name, int size)
{
    // The library cuts names already; cut again so a careless client cannot store half a
    // character.
    name = cutName(name, wire::MaxClassName);
    if (name.isEmpty() || size < 0 || std::size_t(size) > wire::MaxPupilsPerClass)
        return wire::Refused;
    // Checked against the announced size: a class that will not fit is not started at all.
    if (classes_.size() + 1 > classCapacity_ || pupilCount() + size > pupilCapacity_)
        return wire::Full;
    classes_.append({name, size, {}, {}});
    openClass_ = int(classes_.size()) - 1;
    return wire::Ok;
}

wire::Status InstrumentState::addPupil(const QByteArray& number, QByteArray name)
{
    if (openClass_ < 0 || number.isEmpty() || std::size_t(number.size()) > wire::MaxNumber ||
        number.contains('\0'))
        return wire::Refused;
    SchoolClass& c = classes_[openClass_];
    if (c.pupils.size() >= c.announcedPupils)
        return wire::Refused;
    c.pupils.append({number, cutName(name, wire::MaxPupilName)});
    if (c.pupils.size() == c.announcedPupils)
        openClass_ = -1;
    return wire::Ok;
}

bool InstrumentState::addRecord(int classIndex, const wire::Record& record, QString* error)
{
    if (classIndex < 0 || classIndex >= classes_.size()) {
        *error = u"no class at index %1"_s.arg(classIndex);
        return false;
    }
    if (!wire::isValidRecord(record)) {
        *error = u"not a valid result record"_s;
        return false;
    }
    SchoolClass& c = classes_[classIndex];
    const QByteArray number = QByteArray::fromStdString(record.number);
    const bool known = std::any_of(c.pupils.cbegin(), c.pupils.cend(),
                                   [&](const Pupil& p) { return p.number == number; });
    if (!known) {
        *error = u"pupil %1 is not in class %2"_s.arg(QString::fromLatin1(number.toHex()))
                     .arg(classIndex);
        return false;
    }
    c.records.push_back(record);
    return true;
}

void InstrumentState::format()
{
    classes_.clear();
    openClass_ = -1;
}

} // namespace sorvik::instrument
