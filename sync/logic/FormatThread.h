#pragma once

#include "ExchangeWorker.h"

#include <memory>

class MachineInterface;
class PleaseWaitView;

// Clears the instrument: handshake, format, goodbye, whatever each answers, then closes the
// please-wait window. Nothing is reported, success or not.
class FormatThread final : public ExchangeWorker
{
    Q_OBJECT
public:
    // The window must stay open until the worker closes it (CDlgProcessFormat refuses the user).
    FormatThread(std::shared_ptr<MachineInterface> machine, PleaseWaitView& window);

    void run() override;

private:
    std::shared_ptr<MachineInterface> m_machine;
    PleaseWaitView& m_window;
};
