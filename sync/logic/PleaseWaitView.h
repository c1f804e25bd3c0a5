#pragma once

// The please-wait window as the clearing worker sees it. Safe to call from the worker thread;
// the window is closed on the user-interface thread before the call returns.
class PleaseWaitView
{
public:
    virtual ~PleaseWaitView() = default;
    virtual void closeWindow() = 0;
};
