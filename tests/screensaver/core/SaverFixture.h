#pragma once

#include "common/ExchangeIo.h"
#include "common/SettingsStore.h"
#include "screensaver/core/PasswordPrompt.h"
#include "screensaver/core/RandomSource.h"
#include "screensaver/core/SaverContext.h"
#include "screensaver/core/ScreenSaver.h"
#include "support/fakes/FaultyExchangeIo.h"
#include "tests/support/time/VirtualClock.h"
#include "tests/support/time/VirtualScheduler.h"

#include <QStringList>
#include <QTemporaryDir>

#include <memory>

namespace telvor::test {

/** Draws the given values in turn, from the start again when they run out. */
class ScriptedRandom final : public RandomSource {
public:
    void seed(quint64 seed) override { seeds.append(seed); }
    double draw() override { return values.at(m_next++ % values.size()); }

    QList<double> values{0.0};
    QList<quint64> seeds;

private:
    qsizetype m_next = 0;
};

/** The screen-saver window as its logic sees it; the prompt is the real prompt logic. */
class RecordingSaverView final : public ScreenSaverView {
public:
    explicit RecordingSaverView(SaverContext& context) : m_context(context) {}

    void showDisplay(const SaverDisplay& shown) override { display = shown; }
    void setTopmost(bool topmost) override
    {
        calls << (topmost ? QStringLiteral("above") : QStringLiteral("not above"));
    }
    void openPasswordPrompt() override;
    void setInputGrabbed(bool grabbed) override
    {
        calls << (grabbed ? QStringLiteral("grab") : QStringLiteral("release"));
    }
    void closeWindow() override;

    SaverDisplay display;
    /** What the logic asked of the window, in order. */
    QStringList calls;
    std::unique_ptr<PasswordPrompt> prompt;
    bool closed = false;

private:
    SaverContext& m_context;
};

/**
 * One screen saver in virtual time: its settings in a temporary store, its exchange directory in
 * a temporary folder reached through a share that records every call and can be made to fail.
 */
class SaverFixture final {
    // First: the other members keep their files in it.
    QTemporaryDir m_root;

public:
    SaverFixture();

    /** Stores key = value pairs under the screen saver's section; the directory defaults to exchangeDir(). */
    void writeSettings(const QList<std::pair<QString, QString>>& values);
    void putFile(const QString& name, const QByteArray& bytes);
    void removeFile(const QString& name);
    /** Loads the window's logic in the given mode; RunMode "SCREENSAVER" is the real screen saver. */
    ScreenSaver& load(const QString& runMode = kScreenSaverRunMode);
    /** A request to close, as input gives it: true when the window closed. */
    bool requestClose();

    QString exchangeDir() const { return m_root.filePath(QStringLiteral("exchange")); }

    VirtualScheduler time;
    VirtualClock clock;
    ScriptedRandom random;
    DirectExchangeIo disk;
    FaultyExchangeIo share;
    SaverContext context;
    RecordingSaverView view;
    std::unique_ptr<ScreenSaver> saver;
};

} // namespace telvor::test
