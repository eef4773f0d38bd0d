#pragma once

#include <QtGlobal>

// How much of anything one client address, one code, one e-mail address or one player may use. The
// README's "Security rules" explain the choice; the attack tests and scripts/bench-attack.sh read
// the same values.
namespace molvena::server::limits {

struct Window {
    int count;
    qint64 seconds;
};

constexpr qint64 hour = 3600;
constexpr qint64 day = 24 * hour;

// Linking a relative with a pairing code (pairing.php "link").
constexpr Window linksPerAddress{10, hour};     // every attempt, right or wrong
constexpr Window failedLinksOverall{100, hour}; // beyond it, an address that failed this hour waits
constexpr Window linksPerCode{3, day};          // successful links to one player's code
constexpr int relativesPerPlayer = 10;
constexpr Window confirmationMailsPerAddress{1, day};

// Creating an account (pairing.php "register").
constexpr Window registrationsPerAddress{10, hour};
constexpr Window refusedRegistrationsOverall{30, hour}; // code or e-mail taken

// Alerts from a player's Macs, each one e-mailed to the confirmed relatives.
constexpr Window alertsPerPlayer{20, day};

// Account recovery.
constexpr Window recoveryRequestsPerAddress{5, hour};
constexpr Window recoveryCodesPerEmail{3, hour};
constexpr Window wrongRecoveryCodesPerAddress{10, hour};
constexpr int guessesPerRecoveryCode = 5;
constexpr qint64 recoveryCodeLifetime = 15 * 60;

// The Master PIN of one account.
constexpr Window wrongPinsPerAccount{5, 15 * 60};

// A Mac that has not reported for three heartbeats is no longer shown as protected.
constexpr qint64 silentAfterSeconds = 3 * 300;
// Status reports older than this are deleted; each Mac's latest state is kept apart.
constexpr qint64 reportRetentionSeconds = 14 * day;

// The onboarding's monthly-spend field takes eight digits.
constexpr qint64 maximumMonthlySpend = 99'999'999;

} // namespace molvena::server::limits
