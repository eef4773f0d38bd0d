#include "MacEmergencyContact.h"

namespace molvena {

QList<MacEmergencyContact> MacEmergencyContact::listFrom(const QString& contactString) {
    QList<MacEmergencyContact> contacts;
    const QStringList entries = contactString.split(entrySeparator, Qt::SkipEmptyParts);
    for (const QString& entry : entries) {
        const QStringList parts = entry.split(fieldSeparator);
        MacEmergencyContact contact;
        contact.raw = entry;
        contact.name = parts.first().trimmed().isEmpty() ? entry : parts.first();
        if (parts.size() >= 2) {
            contact.phone = parts.at(1).trimmed();
        }
        contacts.append(contact);
    }
    return contacts;
}

QVariantMap MacEmergencyContact::toVariantMap() const {
    return {{QStringLiteral("raw"), raw}, {QStringLiteral("name"), name}, {QStringLiteral("phone"), phone}};
}

} // namespace molvena
