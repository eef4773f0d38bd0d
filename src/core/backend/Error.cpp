#include "Error.h"

namespace molvena {

namespace {

// The descriptions of the errors the client raises itself for unreadable replies, worded as the
// system words them for a Danish user.
const QString kMissingDataDescription = QStringLiteral("Dataene kunne ikke læses, fordi de mangler.");
const QString kWrongFormatDescription =
    QStringLiteral("Dataene kunne ikke læses, fordi de ikke har det korrekte format.");

// The common transfer failures as the system words them for a Danish user; the screens show these.
QString danishTransportDescription(QNetworkReply::NetworkError networkError, QString fallback) {
    switch (networkError) {
    case QNetworkReply::ConnectionRefusedError:
        return QStringLiteral("Der kunne ikke oprettes forbindelse til serveren.");
    case QNetworkReply::HostNotFoundError:
        return QStringLiteral("Der blev ikke fundet en server med det angivne værtsnavn.");
    case QNetworkReply::TimeoutError:
        return QStringLiteral("Anmodningen fik timeout.");
    case QNetworkReply::RemoteHostClosedError:
        return QStringLiteral("Netværksforbindelsen gik tabt.");
    case QNetworkReply::TemporaryNetworkFailureError:
    case QNetworkReply::NetworkSessionFailedError:
        return QStringLiteral("Det ser ud til, at internetforbindelsen er offline.");
    case QNetworkReply::SslHandshakeFailedError:
        return QStringLiteral(
            "Der opstod en SSL-fejl, og der kan ikke oprettes en sikker forbindelse til serveren.");
    default:
        return fallback;
    }
}

} // namespace

Error::Error(QString domain, int code, QString description, QString detail)
    : m_domain(std::move(domain)), m_code(code), m_description(std::move(description)),
      m_detail(std::move(detail)) {
    m_what = QStringLiteral("%1 %2: %3").arg(m_domain).arg(m_code).arg(m_description).toUtf8();
    if (!m_detail.isEmpty()) {
        m_what += " (" + m_detail.toUtf8() + ")";
    }
}

BackendError::BackendError(int code, QString message) : Error(domainName, code, std::move(message)) {}

TransportError::TransportError(QNetworkReply::NetworkError networkError, QString description,
                               std::optional<int> httpStatus)
    : Error(domainName, int(networkError), danishTransportDescription(networkError, std::move(description))),
      m_networkError(networkError), m_httpStatus(httpStatus) {}

TransportError TransportError::badServerResponse(int httpStatus) {
    return TransportError(QNetworkReply::UnknownServerError,
                          QStringLiteral("The operation couldn\u2019t be completed."), httpStatus);
}

JsonSyntaxError::JsonSyntaxError(int parseError, QString parserMessage, int offset)
    : Error(domainName, parseError, kWrongFormatDescription,
            QStringLiteral("%1 at offset %2").arg(parserMessage).arg(offset)) {}

DecodingError::DecodingError(Kind kind, QString path, QString detail)
    : Error(domainName, int(kind), kind == valueMissing ? kMissingDataDescription : kWrongFormatDescription,
            path.isEmpty() ? detail : path + QStringLiteral(": ") + detail),
      m_path(std::move(path)) {}

} // namespace molvena
