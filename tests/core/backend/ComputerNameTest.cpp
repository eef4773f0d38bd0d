// The computer name sent as `device_name` by registerMacDevice on Linux: the pretty
// host name of /etc/machine-info, else the host name.
#include "linux/LinuxDeviceInfo.h"

#include <QSysInfo>
#include <QTemporaryDir>
#include <QtTest/QtTest>

using namespace molvena;

class ComputerNameTest : public QObject {
    Q_OBJECT
private slots:
    void prettyHostNameWinsOverTheHostName_data();
    void prettyHostNameWinsOverTheHostName();
};

void ComputerNameTest::prettyHostNameWinsOverTheHostName_data() {
    QTest::addColumn<QByteArray>("machineInfo"); // null = no file
    QTest::addColumn<QString>("name");           // empty = the host name

    QTest::newRow("double-quoted") << QByteArray("PRETTY_HOSTNAME=\"Annes MacBook\"\n") << "Annes MacBook";
    QTest::newRow("bare, among other keys, no last line break")
        << QByteArray("CHASSIS=laptop\nPRETTY_HOSTNAME=Kontor") << "Kontor";
    QTest::newRow("no file") << QByteArray() << QString();
}

void ComputerNameTest::prettyHostNameWinsOverTheHostName() {
    QFETCH(QByteArray, machineInfo);
    QFETCH(QString, name);

    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("machine-info"));
    if (!machineInfo.isNull()) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(machineInfo);
    }
    const QString expected = name.isEmpty() ? QSysInfo::machineHostName() : name;
    QCOMPARE(LinuxDeviceInfo(path).computerName(), expected);
}

QTEST_GUILESS_MAIN(ComputerNameTest)
#include "ComputerNameTest.moc"
