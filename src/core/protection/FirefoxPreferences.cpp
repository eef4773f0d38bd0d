#include "FirefoxPreferences.h"

#include <cctype>

namespace molvena {

namespace {

class Parser {
public:
    explicit Parser(const QByteArray& text) : m_text(text) {
        // A user.js saved by a text editor may begin with a byte-order mark.
        if (m_text.startsWith("\xEF\xBB\xBF")) {
            m_position = 3;
        }
    }

    std::optional<QHash<QString, QVariant>> run() {
        QHash<QString, QVariant> values;
        while (skipBlanksAndComments()) {
            const QByteArray function = identifier();
            if (function != "pref" && function != "user_pref" && function != "sticky_pref" &&
                function != "lock_pref") {
                return std::nullopt;
            }
            skipBlanksAndComments();
            if (!consume('(')) {
                return std::nullopt;
            }
            skipBlanksAndComments();
            const std::optional<QString> name = string();
            skipBlanksAndComments();
            if (!name || !consume(',')) {
                return std::nullopt;
            }
            skipBlanksAndComments();
            const std::optional<QVariant> value = this->value();
            if (!value) {
                return std::nullopt;
            }
            skipBlanksAndComments();
            // pref() may carry attributes such as `sticky` or `locked` after the value.
            while (consume(',')) {
                skipBlanksAndComments();
                if (identifier().isEmpty()) {
                    return std::nullopt;
                }
                skipBlanksAndComments();
            }
            if (!consume(')')) {
                return std::nullopt;
            }
            skipBlanksAndComments();
            if (!consume(';')) {
                return std::nullopt;
            }
            values.insert(*name, *value);
        }
        if (m_failed) {
            return std::nullopt;
        }
        return values;
    }

private:
    bool atEnd() const { return m_position >= m_text.size(); }
    char peek(qsizetype ahead = 0) const {
        return m_position + ahead < m_text.size() ? m_text[m_position + ahead] : '\0';
    }
    bool consume(char expected) {
        if (!atEnd() && peek() == expected) {
            ++m_position;
            return true;
        }
        return false;
    }

    // False at the end of the text, or when a block comment never ends.
    bool skipBlanksAndComments() {
        while (!atEnd()) {
            const char c = peek();
            if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v') {
                ++m_position;
            } else if (c == '#' || (c == '/' && peek(1) == '/')) {
                while (!atEnd() && peek() != '\n' && peek() != '\r') {
                    ++m_position;
                }
            } else if (c == '/' && peek(1) == '*') {
                const qsizetype end = m_text.indexOf("*/", m_position + 2);
                if (end < 0) {
                    m_failed = true;
                    m_position = m_text.size();
                    return false;
                }
                m_position = end + 2;
            } else {
                return true;
            }
        }
        return false;
    }

    QByteArray identifier() {
        const qsizetype start = m_position;
        while (!atEnd() && (std::isalnum(static_cast<unsigned char>(peek())) || peek() == '_')) {
            ++m_position;
        }
        return m_text.mid(start, m_position - start);
    }

    std::optional<QVariant> value() {
        const char c = peek();
        if (c == '"' || c == '\'') {
            const std::optional<QString> text = string();
            return text ? std::optional<QVariant>(*text) : std::nullopt;
        }
        if (c == '-' || c == '+' || std::isdigit(static_cast<unsigned char>(c))) {
            const qsizetype start = m_position;
            ++m_position;
            while (!atEnd() && std::isdigit(static_cast<unsigned char>(peek()))) {
                ++m_position;
            }
            bool ok = false;
            const qint64 number = m_text.mid(start, m_position - start).toLongLong(&ok);
            return ok ? std::optional<QVariant>(number) : std::nullopt;
        }
        const QByteArray word = identifier();
        if (word == "true" || word == "false") {
            return QVariant(word == "true");
        }
        return std::nullopt;
    }

    std::optional<uint> hexDigits(int count) {
        if (m_position + count > m_text.size()) {
            return std::nullopt;
        }
        bool ok = false;
        const uint value = m_text.mid(m_position, count).toUInt(&ok, 16);
        if (!ok) {
            return std::nullopt;
        }
        m_position += count;
        return value;
    }

    // A quoted string; the bytes between escapes are UTF-8.
    std::optional<QString> string() {
        const char quote = peek();
        if (quote != '"' && quote != '\'') {
            return std::nullopt;
        }
        ++m_position;
        QString result;
        QByteArray run;
        const auto flush = [&] {
            result += QString::fromUtf8(run);
            run.clear();
        };
        while (!atEnd()) {
            const char c = m_text[m_position++];
            if (c == quote) {
                flush();
                return result;
            }
            if (c == '\n' || c == '\r') {
                return std::nullopt;
            }
            if (c != '\\') {
                run.append(c);
                continue;
            }
            if (atEnd()) {
                return std::nullopt;
            }
            const char escaped = m_text[m_position++];
            switch (escaped) {
            case 'n':
                run.append('\n');
                break;
            case 'r':
                run.append('\r');
                break;
            case 't':
                run.append('\t');
                break;
            case '\\':
            case '"':
            case '\'':
                run.append(escaped);
                break;
            case 'x': {
                const std::optional<uint> code = hexDigits(2);
                if (!code) {
                    return std::nullopt;
                }
                flush();
                result += QChar(char16_t(*code));
                break;
            }
            case 'u': {
                // JavaScript escapes are UTF-16 units: a pair of them makes one character.
                const std::optional<uint> code = hexDigits(4);
                if (!code) {
                    return std::nullopt;
                }
                flush();
                result += QChar(char16_t(*code));
                break;
            }
            default:
                return std::nullopt;
            }
        }
        return std::nullopt;
    }

    const QByteArray& m_text;
    qsizetype m_position = 0;
    bool m_failed = false;
};

} // namespace

std::optional<QHash<QString, QVariant>> FirefoxPreferences::parse(const QByteArray& text) {
    return Parser(text).run();
}

} // namespace molvena
