#pragma once

#include <QDateTime>
#include <QJsonObject>
#include <QStringList>
#include <QUuid>

#include <optional>

// Reads typed members of one JSON object for the queue and history files.
// Any missing required member or member of the wrong type clears ok(); a
// missing or null optional member reads as absent.
class JsonReader {
public:
    explicit JsonReader(const QJsonObject& object);

    bool ok() const { return m_ok; }
    void fail() { m_ok = false; }

    QString string(const QString& key);
    std::optional<QString> optionalString(const QString& key);
    double number(const QString& key);
    std::optional<qint64> optionalInteger(const QString& key);
    QUuid uuid(const QString& key);
    QDateTime date(const QString& key);
    std::optional<QDateTime> optionalDate(const QString& key);
    QStringList stringList(const QString& key);
    QJsonObject object(const QString& key);

private:
    QJsonObject m_object;
    bool m_ok = true;
};

// A UUID in the upper-case hyphenated form the files and log names use.
QString uuidText(const QUuid& id);
