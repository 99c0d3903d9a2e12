#pragma once

#include <QObject>

// Lets the owner of a running job ask it to stop early. The job decides what
// stopping means (ProcessRunner::run sends its child SIGTERM); destroying the
// token counts as a request too.
class CancelToken : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

    void cancel();
    bool isCancelled() const { return m_cancelled; }

signals:
    void cancelled();

private:
    bool m_cancelled = false;
};
