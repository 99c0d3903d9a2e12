#include "JsonReader.h"

#include "IsoDate.h"

#include <QJsonArray>

#include <cmath>

JsonReader::JsonReader(const QJsonObject& object)
    : m_object(object)
{
}

QString JsonReader::string(const QString& key)
{
    const QJsonValue value = m_object.value(key);
    if (!value.isString())
        m_ok = false;
    return value.toString();
}

std::optional<QString> JsonReader::optionalString(const QString& key)
{
    const QJsonValue value = m_object.value(key);
    if (value.isUndefined() || value.isNull())
        return std::nullopt;
    if (!value.isString()) {
        m_ok = false;
        return std::nullopt;
    }
    return value.toString();
}

bool JsonReader::boolean(const QString& key)
{
    const QJsonValue value = m_object.value(key);
    if (!value.isBool())
        m_ok = false;
    return value.toBool();
}

double JsonReader::number(const QString& key)
{
    const QJsonValue value = m_object.value(key);
    if (!value.isDouble() || !std::isfinite(value.toDouble()))
        m_ok = false;
    return value.toDouble();
}

qint64 JsonReader::integer(const QString& key)
{
    return wholeNumber(m_object.value(key));
}

std::optional<qint64> JsonReader::optionalInteger(const QString& key)
{
    const QJsonValue value = m_object.value(key);
    if (value.isUndefined() || value.isNull())
        return std::nullopt;
    return wholeNumber(value);
}

qint64 JsonReader::wholeNumber(const QJsonValue& value)
{
    // toInteger() yields 0 for anything it cannot represent exactly.
    const qint64 number = value.toInteger();
    if (!value.isDouble() || (number == 0 && value.toDouble() != 0))
        m_ok = false;
    return number;
}

QUuid JsonReader::uuid(const QString& key)
{
    const QUuid id = QUuid::fromString(string(key));
    if (id.isNull())
        m_ok = false;
    return id;
}

QDateTime JsonReader::date(const QString& key)
{
    const std::optional<QDateTime> date = IsoDate::fromString(string(key));
    if (!date)
        m_ok = false;
    return date.value_or(QDateTime());
}

std::optional<QDateTime> JsonReader::optionalDate(const QString& key)
{
    const std::optional<QString> text = optionalString(key);
    if (!text)
        return std::nullopt;
    const std::optional<QDateTime> date = IsoDate::fromString(*text);
    if (!date)
        m_ok = false;
    return date;
}

QStringList JsonReader::stringList(const QString& key)
{
    const QJsonValue value = m_object.value(key);
    if (!value.isArray()) {
        m_ok = false;
        return {};
    }
    QStringList list;
    for (const QJsonValue element : value.toArray()) {
        if (!element.isString())
            m_ok = false;
        list.append(element.toString());
    }
    return list;
}

QJsonObject JsonReader::object(const QString& key)
{
    const QJsonValue value = m_object.value(key);
    if (!value.isObject())
        m_ok = false;
    return value.toObject();
}

QString uuidText(const QUuid& id)
{
    return id.toString(QUuid::WithoutBraces).toUpper();
}
