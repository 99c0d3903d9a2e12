#pragma once

#include <QDateTime>
#include <QJsonObject>
#include <QStringList>
#include <QUuid>

#include <optional>

// Reads typed members of one JSON object strictly, for the records the
// program writes itself (download options, queue, history). Any missing
// required member or member of the wrong type clears ok(), which makes the
// whole record unreadable; a missing or null optional member reads as absent.
class JsonReader {
public:
    explicit JsonReader(const QJsonObject& object);

    bool ok() const { return m_ok; }
    void require(bool condition) { m_ok = m_ok && condition; }

    QString string(const QString& key);
    std::optional<QString> optionalString(const QString& key);
    bool boolean(const QString& key);
    // Any finite number.
    double number(const QString& key);
    // Whole numbers within 64 bits only: 2.5 or 1e300 must not silently
    // become a count.
    qint64 integer(const QString& key);
    std::optional<qint64> optionalInteger(const QString& key);
    QUuid uuid(const QString& key);
    QDateTime date(const QString& key);
    std::optional<QDateTime> optionalDate(const QString& key);
    QStringList stringList(const QString& key);
    QJsonObject object(const QString& key);

private:
    qint64 wholeNumber(const QJsonValue& value);

    QJsonObject m_object;
    bool m_ok = true;
};

// A UUID in the upper-case hyphenated form the files and log names use.
QString uuidText(const QUuid& id);
