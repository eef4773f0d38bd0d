import QtQuick

// Text a sighted user reads, which a screen reader reads out too. A title sets
// `Accessible.role: Accessible.Heading`; a text another item already speaks for sets
// `Accessible.ignored: true`.
Text {
    Accessible.role: Accessible.StaticText
    Accessible.name: text
}
