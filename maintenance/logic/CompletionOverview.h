#pragma once

#include "CDB.h"
#include "ClassCompletion.h"

#include <QObject>
#include <QString>
#include <QStringList>

// What the completion overview window shows and does, apart from the window: the classes, the
// grid of a class (pupils with something missing first), the counts per item, and the export.
// Every message goes through the message service with owner as parent.
class CompletionOverview
{
public:
    CompletionOverview(CDB db, QObject* owner);

    static QString title();

    // "班号 班名" per class, and their numbers; false after showing why not.
    bool loadClasses();
    const QStringList& classNumbers() const { return m_classNumbers; }
    const QStringList& classCaptions() const { return m_classCaptions; }

    // Reads the class; false after showing why not.
    bool show(const QString& classNo);
    const ClassCompletion& current() const { return m_class; }

    // "学号", "姓名", "性别", then one heading per item.
    QStringList headings() const;
    // The cells of a pupil row: student number, name, sex, then per item the value and when
    // it came, "未测" when missing, empty when it is no item of the pupil.
    QStringList rowCells(int row) const;
    // "身高: 已测 20 / 未测 3" per item.
    QStringList counts() const;

    // Exports the shown class (every class with all) to path; tells the outcome.
    bool exportTo(const QString& path, bool all);

private:
    CDB m_db;
    QObject* m_owner;
    QStringList m_classNumbers;
    QStringList m_classCaptions;
    ClassCompletion m_class;
};
