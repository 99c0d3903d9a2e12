#pragma once

#include "TaskRecord.h"

#include <QList>
#include <QString>

// The queue file "queue.json" in the application-support directory: one
// JSON array of task records in queue order.
namespace QueueFile {

QString path();
// The records in file order; empty when the file is missing or does not
// decode (one bad record makes the whole file undecodable, and the file is
// then kept aside as a corrupt copy).
QList<TaskRecord> load();
bool save(const QList<TaskRecord>& records);

} // namespace QueueFile
