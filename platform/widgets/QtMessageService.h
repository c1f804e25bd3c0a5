#pragma once

#include "MessageService.h"

namespace platform
{

// Shows QMessageBox windows. A worker thread's box is shown by the user-interface thread
// while the worker waits for the answer.
class QtMessageService final : public MessageService
{
public:
    Answer show(const QString& text, const QString& caption, Icon icon, Buttons buttons,
                QObject* owner) override;
};

} // namespace platform
