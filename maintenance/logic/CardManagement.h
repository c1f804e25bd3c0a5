#pragma once

#include "CDB.h"

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

class QObject;

namespace platform
{
class ListView;
}

// What the card dialog does apart from its window and its import: the class choice, the view
// of a class's pupils with their card numbers, and the clearing of selected pupils' cards.
// Every operation makes the stores it needs and releases them when it ends.
class CardManagement
{
public:
    static QString title();
    // The pupil list's columns (title, width in pixels).
    static QList<QPair<QString, int>> listColumns();

    // owner: the dialog that owns the message boxes (or null).
    CardManagement(CDB db, platform::ListView* pList, QObject* owner = nullptr);

    // One entry per class, "number--name", sorted by their texts.
    QStringList classEntries() const;
    // The class number of an entry: its text before the first "--"; empty without one.
    static QString classNumberOf(const QString& strEntry);
    // Empties the list and lists the pupils of the entry's class with their card numbers.
    void view(const QString& strEntry);

    // The row to edit: the first selected one, or -1 after "没有选择要修改的记录".
    int rowToModify() const;
    // After "确认删除所选卡号吗?" is answered Yes, clears the card number of every selected row's
    // pupil and empties its "卡号" cell. A card that cannot be cleared is said and the other
    // rows are still handled.
    void deleteSelected();

    // The pupil a row stands for: the identifier kept with the row (rows of an import, whose
    // column 0 is a running number), else column 0.
    static long pupilOfRow(const platform::ListView& list, int iRow);

private:
    CDB m_db;
    platform::ListView* m_pList;
    QObject* m_pOwner;
};
