#pragma once

#include "RunResult.h"

#include <QMap>
#include <QString>
#include <QStringList>

#include <qcoro/qcorotask.h>

class CancelToken;

// Runs short-lived programs to completion and collects what they print.
namespace ProcessRunner {

// The complete environment of every child: these nine variables, freshly
// built on each call, and nothing of this program's own environment.
QMap<QString, QString> baseEnvironment();

// Runs the program with the arguments and returns its status and output.
// A program still running after timeoutSeconds is killed with SIGKILL and
// reported as timedOut (status 137). A launch failure gives status -1 and the
// stdErr "Failed to launch <file name>: <reason>". Never fails otherwise.
QCoro::Task<RunResult> run(const QString& executable, const QStringList& arguments, double timeoutSeconds);
// The same; when `cancel` is cancelled or destroyed the child gets SIGTERM and
// the run returns once it has ended (status 143 when it obeyed).
QCoro::Task<RunResult> run(const QString& executable, const QStringList& arguments, double timeoutSeconds,
    const CancelToken* cancel);

} // namespace ProcessRunner
