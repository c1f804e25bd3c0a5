#pragma once

// Helpers for tests that click real dialogs on the offscreen platform.

#include "TestSupport.h"

#include <QApplication>
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

} // namespace testsupport
