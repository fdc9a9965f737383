#pragma once

#include "platform/operator_interface.h"
#include "platform/virtual_tape_library.h"

#include <memory>

namespace orvane {

// Serves tape requests from a virtual library without an operator, as an autoloader would:
// tape k of a set is the cartridge whose description says so, the last tape of a set the one
// with the highest number, and a tape for writing an unused cartridge (never written, or
// formatted) in name order, a new one of the same capacity when none is left. A cartridge of
// another set is never loaded for writing.
class Autoloader {
public:
    explicit Autoloader(std::shared_ptr<VirtualTapeLibrary> library);

    // Loads the cartridge the request asks for; an error text, empty on success.
    QString Load(const TapeRequest& request);
    // The cartridge that Load() would insert; empty when it would create a new one or finds
    // none. Loads nothing, so that a prompt can offer the choice to the operator.
    QString Suggest(const TapeRequest& request);

private:
    struct Candidate {
        CartridgeInfo Info;
        double Date = 0;
        int Number = 255;
        QByteArray Label;
    };
    std::vector<Candidate> Candidates();
    static const Candidate* FirstUnused(const std::vector<Candidate>& all);
    static const Candidate* TapeOfSet(const std::vector<Candidate>& all,
                                      const TapeRequest& request);
    QString LoadUnused(double setDate);

    std::shared_ptr<VirtualTapeLibrary> m_library;
};

} // namespace orvane
