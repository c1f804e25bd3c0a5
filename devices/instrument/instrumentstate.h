// What the virtual instrument remembers: classes with their pupils and recorded results.
// Kept in a JSON file that is rewritten after every change, so it survives restarts.
#pragma once

#include "wire.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <vector>

namespace sorvik::instrument
{

struct Pupil {
    QByteArray number; // GBK
    QByteArray name;   // GBK
};

struct SchoolClass {
    QByteArray name; // GBK, at most 16 bytes
    int announcedPupils = 0;
    QList<Pupil> pupils;
    std::vector<wire::Record> records; // in recording order
};

class InstrumentState
{
public:
    InstrumentState(QString path, int classCapacity, int pupilCapacity);

    // A missing file is an empty instrument; an unreadable or malformed one is an error.
    bool load(QString* error);
    bool save(QString* error) const;

    // Opens a class for size pupils that follow with addPupil().
    wire::Status addClass(QByteArray name, int size);
    wire::Status addPupil(const QByteArray& number, QByteArray name);
    bool addRecord(int classIndex, const wire::Record& record, QString* error);
    void format();

    int classCount() const { return int(classes_.size()); }
    int pupilCount() const;
    qsizetype recordCount() const;
    const SchoolClass* classAt(int index) const;
    const QList<SchoolClass>& classes() const { return classes_; }
    const QString& path() const { return path_; }

private:
    QString path_;
    int classCapacity_;
    int pupilCapacity_;
    QList<SchoolClass> classes_;
    int openClass_ = -1; // class still taking pupils; a restart closes it
};

} // namespace sorvik::instrument
