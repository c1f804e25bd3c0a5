#pragma once

#include "MessageService.h"

namespace platform
{

// Message boxes of a run without windows (the station's check mode): each box is written to
// standard error as "caption: text"; questions are answered No, so nothing is changed on the
// user's behalf.
class ConsoleMessageService final : public MessageService
{
public:
    Answer show(const QString& text, const QString& caption, Icon icon, Buttons buttons,
                QObject* owner) override;
};

} // namespace platform
