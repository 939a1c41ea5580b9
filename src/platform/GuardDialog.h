#pragma once

#include "RunningCommand.h"

// Keeps the windows painting while a command runs. User input waits for the first half
// second; then a modal "Running" dialog shows the command line with a Stop button, and it
// keeps input away from every other window until the command has ended.
class GuardDialog final : public RunGuard
{
public:
    static constexpr int delayMs = 500;

    void watch(RunningCommand &command) override;
};
