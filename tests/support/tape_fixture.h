#pragma once

#include "jobs/session.h"
#include "platform/virtual_tape_library.h"
#include "support/scripted_operator.h"
#include "support/temp_home.h"

#include <memory>

namespace orvane::test {

// A session on a fresh program directory whose drive is a virtual library with one loaded
// cartridge of the given capacity.
class SessionFixture {
public:
    explicit SessionFixture(int64_t capacity = 32768 * 1000, uint32_t partitions = 1,
                            bool writeProtected = false)
        : library(VirtualTapeLibrary::at(home.libraryDir())) {
        library->createCartridge(QStringLiteral("t1"), capacity, partitions, writeProtected);
        library->insert(QStringLiteral("t1"));
        session = std::make_unique<Session>(op, home.path(), home.tapeChoice());
    }

    TempHome home;
    ScriptedOperator op;
    std::shared_ptr<VirtualTapeLibrary> library;
    std::unique_ptr<Session> session;
};

} // namespace orvane::test
