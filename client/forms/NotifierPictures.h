#pragma once

#include "common/StatusNotifier.h"

#include <QIcon>

namespace telvor {

/** The icon's pictures in every size it has, as a StatusNotifier takes them. */
QList<NotifierPixmap> notifierPictures(const QIcon& icon);

} // namespace telvor
