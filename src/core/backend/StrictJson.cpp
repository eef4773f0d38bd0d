#include "StrictJson.h"

#include "Error.h"

#include <QJsonDocument>
#include <QJsonParseError>

#include <cmath>

namespace molvena {

namespace {

QString jsonTypeName(const QJsonValue& value) {
    switch (value.type()) {
    case QJsonValue::Null:
        return QStringLiteral("null");
    case QJsonValue::Bool:
        return QStringLiteral("a boolean");
    case QJsonValue::Double:
        return QStringLiteral("a number");
    case QJsonValue::String:
        return QStringLiteral("a text");
    case QJsonValue::Array:
        return QStringLiteral("an array");
    case QJsonValue::Object:
        return QStringLiteral("an object");
    case QJsonValue::Undefined:
        break;
    }
    return QStringLiteral("nothing");
}

[[noreturn]] void throwWrongType(const QJsonValue& value, const QString& path, const char* expected) {
    throw DecodingError(
        DecodingError::wrongType, path,
        QStringLiteral("expected %1, found %2").arg(QLatin1String(expected), jsonTypeName(value)));
}

} // namespace

StrictObject::StrictObject(QJsonObject object, QString path)
    : m_object(std::move(object)), m_path(std::move(path)) {}

StrictObject StrictObject::parse(const QByteArray& body) {
    const QJsonValue value = parseJsonReply(body);
    return convertTo(value, QString(), Tag<StrictObject>{});
}

QJsonValue StrictObject::requiredValue(const char* key) const {
    const QJsonValue value = m_object.value(QLatin1String(key));
    if (value.isUndefined()) {
        throw DecodingError(DecodingError::valueMissing, pathOf(key),
                            QStringLiteral("required member is missing"));
    }
    if (value.isNull()) {
        throw DecodingError(DecodingError::valueMissing, pathOf(key),
                            QStringLiteral("required member is null"));
    }
    return value;
}

QString StrictObject::pathOf(const char* key) const {
    return m_path.isEmpty() ? QString::fromLatin1(key) : m_path + QLatin1Char('.') + QLatin1String(key);
}

QString StrictObject::convertTo(const QJsonValue& value, const QString& path, Tag<QString>) {
    if (!value.isString()) {
        throwWrongType(value, path, "a text");
    }
    return value.toString();
}

bool StrictObject::convertTo(const QJsonValue& value, const QString& path, Tag<bool>) {
    if (!value.isBool()) {
        throwWrongType(value, path, "a boolean");
    }
    return value.toBool();
}

qint64 StrictObject::convertTo(const QJsonValue& value, const QString& path, Tag<qint64>) {
    if (!value.isDouble()) {
        throwWrongType(value, path, "a whole number");
    }
    // Whole numbers beyond 2^53 keep their exact value in QJsonValue; toDouble() is only the check.
    const double number = value.toDouble();
    constexpr double limit = 9223372036854775808.0; // 2^63
    if (!std::isfinite(number) || std::trunc(number) != number || number < -limit || number >= limit) {
        throw DecodingError(DecodingError::wrongType, path,
                            QStringLiteral("the number %1 is not a whole number that fits").arg(number));
    }
    return value.toInteger();
}

double StrictObject::convertTo(const QJsonValue& value, const QString& path, Tag<double>) {
    if (!value.isDouble()) {
        throwWrongType(value, path, "a number");
    }
    return value.toDouble();
}

StrictObject StrictObject::convertTo(const QJsonValue& value, const QString& path, Tag<StrictObject>) {
    if (!value.isObject()) {
        throwWrongType(value, path, "an object");
    }
    return StrictObject(value.toObject(), path);
}

QJsonArray StrictObject::arrayFrom(const QJsonValue& value, const QString& path) {
    if (!value.isArray()) {
        throwWrongType(value, path, "an array");
    }
    return value.toArray();
}

QJsonValue parseJsonReply(const QByteArray& body) {
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(body, &error);
    if (error.error != QJsonParseError::NoError) {
        throw JsonSyntaxError(int(error.error), error.errorString(), error.offset);
    }
    if (document.isArray()) {
        return document.array();
    }
    return document.object();
}

bool isSuccessFlag(const QJsonValue& value) {
    if (value.isBool()) {
        return value.toBool();
    }
    return value.isDouble() && value.toDouble() == 1.0;
}

} // namespace molvena
