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
        : Library(VirtualTapeLibrary::At(Home.LibraryDir())) {
        Library->CreateCartridge(QStringLiteral("t1"), capacity, partitions, writeProtected);
        Library->Insert(QStringLiteral("t1"));
        Session = std::make_unique<orvane::Session>(Op, Home.Path(), Home.TapeChoice());
    }

    TempHome Home;
    ScriptedOperator Op;
    std::shared_ptr<VirtualTapeLibrary> Library;
    std::unique_ptr<orvane::Session> Session;
};

} // namespace orvane::test
