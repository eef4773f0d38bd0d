#pragma once

#include <QList>
#include <QMetaType>
#include <QString>

#include <optional>

namespace molvena {

class StrictObject;

// The JSON reply records of the backend operations, decoded strictly (StrictJson.h) by the member
// names given in the comments. Members are in lower camel case here; the wire names are snake case.

// Reply of pairRelative (pairing.php, action "link"). Every member is optional.
struct PairingResult {
    std::optional<bool> success{};         // success
    std::optional<QString> pairingToken{}; // pairing_token
    std::optional<QString> playerName{};   // player_name
    std::optional<QString> error{};        // error

    static PairingResult decode(const StrictObject& object);
    bool operator==(const PairingResult&) const = default;
};

// Reply of fetchRelativeActivity (relative_activity.php).
struct RelativeActivity {
    struct Summary {
        qint64 daysClean = 0;                 // days_clean, required
        bool shieldActive = false;            // shield_active, required
        QString playerName{};                 // player_name, required
        std::optional<QString> shieldStart{}; // shield_start
        std::optional<qint64> latestUrge{};   // latest_urge
        std::optional<qint64> latestMood{};   // latest_mood

        static Summary decode(const StrictObject& object);
        bool operator==(const Summary&) const = default;
    };

    // One event; its id identifies it in lists.
    struct History {
        qint64 id = 0;                     // id, required
        QString type{};                    // type, required
        QString title{};                   // title, required
        QString timestamp{};               // timestamp, required
        std::optional<QString> sortTime{}; // sort_time

        static History decode(const StrictObject& object);
        bool operator==(const History&) const = default;
    };

    Summary summary{};        // summary, required
    QList<History> history{}; // history, required (may be empty)

    static RelativeActivity decode(const StrictObject& object);
    bool operator==(const RelativeActivity&) const = default;
};

// Reply of fetchAccountProfile (mac_account.php, action "profile").
struct MacAccountProfile {
    bool success = false;                          // success, required (not judged by the client)
    QString name{};                                // name, required
    QString email{};                               // email, required
    QString masterPIN{};                           // master_pin, required
    QString pairingCode{};                         // pairing_code, required
    QString supportContacts{};                     // support_contacts, required (the contact string)
    std::optional<qint64> monthlySpendDKK{};       // monthly_spend_dkk, whole DKK
    std::optional<double> lastGamblingDate{};      // last_gambling_date, seconds since 1970
    std::optional<QString> gamblingLocationType{}; // gambling_location_type
    std::optional<QString> gamblingGameTypes{};    // gambling_game_types

    static MacAccountProfile decode(const StrictObject& object);
    bool operator==(const MacAccountProfile&) const = default;
};

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

Q_DECLARE_METATYPE(molvena::PairingResult)
Q_DECLARE_METATYPE(molvena::RelativeActivity)
Q_DECLARE_METATYPE(molvena::MacAccountProfile)
Q_DECLARE_METATYPE(molvena::MacHistoryItem)
