#pragma once

#include <QString>

namespace telvor {

/**
 * The per-user directory of TELVOR.DAT and telvor.log: $APPDATA when set (lets an installation
 * pin it), else $XDG_CONFIG_HOME/telvor, else ~/.config/telvor. Created when missing.
 */
QString perUserDirectory();

} // namespace telvor
