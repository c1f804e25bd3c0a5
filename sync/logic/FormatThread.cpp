#include "FormatThread.h"

#include "MachineInterface.h"
#include "PleaseWaitView.h"

FormatThread::FormatThread(std::shared_ptr<MachineInterface> machine, PleaseWaitView& window)
    : m_machine(std::move(machine)), m_window(window)
{
}

void FormatThread::run()
{
    // The user confirmed the erase: it is not cut short, and goodbye always follows.
    m_machine->CMD0_Handshake();
    m_machine->CMD6_Format();
    m_machine->CMD10_Goodbye();
    m_window.closeWindow();
}
