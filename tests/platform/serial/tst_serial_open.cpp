#include "platform/LinuxSerialPort.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <climits>
#include <cstdlib>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace telvor {

class TestSerialOpen final : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void portNumbers_data();
    void portNumbers();
    void devicePaths_data();
    void devicePaths();
    void openFailures_data();
    void openFailures();

private:
    static int openDescriptors();
    QString makeTarget(const QString& kind);

    QTemporaryDir m_dir;
    int m_master = -1;
};

int TestSerialOpen::openDescriptors()
{
    return static_cast<int>(QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::Files | QDir::System).size());
}

void TestSerialOpen::init()
{
    QVERIFY(m_dir.isValid());
}

void TestSerialOpen::cleanup()
{
    if (m_master >= 0) {
        ::close(m_master);
        m_master = -1;
    }
}

void TestSerialOpen::portNumbers_data()
{
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("device"); // empty: refused, the device stays as it was

    QTest::newRow("first port") << 1 << "/dev/ttyS0";
    QTest::newRow("second port") << 2 << "/dev/ttyS1";
    QTest::newRow("ninth port") << 9 << "/dev/ttyS8";
    QTest::newRow("tenth port") << 10 << "/dev/ttyS9";
    QTest::newRow("last port") << 256 << "/dev/ttyS255";
    QTest::newRow("zero") << 0 << "";
    QTest::newRow("negative") << -1 << "";
    QTest::newRow("one past the last") << 257 << "";
    QTest::newRow("most negative") << INT_MIN << "";
    QTest::newRow("largest") << INT_MAX << "";
}

void TestSerialOpen::portNumbers()
{
    QFETCH(int, number);
    QFETCH(QString, device);

    LinuxSerialPort port;
    QVERIFY(port.setDevicePath(QStringLiteral("/dev/ttyUSB3")));
    QCOMPARE(port.setPortNumber(number), !device.isEmpty());
    QCOMPARE(port.devicePath(), device.isEmpty() ? QStringLiteral("/dev/ttyUSB3") : device);
    QCOMPARE(LinuxSerialPort::portDevice(number), device);
}

void TestSerialOpen::devicePaths_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("accepted");

    QTest::newRow("usb adapter") << "/dev/ttyUSB0" << true;
    QTest::newRow("stable name") << "/dev/serial/by-id/usb-FTDI_FT232R_A1B2C3-if00-port0" << true;
    QTest::newRow("relative name") << "ttyUSB0" << false;
    QTest::newRow("dot relative") << "./ttyS0" << false;
    QTest::newRow("home shorthand") << "~/tty" << false;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("port number text") << "3" << false;
    const QString withNul = QStringLiteral("/dev/ttyS0") + QChar(u'\0') + QStringLiteral("/../../tmp/x");
    QTest::newRow("embedded NUL") << withNul << false;
}

void TestSerialOpen::devicePaths()
{
    QFETCH(QString, path);
    QFETCH(bool, accepted);

    LinuxSerialPort port;
    QVERIFY(port.setPortNumber(4));
    QCOMPARE(port.setDevicePath(path), accepted);
    QCOMPARE(port.devicePath(), accepted ? path : QStringLiteral("/dev/ttyS3"));
}

QString TestSerialOpen::makeTarget(const QString& kind)
{
    if (kind == QLatin1String("/dev/null")) {
        return kind;
    }
    const QString inDir = m_dir.filePath(kind);
    if (kind == QLatin1String("missing")) {
        return inDir;
    }
    if (kind == QLatin1String("missing folder")) {
        return m_dir.filePath(QStringLiteral("gone/ttyUSB0"));
    }
    if (kind == QLatin1String("directory")) {
        QDir().mkpath(inDir);
        return inDir;
    }
    if (kind == QLatin1String("pty")) {
        // A real tty, but without modem lines: nothing there could report a button.
        m_master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (m_master < 0 || ::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0) {
            return {};
        }
        return QString::fromLocal8Bit(::ptsname(m_master));
    }
    QFile file(inDir);
    if (!file.open(QIODevice::WriteOnly)) {
        return {};
    }
    file.write("not a tty\n");
    file.close();
    if (kind == QLatin1String("no permission")) {
        file.setPermissions(QFileDevice::Permissions());
    }
    return inDir;
}

void TestSerialOpen::openFailures_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<SerialOpenError>("error");
    QTest::addColumn<int>("sysError");

    QTest::newRow("missing device") << "missing" << SerialOpenError::NotPresent << ENOENT;
    QTest::newRow("missing folder") << "missing folder" << SerialOpenError::NotPresent << ENOENT;
    QTest::newRow("regular file") << "file" << SerialOpenError::NotPresent << ENOTTY;
    QTest::newRow("character device, no tty") << "/dev/null" << SerialOpenError::NotPresent << ENOTTY;
    QTest::newRow("pty without modem lines") << "pty" << SerialOpenError::NotPresent << ENOTTY;
    QTest::newRow("directory") << "directory" << SerialOpenError::Failed << EISDIR;
    QTest::newRow("no permission") << "no permission" << SerialOpenError::AccessDenied << EACCES;
}

void TestSerialOpen::openFailures()
{
    QFETCH(QString, kind);
    QFETCH(SerialOpenError, error);
    QFETCH(int, sysError);

    if (kind == QLatin1String("no permission") && ::geteuid() == 0) {
        QSKIP("root may open any file");
    }
    const QString target = makeTarget(kind);
    QVERIFY(!target.isEmpty());

    LinuxSerialPort port;
    QVERIFY(port.setDevicePath(target));
    const int before = openDescriptors();
    const SerialOpenResult result = port.open();
    QCOMPARE(result.error, error);
    QCOMPARE(result.sysError, sysError);
    QVERIFY(!result.ok());
    QVERIFY(!port.isOpen());
    QVERIFY(!port.dsrHolding());
    QCOMPARE(openDescriptors(), before); // nothing left behind

    // A second try fails the same way, and closing the port that never opened is harmless.
    QCOMPARE(port.open().error, error);
    port.close();
    QVERIFY(!port.isOpen());
}

} // namespace telvor

QTEST_GUILESS_MAIN(telvor::TestSerialOpen)
#include "tst_serial_open.moc"
