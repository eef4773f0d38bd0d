#include "RequestFields.h"

#include "ReplyError.h"

#include <QHash>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QTextBoundaryFinder>

namespace molvena::server {

namespace {

using Status = ReplyError::Status;

[[noreturn]] void refuse(const QString& message) {
    throw ReplyError(Status::BadRequest, message);
}

// What the user calls a field, and its Danish gender, so that a message reads as a sentence
// ("Navnet er for langt.") rather than naming the wire field.
struct Label {
    const char* noun;
    enum Gender { common, neuter, plural } gender;
};

Label labelOf(const QString& name) {
    static const QHash<QString, Label> labels{
        {QStringLiteral("action"), {"Handlingen", Label::common}},
        {QStringLiteral("device_token"), {"Mac'ens id", Label::neuter}},
        {QStringLiteral("token"), {"Forbindelsens nøgle", Label::common}},
        {QStringLiteral("pairing_code"), {"Parringskoden", Label::common}},
        {QStringLiteral("code"), {"Koden", Label::common}},
        {QStringLiteral("name"), {"Navnet", Label::neuter}},
        {QStringLiteral("email"), {"E-mailadressen", Label::common}},
        {QStringLiteral("master_pin"), {"Master PIN-koden", Label::common}},
        {QStringLiteral("pin"), {"Master PIN-koden", Label::common}},
        {QStringLiteral("old_pin"), {"Den nuværende Master PIN-kode", Label::common}},
        {QStringLiteral("new_pin"), {"Den nye Master PIN-kode", Label::common}},
        {QStringLiteral("support_contacts"), {"Listen over kontaktpersoner", Label::common}},
        {QStringLiteral("push_token"), {"Push-id'et", Label::neuter}},
        {QStringLiteral("country"), {"Landekoden", Label::common}},
        {QStringLiteral("platform"), {"Platformen", Label::common}},
        {QStringLiteral("device_name"), {"Mac'ens navn", Label::neuter}},
        {QStringLiteral("last_gambling_date"), {"Datoen for sidste spil", Label::common}},
        {QStringLiteral("location_type"), {"Spillestedet", Label::neuter}},
        {QStringLiteral("game_types"), {"Spiltyperne", Label::plural}},
        {QStringLiteral("monthly_spend_dkk"), {"Beløbet", Label::neuter}},
        {QStringLiteral("source"), {"Kilden", Label::common}},
        {QStringLiteral("reason"), {"Hændelsen", Label::common}},
        {QStringLiteral("domain"), {"Domænet", Label::neuter}},
        {QStringLiteral("role"), {"Rollen", Label::common}},
        {QStringLiteral("browser"), {"Browseren", Label::common}},
        {QStringLiteral("browser_dns_bypass"), {"Listen over browsere", Label::common}},
    };
    for (const char* flag :
         {"active", "filter_active", "launch_at_login", "dns_active", "vpn_active", "heartbeat"}) {
        if (name == QLatin1String(flag)) {
            return {"Beskyttelsesstatussen", Label::common};
        }
    }
    return labels.value(name, {"Et felt i forespørgslen", Label::neuter});
}

// `pattern` has %1 for the field's label and %2 for an adjective given as "common|neuter|plural".
QString fieldMessage(const char* pattern, const QString& name, const char* adjective = "") {
    const Label label = labelOf(name);
    const QStringList forms = QString::fromUtf8(adjective).split(QLatin1Char('|'));
    const QString form = forms.value(int(label.gender), forms.first());
    return QString::fromUtf8(pattern).arg(QString::fromUtf8(label.noun), form);
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
            refuse(QStringLiteral("Forespørgslen indeholder det samme felt flere gange."));
        }
        fields.m_values.insert(*name, percentDecoded(rawValue));
    }
    return fields;
}

qsizetype RequestFields::visibleLength(const QString& text) {
    QTextBoundaryFinder clusters(QTextBoundaryFinder::Grapheme, text);
    qsizetype count = 0;
    while (clusters.toNextBoundary() > 0) {
        ++count;
    }
    return count;
}

