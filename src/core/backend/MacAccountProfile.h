#pragma once

#include <QMetaType>
#include <QString>

#include <optional>

namespace molvena {

class StrictObject;

// Decoded strictly (StrictJson.h) by the member names given in the comments; members are in lower
// camel case here, the wire names are snake case.

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

} // namespace molvena

Q_DECLARE_METATYPE(molvena::MacAccountProfile)
