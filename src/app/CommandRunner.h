#pragma once

#include <functional>

// How the window runs a command: its errors shown in the application's error box, never let out
// into the event loop, and what waits for the command's end done then (a close asked for
// meanwhile). Features whose work starts outside a command (a drop target asking for a drag's
// files) run it through this.
class ICommandRunner {
public:
    virtual void RunCommand(const std::function<void()>& command) = 0;

protected:
    ~ICommandRunner() = default;
};