std::optional<QString> RequestFields::decoded(const QString& name, int maxLength) const {
    const auto found = m_values.constFind(name);
    if (found == m_values.constEnd()) {
        return std::nullopt;
    }
    // Lengths are the characters a person sees (an emoji with its modifiers is one), within a
    // bound on the bytes that keeps what is stored small.
    if (found->size() > qsizetype(maxLength) * 16) {
        refuse(fieldMessage("%1 er for %2.", name, "lang|langt|lange"));
    }
    const std::optional<QString> text = strictUtf8(*found);
    if (!text) {
        refuse(fieldMessage("%1 indeholder ugyldige tegn.", name));
    }
    if (visibleLength(*text) > maxLength) {
        refuse(fieldMessage("%1 er for %2.", name, "lang|langt|lange"));
    }
    if (std::any_of(text->cbegin(), text->cend(), isControl)) {
        refuse(fieldMessage("%1 indeholder ugyldige tegn.", name));
    }
    return text;
}

QString RequestFields::text(const QString& name, int maxLength) const {
    const std::optional<QString> value = decoded(name, maxLength);
    if (!value || value->trimmed().isEmpty()) {
        refuse(fieldMessage("%1 mangler.", name));
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
        refuse(fieldMessage("%1 skal bestå af %2 cifre.", name, count == 4 ? "4" : "6"));
    }
    return ascii;
}

qint64 RequestFields::integer(const QString& name, qint64 minimum, qint64 maximum,
                              const QString& rangeMessage) const {
    static const QRegularExpression wholeNumber(QStringLiteral("^[+-]?[0-9]{1,18}$"));
    const QString value = text(name, 20);
    if (!wholeNumber.match(value).hasMatch()) {
        refuse(fieldMessage("%1 skal være et helt tal.", name));
    }
    const qint64 number = value.toLongLong();
    if (number < minimum || number > maximum) {
        refuse(rangeMessage.isEmpty() ? fieldMessage("%1 er uden for det tilladte interval.", name)
                                      : rangeMessage);
    }
    return number;
}

bool RequestFields::flag(const QString& name) const {
    const QString value = text(name, 16);
    if (value != QLatin1String("0") && value != QLatin1String("1")) {
        refuse(fieldMessage("%1 er %2.", name, "ugyldig|ugyldigt|ugyldige"));
    }
    return value == QLatin1String("1");
}

QString RequestFields::choice(const QString& name, const QStringList& allowed) const {
    const QString value = text(name, 64);
    if (!allowed.contains(value)) {
        refuse(fieldMessage("%1 er %2.", name, "ukendt|ukendt|ukendte"));
    }
    return value;
}

QString RequestFields::deviceToken(const QString& name) const {
    // The app's form: "mac-" and a lower-case UUID.
    static const QRegularExpression form(
        QStringLiteral("^mac-[0-9a-f]{8}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{12}$"));
    const QString value = text(name, 64).trimmed();
    if (!form.match(value).hasMatch()) {
        refuse(fieldMessage("%1 er %2.", name, "ugyldig|ugyldigt|ugyldige"));
    }
    return value;
}

QString RequestFields::pairingToken(const QString& name) const {
    static const QRegularExpression form(QStringLiteral("^rel-[0-9a-f]{48}$"));
    const QString value = text(name, 64).trimmed();
    if (!form.match(value).hasMatch()) {
        refuse(fieldMessage("%1 er %2.", name, "ugyldig|ugyldigt|ugyldige"));
    }
    return value;
}

QString RequestFields::email(const QString& name) const {
    // One mailbox: no lists, quotes, angle brackets or blanks that a mail header would read as more.
    static const QRegularExpression form(QStringLiteral(
        "^[\\p{L}\\p{N}.!#$%&'*+/=?^_`{|}~-]+@[\\p{L}\\p{N}](?:[\\p{L}\\p{N}-]*[\\p{L}\\p{N}])?"
        "(?:\\.[\\p{L}\\p{N}](?:[\\p{L}\\p{N}-]*[\\p{L}\\p{N}])?)*$"));
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
