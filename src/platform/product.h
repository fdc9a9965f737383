#pragma once

#include "platform/product_version.h"

#include <QString>

namespace orvane {

// The product's name, as window captions, the about box and the tape caption show it.
inline QString ProductName() {
    return QStringLiteral("Orvane 2005");
}

// The own version, as the about box shows it and the update check compares it.
inline QString ProductVersion() {
    return QString::fromLatin1(ProductVersionText);
}

} // namespace orvane
