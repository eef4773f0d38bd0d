#pragma once

#include <QList>
#include <QMetaType>
#include <QString>

#include <optional>

namespace molvena {

class StrictObject;

// Decoded strictly (StrictJson.h) by the member names given in the comments; members are in lower
// camel case here, the wire names are snake case.

// One event of the account's history.
struct MacHistoryItem {
    QString id{};                      // id, required
    QString type{};                    // type, required
    QString title{};                   // title, required
    std::optional<QString> subtitle{}; // subtitle
    std::optional<QString> domain{};   // domain
    QString createdAt{};               // created_at, required ("yyyy-MM-dd HH:mm:ss")

    static MacHistoryItem decode(const StrictObject& object);
    bool operator==(const MacHistoryItem&) const = default;
};

// Reply of fetchAccountHistory (mac_account.php, action "history"); the operation returns `history`.
struct MacHistoryResponse {
    bool success = false;            // success, required
    QList<MacHistoryItem> history{}; // history, required

    static MacHistoryResponse decode(const StrictObject& object);
    bool operator==(const MacHistoryResponse&) const = default;
};

} // namespace molvena

Q_DECLARE_METATYPE(molvena::MacHistoryItem)
