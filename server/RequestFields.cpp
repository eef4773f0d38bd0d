#include "RequestFields.h"

#include "ReplyError.h"

#include <QRegularExpression>
#include <QStringDecoder>

namespace molvena::server {

namespace {

using Status = ReplyError::Status;

[[noreturn]] void refuse(const QString& message) {
    throw ReplyError(Status::BadRequest, message);
}

QString fieldMessage(const char* pattern, const QString& name) {
    return QString::fromUtf8(pattern).arg(name);
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

QByteArray percentDecoded(QByteArrayView piece) {
    QByteArray bytes;
    bytes.reserve(piece.size());
    for (qsizetype i = 0; i < piece.size(); ++i) {
        const char c = piece[i];
        if (c == '+') {
            bytes.append(' ');
        } else if (c == '%') {
            const int high = i + 2 < piece.size() ? hexValue(piece[i + 1]) : -1;
            const int low = i + 2 < piece.size() ? hexValue(piece[i + 2]) : -1;
            if (high < 0 || low < 0) {
                refuse(QStringLiteral("Forespørgslen kunne ikke læses."));
            }
            bytes.append(static_cast<char>(high * 16 + low));
            i += 2;
        } else {
            bytes.append(c);
        }
    }
    return bytes;
}

std::optional<QString> strictUtf8(const QByteArray& bytes) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (decoder.hasError()) {
        return std::nullopt;
    }
    return text;
}

bool isControl(QChar c) {
    const char16_t u = c.unicode();
    return u < 0x20 || (u >= 0x7F && u <= 0x9F) || u == 0x2028 || u == 0x2029 ||
           c.category() == QChar::Other_Format;
}

} // namespace

RequestFields RequestFields::parse(const QByteArray& encoded) {
    RequestFields fields;
    if (encoded.isEmpty()) {
        return fields;
    }
    const QList<QByteArray> pieces = encoded.split('&');
    for (const QByteArrayView piece : pieces) {
        if (piece.isEmpty()) {
            continue;
        }
        if (fields.m_values.size() >= maximumFieldCount) {
            refuse(QStringLiteral("Forespørgslen har for mange felter."));
        }
        const qsizetype equals = piece.indexOf('=');
        const QByteArrayView rawName = equals < 0 ? piece : piece.first(equals);
        const QByteArrayView rawValue = equals < 0 ? QByteArrayView() : piece.sliced(equals + 1);
        const std::optional<QString> name = strictUtf8(percentDecoded(rawName));
        if (!name || name->isEmpty() || name->size() > 64) {
            refuse(QStringLiteral("Forespørgslen kunne ikke læses."));
        }
        if (fields.m_values.contains(*name)) {
            refuse(fieldMessage("Feltet %1 er angivet flere gange.", *name));
        }
        fields.m_values.insert(*name, percentDecoded(rawValue));
    }
    return fields;
}

std::optional<QString> RequestFields::decoded(const QString& name, int maxLength) const {
    const auto found = m_values.constFind(name);
    if (found == m_values.constEnd()) {
        return std::nullopt;
    }
    // Four UTF-8 bytes per character at most: a longer value cannot pass the length check.
    if (found->size() > qsizetype(maxLength) * 4) {
        refuse(fieldMessage("Feltet %1 er for langt.", name));
    }
    const std::optional<QString> text = strictUtf8(*found);
    if (!text) {
        refuse(fieldMessage("Feltet %1 indeholder ugyldige tegn.", name));
    }
    if (text->size() > maxLength) {
        refuse(fieldMessage("Feltet %1 er for langt.", name));
    }
    if (std::any_of(text->cbegin(), text->cend(), isControl)) {
        refuse(fieldMessage("Feltet %1 indeholder ugyldige tegn.", name));
    }
    return text;
}

QString RequestFields::text(const QString& name, int maxLength) const {
    const std::optional<QString> value = decoded(name, maxLength);
    if (!value || value->trimmed().isEmpty()) {
        refuse(fieldMessage("Feltet %1 mangler.", name));
    }
    return *value;
}

QString RequestFields::optionalText(const QString& name, int maxLength) const {
    return decoded(name, maxLength).value_or(QString());
}

QString RequestFields::digits(const QString& name, int count) const {
    const QString value = text(name, 32);
    QString ascii;
    for (const QChar c : value) {
        if (!c.isDigit()) {
            break;
        }
        ascii.append(QChar(u'0' + c.digitValue()));
    }
    if (ascii.size() != count || value.size() != count) {
        refuse(QString::fromUtf8("Feltet %1 skal bestå af %2 cifre.").arg(name).arg(count));
    }
    return ascii;
}

qint64 RequestFields::integer(const QString& name, qint64 minimum, qint64 maximum,
                              const QString& rangeMessage) const {
    static const QRegularExpression wholeNumber(QStringLiteral("^[+-]?[0-9]{1,18}$"));
    const QString value = text(name, 20);
    if (!wholeNumber.match(value).hasMatch()) {
        refuse(fieldMessage("Feltet %1 skal være et helt tal.", name));
    }
    const qint64 number = value.toLongLong();
    if (number < minimum || number > maximum) {
        refuse(rangeMessage.isEmpty() ? fieldMessage("Feltet %1 er uden for det tilladte interval.", name)
                                      : rangeMessage);
    }
    return number;
}

bool RequestFields::flag(const QString& name) const {
    const QString value = text(name, 16);
    if (value != QLatin1String("0") && value != QLatin1String("1")) {
        refuse(fieldMessage("Feltet %1 skal være 0 eller 1.", name));
    }
    return value == QLatin1String("1");
}

QString RequestFields::choice(const QString& name, const QStringList& allowed) const {
    const QString value = text(name, 64);
    if (!allowed.contains(value)) {
        refuse(fieldMessage("Feltet %1 har en ukendt værdi.", name));
    }
    return value;
}

QString RequestFields::token(const QString& name) const {
    static const QRegularExpression form(QStringLiteral("^[A-Za-z0-9_.:-]{1,128}$"));
    const QString value = text(name, 128).trimmed();
    if (!form.match(value).hasMatch()) {
        refuse(fieldMessage("Feltet %1 er ugyldigt.", name));
    }
    return value;
}

QString RequestFields::email(const QString& name) const {
    static const QRegularExpression form(QStringLiteral("^[^\\s@]+@[^\\s@]+$"));
    const QString value = text(name, 254).trimmed();
    if (!form.match(value).hasMatch()) {
        throw ReplyError(Status::BadRequest, QStringLiteral("E-mailadressen er ikke gyldig."));
    }
    return value;
}

std::optional<QString> RequestFields::domain(const QString& name) const {
    static const QRegularExpression form(QStringLiteral(
        "^(?=.{1,253}$)([a-z0-9_]([a-z0-9_-]{0,61}[a-z0-9])?)(\\.[a-z0-9_]([a-z0-9_-]{0,61}[a-z0-9])?)*$"));
    const QString value = optionalText(name, 253).trimmed().toLower();
    if (value.isEmpty()) {
        return std::nullopt;
    }
    if (!form.match(value).hasMatch()) {
        throw ReplyError(Status::BadRequest, QStringLiteral("Domænet er ikke gyldigt."));
    }
    return value;
}

} // namespace molvena::server
