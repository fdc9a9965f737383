#pragma once

#include <QByteArrayView>

namespace orvane::fuzz {

// The input is a job file: it is loaded into the settings, its settings and lists are written
// back, and the written file is loaded again.
void RunJobFile(QByteArrayView text);

} // namespace orvane::fuzz
