#pragma once

#include <QtGlobal>

// How much of anything one client address, its network, one code, one e-mail address, one player
// or one Mac may use. The README's "Security rules" explain the choice; the attack tests and
// scripts/bench-attack.sh read the same values.
namespace molvena::server::limits {

// A token bucket: it holds `count` uses and refills one use every seconds / count, so a full
// bucket takes `seconds` to refill. No boundary lets twice the count through, and nothing resets
// all at once.
struct Window {
    int count;
    qint64 seconds;
};

// The same budget for a client address and each network it lies in: IPv4 by /24, IPv6 by /64
// (one household), /56 and /48 (one customer or site). No budget is shared by everyone, so
// strangers elsewhere can never use up a real user's.
struct NetworkWindows {
    Window address;
    Window ipv4Net24;
    Window ipv6Net64;
    Window ipv6Net56;
    Window ipv6Net48;
};

constexpr qint64 minute = 60;
constexpr qint64 hour = 3600;
constexpr qint64 day = 24 * hour;

// Every answer that tells whether a pairing code is in use: links (right or wrong) and
// registrations, each from a budget of this size. Ten at once per address, then one every 36
// minutes (40 a day).
constexpr NetworkWindows codeProbes{
    {10, 6 * hour}, {30, 6 * hour}, {10, 6 * hour}, {30, 6 * hour}, {60, 6 * hour}};
// Successful links to one player's code, and relatives per player.
constexpr Window linksPerCode{3, day};
constexpr int relativesPerPlayer = 10;
constexpr Window confirmationMailsPerAddress{3, day}; // per address and requesting network

// Alerts from a player's Macs, each one e-mailed to the confirmed relatives.
constexpr Window alertsPerPlayer{20, day};
// A lock of the Master PIN is told to the relatives at most this often.
constexpr Window pinLockAlertsPerPlayer{1, 6 * hour};

// Account recovery: requests per address and network, codes per e-mail address and requesting
// network (so nobody elsewhere can use up the owner's), wrong codes per address.
constexpr NetworkWindows recoveryRequests{{5, hour}, {20, hour}, {5, hour}, {20, hour}, {40, hour}};
constexpr Window recoveryCodesPerEmailAndNetwork{3, hour};
constexpr Window wrongRecoveryCodesPerAddress{10, hour};
constexpr int guessesPerRecoveryCode = 5;
constexpr qint64 recoveryCodeLifetime = 15 * 60;

// The Master PIN of one account.
constexpr Window wrongPinsPerAccount{5, 15 * 60};

// Status reports and blocked-site reports of one Mac: a heartbeat every 5 minutes and the refreshes
// a person causes fit easily; a copied token cannot fill the disk.
constexpr Window reportsPerMac{60, hour};
constexpr Window blockedSitesPerMac{120, hour};

// A Mac that has not reported for three heartbeats is no longer shown as protected.
constexpr qint64 silentAfterSeconds = 3 * 300;
// Status reports older than this are deleted; each Mac's latest state is kept apart.
constexpr qint64 reportRetentionSeconds = 14 * day;
// A player's events beyond the newest ones are deleted (the history shows 100, the overview 50).
constexpr int eventsKeptPerPlayer = 500;

// The onboarding's monthly-spend field takes eight digits.
constexpr qint64 maximumMonthlySpend = 99'999'999;

} // namespace molvena::server::limits
