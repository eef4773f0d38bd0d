#pragma once

#include <QByteArray>
#include <QNetworkReply>
#include <QString>

#include <exception>
#include <optional>

namespace molvena {

// The common shape of every error the app's operations throw: a domain, a code and a user-readable
// description that callers show unchanged. Other areas throw it with their own domains (for example
// "MolvenaDNS"); the backend client throws the subclasses below.
class Error : public std::exception {
public:
    Error(QString domain, int code, QString description, QString detail = {});

    const QString& domain() const { return m_domain; }
    int code() const { return m_code; }
    // What the user may read; for a BackendError its message.
    const QString& description() const { return m_description; }
    // Extra facts for the debug log (a coding path, a parser offset); never shown to the user.
    const QString& detail() const { return m_detail; }

    const char* what() const noexcept override { return m_what.constData(); }

private:
    QString m_domain;
    int m_code;
    QString m_description;
    QString m_detail;
    QByteArray m_what;
};

// The error the backend operations themselves create: domain "Molvena", an HTTP status
// or one of 1, 400, 401, 500, and a Danish or server-supplied message.
class BackendError : public Error {
public:
    static inline const QString domainName = QStringLiteral("Molvena");

    BackendError(int code, QString message);

    const QString& message() const { return description(); }
};

// A failure of the transfer itself (refused, host not found, time-out, TLS, ...). The common ones are
// described in Danish as the system would; others keep Qt's own description. Domain "QNetworkReply", code =
// the QNetworkReply::NetworkError value.
class TransportError : public Error {
public:
    static inline const QString domainName = QStringLiteral("QNetworkReply");

    TransportError(QNetworkReply::NetworkError networkError, QString description,
                   std::optional<int> httpStatus = std::nullopt);

    // The block proxy answered with a status outside 200 to 299 (postFormToURL): no message
    // of its own, so the description is the generic system text.
    static TransportError badServerResponse(int httpStatus);

    QNetworkReply::NetworkError networkError() const { return m_networkError; }
    bool isTimeout() const { return m_networkError == QNetworkReply::TimeoutError; }
    std::optional<int> httpStatus() const { return m_httpStatus; }

private:
    QNetworkReply::NetworkError m_networkError;
    std::optional<int> m_httpStatus;
};

// A reply that is not JSON where JSON was expected. Domain "QJsonParseError", code = the
// QJsonParseError::ParseError value; the parser's own text is in detail().
class JsonSyntaxError : public Error {
public:
    static inline const QString domainName = QStringLiteral("QJsonParseError");

    JsonSyntaxError(int parseError, QString parserMessage, int offset);
};

// A JSON reply that does not match its record (strict decoding). Domain "Decoding"; the
// coding path of the offending member is in path() and detail().
class DecodingError : public Error {
public:
    static inline const QString domainName = QStringLiteral("Decoding");

    enum Kind {
        valueMissing = 4865, // a required member is missing or null
        wrongType = 4864,    // a member has the wrong JSON type, or the reply is not an object
    };

    DecodingError(Kind kind, QString path, QString detail);

    Kind kind() const { return Kind(code()); }
    const QString& path() const { return m_path; }

private:
    QString m_path;
};

} // namespace molvena
