#pragma once

// Helpers for tests that click real dialogs on the offscreen platform.

#include "DialogUnits.h"
#include "ReportList.h"
#include "TestSupport.h"

#include <QApplication>
#include <QList>
#include <QStringList>
#include <QTimer>
#include <QWidget>

#include <functional>

namespace testsupport
{

// Runs action on the modal dialog of type T once it is shown (answers a modal exec() call).
template <typename T> void whenModalShown(std::function<void(T*)> action, int tries = 500)
{
    QTimer::singleShot(10, [action, tries] {
        if (auto* dlg = qobject_cast<T*>(QApplication::activeModalWidget())) {
            action(dlg);
            return;
        }
        if (tries > 0)
            whenModalShown<T>(action, tries - 1);
    });
}

// The control of w with this id, found as the station finds it: by objectName "id<N>".
template <typename T> T* child(const QWidget* w, int id)
{
    return w->findChild<T*>(platform::controlName(id));
}

inline QStringList headers(const platform::ReportList* list)
{
    QStringList titles;
    for (int c = 0; c < list->model()->columnCount(); ++c)
        titles << list->model()->headerData(c, Qt::Horizontal).toString();
    return titles;
}

inline QList<QStringList> rowsOf(const platform::ReportList* list, int columns)
{
    QList<QStringList> rows;
    for (int r = 0; r < list->rowCount(); ++r) {
        QStringList row;
        for (int c = 0; c < columns; ++c)
            row << list->cell(r, c);
        rows << row;
    }
    return rows;
}

} // namespace testsupport
