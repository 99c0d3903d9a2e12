#pragma once

#include "ToolError.h"

#include <QCoroTask>
#include <QNetworkAccessManager>
#include <QPointer>
#include <QString>
#include <QUrl>

#include <chrono>
#include <functional>
#include <optional>

class QNetworkReply;

// Downloads one URL to one file. The body is streamed to a temporary file
// next to the destination, which replaces the destination only when the whole
// body arrived; nothing is kept in memory and no cookies or cache are used.
// One instance serves one download at a time. The SHA-256 of the body can be
// computed as it streams in, so checking a large download needs no second read.
class FileDownloader {
public:
    // A transfer that makes no progress for stallTimeout fails.
    explicit FileDownloader(std::chrono::milliseconds stallTimeout = std::chrono::seconds(60));

    // Nothing on success. onProgress gets fractions from 0 to 1, only when the
    // server announces the size; it is called on this object's thread.
    QCoro::Task<std::optional<ToolError>> download(
        const QUrl& url, const QString& dest, std::function<void(double)> onProgress);
    // Stops the running download, which then fails with the cancellation error.
    void cancel();
    // Has the following downloads hash their body as it streams in (off by default).
    void setHashing(bool hashing) { m_hashing = hashing; }
    // Lower-case hex SHA-256 of the body of the last successful download;
    // empty without hashing.
    QByteArray sha256() const { return m_sha256; }

private:
    std::chrono::milliseconds m_stallTimeout;
    QNetworkAccessManager m_network;
    QPointer<QNetworkReply> m_reply;
    bool m_hashing = false;
    QByteArray m_sha256;
};
