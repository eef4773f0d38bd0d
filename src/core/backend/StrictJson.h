#pragma once

#include <QByteArray>
#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QList>
#include <QString>

#include <concepts>
#include <optional>

namespace molvena {

class StrictObject;

// A record that can be decoded strictly from a JSON object.
template <typename Record>
concept StrictlyDecodable = requires(const StrictObject& object) {
    { Record::decode(object) } -> std::same_as<Record>;
};

// Strict decoding of JSON reply records: members by their exact names; a required member
// that is missing or null, or any member of the wrong JSON type, throws DecodingError; members that
// are not asked for are ignored. Types: QString = a JSON text; bool = a JSON boolean; qint64 = a JSON
// number with a whole value; double = any JSON number; StrictObject = a JSON object; QList<Record> =
// an array of objects of a StrictlyDecodable record. Numbers are never texts, nor the reverse.
class StrictObject {
public:
    explicit StrictObject(QJsonObject object, QString path = {});

    template <typename T> T required(const char* key) const {
        return convert<T>(requiredValue(key), pathOf(key));
    }

    // Absent when the member is missing or null; throws when it is present with the wrong type.
    template <typename T> std::optional<T> optional(const char* key) const {
        const QJsonValue value = m_object.value(QLatin1String(key));
        if (value.isUndefined() || value.isNull()) {
            return std::nullopt;
        }
        return convert<T>(value, pathOf(key));
    }

    const QJsonObject& json() const { return m_object; }
    const QString& path() const { return m_path; }

    // Parses a whole reply body as one JSON object: JsonSyntaxError when it is not JSON,
    // DecodingError when it is JSON but not an object.
    static StrictObject parse(const QByteArray& body);

private:
    template <typename T> struct Tag {};

    QJsonValue requiredValue(const char* key) const;
    QString pathOf(const char* key) const;

    template <typename T> static T convert(const QJsonValue& value, const QString& path) {
        return convertTo(value, path, Tag<T>{});
    }

    static QString convertTo(const QJsonValue& value, const QString& path, Tag<QString>);
    static bool convertTo(const QJsonValue& value, const QString& path, Tag<bool>);
    static qint64 convertTo(const QJsonValue& value, const QString& path, Tag<qint64>);
    static double convertTo(const QJsonValue& value, const QString& path, Tag<double>);
    static StrictObject convertTo(const QJsonValue& value, const QString& path, Tag<StrictObject>);
    static QJsonArray arrayFrom(const QJsonValue& value, const QString& path);

    template <StrictlyDecodable Record>
    static QList<Record> convertTo(const QJsonValue& value, const QString& path, Tag<QList<Record>>) {
        const QJsonArray array = arrayFrom(value, path);
        QList<Record> records;
        records.reserve(array.size());
        for (qsizetype index = 0; index < array.size(); ++index) {
            const QString elementPath = path + QLatin1Char('[') + QString::number(index) + QLatin1Char(']');
            records.append(Record::decode(convertTo(array.at(index), elementPath, Tag<StrictObject>{})));
        }
        return records;
    }

    QJsonObject m_object;
    QString m_path;
};

// Decodes a whole reply body strictly as one record.
template <StrictlyDecodable Record> Record decodeStrictly(const QByteArray& body) {
    return Record::decode(StrictObject::parse(body));
}

// Parses a reply body as JSON the way the backend operations do: any JSON object or array; a syntax
// error (a top-level scalar counts as one) throws JsonSyntaxError.
QJsonValue parseJsonReply(const QByteArray& body);

// The operations' idea of "true": the JSON boolean true or a number exactly equal to 1.
bool isSuccessFlag(const QJsonValue& value);

} // namespace molvena
