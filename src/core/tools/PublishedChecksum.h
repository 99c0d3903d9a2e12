#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>

#include <optional>

// Where the publisher of a tool publishes the SHA-256 of one release asset.
struct ChecksumSource {
    enum class Kind {
        sumsFile, // "<hash>  <asset name>" lines
        releaseDigest, // release JSON: assets[].name and "digest": "sha256:<hash>"
    };
    Kind kind = Kind::sumsFile;
    QUrl url;
    QString asset;
    bool operator==(const ChecksumSource&) const = default;
};

namespace PublishedChecksum {
// The checksum published for a download URL (mirrored URLs keep their path);
// none when its publisher offers none worth trusting.
std::optional<ChecksumSource> locate(const QUrl& download);
// The lower-case hex hash for asset from a checksum document of the source's
// kind; none when the document does not name the asset.
std::optional<QByteArray> parse(ChecksumSource::Kind kind, const QByteArray& document, const QString& asset);
} // namespace PublishedChecksum
