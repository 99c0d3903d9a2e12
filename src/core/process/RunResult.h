#pragma once

#include <QString>

// Outcome of one ProcessRunner::run. Callers check timedOut before status.
struct RunResult {
    int status = -1; // exit status, 128 + signal number when signalled, -1 when the launch failed
    QString stdOut;
    QString stdErr; // for a launch failure, the "Failed to launch …" sentence
    bool timedOut = false;
};
