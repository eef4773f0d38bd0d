#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

#include <optional>

namespace molvena::server {

// The fields of one request (a form body or a URL query), read only through checking accessors:
// every value that a handler uses has been decoded as UTF-8, bounded in length and checked for the
// form it must have. Each accessor throws ReplyError with a Danish message when the check fails, so
// nothing unchecked reaches SQL and every refusal is a 4xx.
class RequestFields {
public:
    static constexpr int maximumFieldCount = 64;

    // Decodes "name=value&..." with percent escapes and "+" for a blank. Throws on malformed escapes,
    // names that are not UTF-8, a name given twice, or too many fields.
    static RequestFields parse(const QByteArray& encoded);

    bool has(const QString& name) const { return m_values.contains(name); }

    // A one-line text of at most maxLength characters that is not blank.
    QString text(const QString& name, int maxLength) const;
    // The same, but missing means empty and blank is allowed.
    QString optionalText(const QString& name, int maxLength) const;
    // Exactly `count` decimal digits (any script), returned as ASCII digits.
    QString digits(const QString& name, int count) const;
    // A whole number in decimal within [minimum, maximum]; outside it, `rangeMessage`.
    qint64 integer(const QString& name, qint64 minimum, qint64 maximum,
                   const QString& rangeMessage = {}) const;
    // "1" or "0".
    bool flag(const QString& name) const;
    // One of the given words.
    QString choice(const QString& name, const QStringList& allowed) const;
    // A Mac's token as the app makes it: "mac-" and a lower-case UUID.
    QString deviceToken(const QString& name = QStringLiteral("device_token")) const;
    // A relative's token as this server makes it: "rel-" and 48 hexadecimal digits.
    QString pairingToken(const QString& name = QStringLiteral("token")) const;
    // An e-mail address, trimmed; the lookup key is its lower-case form.
    QString email(const QString& name = QStringLiteral("email")) const;
    // A host name in lower case, when the field is present and not empty.
    std::optional<QString> domain(const QString& name = QStringLiteral("domain")) const;

    // The characters a person sees in `text` (grapheme clusters), not its UTF-16 units.
    static qsizetype visibleLength(const QString& text);

private:
    // The decoded value, or nothing when the field is absent.
    std::optional<QString> decoded(const QString& name, int maxLength) const;

    QHash<QString, QByteArray> m_values;
};

} // namespace molvena::server
