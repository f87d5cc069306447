#pragma once

#include <QString>

namespace telvor {

/** The caption of every window of the client. */
inline const QString companyCaption = QStringLiteral("ORSKA KVT GmbH");

} // namespace telvor
