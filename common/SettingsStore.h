#pragma once

#include <QList>
#include <QString>

#include <optional>
#include <utility>

namespace telvor {

/**
 * The per-user settings store that the client's hand-over writes and the screen saver reads: an
 * INI file per application, a group per section. The screen saver's password is kept in it as
 * plain text, so the file is the user's alone (0600 in a 0700 directory).
 */
class SettingsStore final {
public:
    /** The store of application in the user's configuration directory. */
    explicit SettingsStore(const QString& application);
    /** A store kept in this file (tests; an installation that pins it). */
    static SettingsStore atFile(const QString& filePath);

    [[nodiscard]] const QString& filePath() const { return m_filePath; }

    /** The key's text; defaultValue when the key, its section or the whole store is absent. */
    [[nodiscard]] QString read(const QString& section, const QString& key, const QString& defaultValue) const;

    using Values = QList<std::pair<QString, QString>>;
    /**
     * Stores the values (key, text) in section, replacing earlier ones, and makes sure they reached
     * the file. nullopt when they did; otherwise why not, in words for a message box.
     */
    [[nodiscard]] std::optional<QString> write(const QString& section, const Values& values) const;

private:
    SettingsStore() = default;
    QString m_filePath;
};

/** The file of application's store: $XDG_CONFIG_HOME/<application>/<application>.ini, else under ~/.config. */
QString settingsFilePath(const QString& application);

} // namespace telvor
