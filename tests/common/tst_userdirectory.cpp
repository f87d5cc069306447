#include "common/UserDirectory.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace telvor;

namespace {
constexpr char kUnset[] = "<unset>";
const char* const kVariables[] = {"APPDATA", "XDG_CONFIG_HOME", "HOME"};
} // namespace

class TestUserDirectory final : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        for (const char* name : kVariables)
            m_saved.append(qEnvironmentVariableIsSet(name) ? qgetenv(name) : QByteArray(kUnset));
    }
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
    }
    void cleanup()
    {
        for (int i = 0; i < m_saved.size(); ++i)
            setVariable(kVariables[i], m_saved.at(i));
        m_dir.reset();
    }

    void choice_data() const
    {
        // "@" stands for the test's temporary directory.
        QTest::addColumn<QString>("appData");
        QTest::addColumn<QString>("configHome");
        QTest::addColumn<QString>("home");
        QTest::addColumn<QString>("expected");
        QTest::newRow("APPDATA wins") << "@/appdata"
                                      << "@/config"
                                      << "@/home"
                                      << "@/appdata";
        QTest::newRow("APPDATA final slash dropped") << "@/appdata/" << kUnset << "@/home"
                                                     << "@/appdata";
        QTest::newRow("APPDATA nested and missing") << "@/a/b/c" << kUnset << "@/home"
                                                    << "@/a/b/c";
        QTest::newRow("empty APPDATA counts as unset") << ""
                                                       << "@/config"
                                                       << "@/home"
                                                       << "@/config/telvor";
        QTest::newRow("config home") << kUnset << "@/config"
                                     << "@/home"
                                     << "@/config/telvor";
        QTest::newRow("relative config home ignored") << kUnset << "config"
                                                      << "@/home"
                                                      << "@/home/.config/telvor";
        QTest::newRow("empty config home ignored") << kUnset << ""
                                                   << "@/home"
                                                   << "@/home/.config/telvor";
        QTest::newRow("home") << kUnset << kUnset << "@/home"
                              << "@/home/.config/telvor";
        QTest::newRow("home with final slash") << kUnset << kUnset << "@/home/"
                                               << "@/home/.config/telvor";
    }
    void choice()
    {
        QFETCH(QString, appData);
        QFETCH(QString, configHome);
        QFETCH(QString, home);
        QFETCH(QString, expected);
        setVariable("APPDATA", expand(appData));
        setVariable("XDG_CONFIG_HOME", expand(configHome));
        setVariable("HOME", expand(home));
        const QString directory = perUserDirectory();
        QCOMPARE(directory, QString::fromUtf8(expand(expected)));
        QVERIFY(QFileInfo(directory).isDir());
        // Its log tells when alarms were raised: a directory made here is the user's alone.
        QCOMPARE(QFileInfo(directory).permissions() & (QFile::ReadGroup | QFile::ReadOther | QFile::ExeOther),
                 QFileDevice::Permissions());
    }

private:
    QByteArray expand(const QString& value) const
    {
        if (value == QLatin1String(kUnset))
            return kUnset;
        QString result = value;
        return result.replace(QLatin1Char('@'), m_dir->path()).toUtf8();
    }
    static void setVariable(const char* name, const QByteArray& value)
    {
        if (value == kUnset)
            qunsetenv(name);
        else
            qputenv(name, value);
    }

    QList<QByteArray> m_saved;
    std::unique_ptr<QTemporaryDir> m_dir;
};

QTEST_APPLESS_MAIN(TestUserDirectory)
#include "tst_userdirectory.moc"
