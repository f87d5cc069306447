// The drive list of the setup window comes from the kernel's mount table, never from the mounts.

#include "client/forms/MountPoints.h"

#include <QTest>

using namespace telvor;

class TestMountPoints final : public QObject {
    Q_OBJECT

private slots:
    void fromTheMountTable()
    {
        const QString table = QStringLiteral("22 1 0:21 / /proc rw,nosuid - proc proc rw\n"
                                             "23 1 0:22 / /sys rw - sysfs sysfs rw\n"
                                             "24 1 0:5 / /dev rw - devtmpfs udev rw\n"
                                             "25 24 0:23 / /dev/pts rw - devpts devpts rw\n"
                                             "26 1 0:24 / /run rw - tmpfs tmpfs rw\n"
                                             "27 1 8:1 / / rw - ext4 /dev/sda1 rw\n"
                                             "28 1 8:2 / /home rw shared:1 - ext4 /dev/sda2 rw\n"
                                             "29 1 0:50 / /mnt/alarm rw - cifs //server/alarm rw\n"
                                             "30 1 0:51 / /media/USB\\040Stick rw - vfat /dev/sdb1 rw\n"
                                             "31 26 0:52 / /run/user/1000 rw - tmpfs tmpfs rw\n"
                                             "32 1 0:53 / /mnt/nfs rw - nfs4 server:/srv rw\n"
                                             "malformed line\n");
        QCOMPARE(mountPoints(table), (QStringList{"/", "/home", "/media/USB Stick", "/mnt/alarm", "/mnt/nfs"}));
    }

    void mountHoldingAPath_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("mount");
        // clang-format off
        QTest::newRow("inside a share") << "/mnt/alarm/sub" << "/mnt/alarm";
        QTest::newRow("the share itself") << "/mnt/alarm" << "/mnt/alarm";
        QTest::newRow("a name that only starts alike") << "/mnt/alarmanlage" << "/";
        QTest::newRow("the root's") << "/tmp/x" << "/";
        QTest::newRow("the deepest mount") << "/mnt/alarm/archiv/2026" << "/mnt/alarm/archiv";
        // clang-format on
    }
    void mountHoldingAPath()
    {
        QFETCH(QString, path);
        QFETCH(QString, mount);
        QCOMPARE(mountPointOf(path, {"/", "/mnt/alarm", "/mnt/alarm/archiv"}), mount);
    }
};

QTEST_APPLESS_MAIN(TestMountPoints)
#include "tst_mountpoints.moc"
