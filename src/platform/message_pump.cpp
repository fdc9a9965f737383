#include "message_pump.h"

#include <QCoreApplication>

namespace orvane {

void PumpMessages(int rounds) {
    if (rounds <= 0 || !QCoreApplication::instance())
        return;
    for (int i = 0; i < rounds; ++i)
        QCoreApplication::processEvents();
}

void DrainMessages() { PumpMessages(1); }

} // namespace orvane
