#include "ProfileDocument.h"

#include <QUuid>

namespace molvena::server {

namespace {

const QUuid profileNamespace(QStringLiteral("{6f1f3a2e-8d4b-5c27-9a61-2b7e0c4d9f10}"));

} // namespace

QByteArray ProfileDocument::mobileconfig(const QString& resolverHost, const QString& deviceToken) {
    const QString outer = QUuid::createUuidV5(profileNamespace, QStringLiteral("profile:") + deviceToken)
                              .toString(QUuid::WithoutBraces)
                              .toUpper();
    const QString inner = QUuid::createUuidV5(profileNamespace, QStringLiteral("dns:") + deviceToken)
                              .toString(QUuid::WithoutBraces)
                              .toUpper();
    // The resolver host is a checked host name and the UUIDs are hexadecimal, so nothing here needs
    // XML escaping.
    const QString text = QStringLiteral(R"(<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE plist PUBLIC "-//Apple//DTD PLIST 1.0//EN" "http://www.apple.com/DTDs/PropertyList-1.0.dtd">
<plist version="1.0">
<dict>
	<key>PayloadContent</key>
	<array>
		<dict>
			<key>DNSSettings</key>
			<dict>
				<key>DNSProtocol</key>
				<string>HTTPS</string>
				<key>ServerURL</key>
				<string>https://%1/dns-query</string>
			</dict>
			<key>PayloadDescription</key>
			<string>Sender navneopslag gennem Molvenas beskyttende DNS, som blokerer gambling-sider.</string>
			<key>PayloadDisplayName</key>
			<string>Molvena webbeskyttelse</string>
			<key>PayloadIdentifier</key>
			<string>dk.molvena.mac.dns.%3</string>
			<key>PayloadType</key>
			<string>com.apple.dnsSettings.managed</string>
			<key>PayloadUUID</key>
			<string>%3</string>
			<key>PayloadVersion</key>
			<integer>1</integer>
		</dict>
	</array>
	<key>PayloadDescription</key>
	<string>Molvena blokerer gambling-sider i alle browsere og apps på denne Mac.</string>
	<key>PayloadDisplayName</key>
	<string>Molvena</string>
	<key>PayloadIdentifier</key>
	<string>dk.molvena.mac.profile.%2</string>
	<key>PayloadOrganization</key>
	<string>Molvena</string>
	<key>PayloadRemovalDisallowed</key>
	<false/>
	<key>PayloadType</key>
	<string>Configuration</string>
	<key>PayloadUUID</key>
	<string>%2</string>
	<key>PayloadVersion</key>
	<integer>1</integer>
</dict>
</plist>
)");
    return text.arg(resolverHost, outer, inner).toUtf8();
}

} // namespace molvena::server
