#include "SaverFixture.h"

#include "common/SettingsNames.h"

#include <QDir>
#include <QFile>
#include <QTest>

namespace telvor::test {

void RecordingSaverView::openPasswordPrompt()
{
    calls << QStringLiteral("prompt");
    prompt = std::make_unique<PasswordPrompt>(m_context);
    prompt->Form_Load();
}

void RecordingSaverView::closeWindow()
{
    calls << QStringLiteral("close");
    closed = true;
}

SaverFixture::SaverFixture()
    : clock(time, QDateTime(QDate(2024, 3, 5), QTime(9, 15, 0))), share(disk, time),
      context(SettingsStore::atFile(m_root.filePath(QStringLiteral("PendraSaver.ini")))), view(context)
{
    QDir().mkpath(exchangeDir());
}

void SaverFixture::writeSettings(const QList<std::pair<QString, QString>>& values)
{
    SettingsStore::Values all{{settings::kPath, exchangeDir() + QLatin1Char('/')}};
    all.append(values);
    QVERIFY(!context.settings.write(settings::kSection, all));
}

void SaverFixture::putFile(const QString& name, const QByteArray& bytes)
{
    QFile file(QDir(exchangeDir()).filePath(name));
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

void SaverFixture::removeFile(const QString& name)
{
    QVERIFY(QFile::remove(QDir(exchangeDir()).filePath(name)));
}

ScreenSaver& SaverFixture::load(const QString& runMode)
{
    context.RunMode = runMode;
    saver = std::make_unique<ScreenSaver>(
        context, ScreenSaverServices{time, share, clock, random, QLocale(QLocale::German, QLocale::Germany)}, view);
    saver->Form_Load();
    saver->shown();
    return *saver;
}

bool SaverFixture::requestClose()
{
    bool cancel = false;
    saver->Form_Unload(cancel);
    return !cancel;
}

} // namespace telvor::test
