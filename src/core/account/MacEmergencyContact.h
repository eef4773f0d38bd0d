#pragma once

#include <QList>
#include <QMetaType>
#include <QString>
#include <QVariantMap>

namespace molvena {

// One emergency contact of the player. The account keeps them all as one contact string: entries
// separated by "|", name and phone of an entry joined by "::" ("Anna::1234 5678|Bo::+45 2233 4455").
struct MacEmergencyContact {
    QString raw;   // the entry exactly as it stands in the contact string; identifies it in lists
    QString name;  // as written (not trimmed); the whole entry when the name part is blank
    QString phone; // trimmed; empty when the entry has no "::"

    // The contacts of a contact string, in order; empty entries ("||", a trailing "|") add nothing.
    static QList<MacEmergencyContact> listFrom(const QString& contactString);

    static inline const QString entrySeparator = QStringLiteral("|");
    static inline const QString fieldSeparator = QStringLiteral("::");

    // For QML: "raw", "name", "phone".
    QVariantMap toVariantMap() const;

    bool operator==(const MacEmergencyContact&) const = default;
};

} // namespace molvena

Q_DECLARE_METATYPE(molvena::MacEmergencyContact)
