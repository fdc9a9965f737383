#include "autoloader.h"

#include "tape_description.h"

#include <QFile>

namespace orvane {

Autoloader::Autoloader(std::shared_ptr<VirtualTapeLibrary> library)
    : m_library(std::move(library)) {}

std::vector<Autoloader::Candidate> Autoloader::candidates() {
    std::vector<Candidate> result;
    for (const CartridgeInfo& info : m_library->cartridges()) {
        Candidate candidate;
        candidate.info = info;
        QFile image(m_library->imagePath(info.name));
        if (info.endOfDataBlocks > 0 && image.open(QIODevice::ReadOnly)) {
            const QByteArray block0 = image.read(TapeDescription::Size);
            if (block0.size() == TapeDescription::Size) {
                const TapeDescription description = TapeDescription::decode(block0.constData());
                candidate.date = description.Date;
                candidate.number = description.TapeNumber;
                candidate.label = description.Label;
            }
        }
        result.push_back(candidate);
    }
    return result;
}

QString Autoloader::loadUnused(double setDate) {
    const auto all = candidates();
    if (const Candidate* unused = firstUnused(all))
        return m_library->insert(unused->info.name);
    // A new cartridge as large as the set's own, so that every tape of a set holds the same.
    int64_t setCapacity = 0, anyCapacity = 0;
    for (const Candidate& candidate : all) {
        anyCapacity = std::max(anyCapacity, candidate.info.capacity);
        if (candidate.date == setDate)
            setCapacity = std::max(setCapacity, candidate.info.capacity);
    }
    const int64_t capacity = setCapacity   ? setCapacity
                             : anyCapacity ? anyCapacity
                                           : VirtualTapeLibrary::DefaultCapacity;
    int n = 1;
    while (QFile::exists(m_library->imagePath(QStringLiteral("tape%1").arg(n))))
        ++n;
    const QString name = QStringLiteral("tape%1").arg(n);
    if (QString error = m_library->createCartridge(name, capacity, 1, false); !error.isEmpty())
        return error;
    return m_library->insert(name);
}

const Autoloader::Candidate* Autoloader::firstUnused(const std::vector<Candidate>& all) {
    for (const Candidate& candidate : all) {
        const bool formatted = candidate.number == 255 && candidate.label == "Empty Tape ";
        if ((candidate.info.endOfDataBlocks == 0 || formatted) && !candidate.info.writeProtected)
            return &candidate;
    }
    return nullptr;
}

const Autoloader::Candidate* Autoloader::tapeOfSet(const std::vector<Candidate>& all,
                                                   const TapeRequest& request) {
    const Candidate* best = nullptr;
    for (const Candidate& candidate : all) {
        if (candidate.date != request.setDate || candidate.number == 255)
            continue;
        if (request.kind == TapeRequest::Kind::TapeOfSet && candidate.number == request.tapeNumber)
            best = &candidate;
        if (request.kind == TapeRequest::Kind::LastTapeOfSet &&
            (!best || candidate.number > best->number))
            best = &candidate;
    }
    return best;
}

QString Autoloader::load(const TapeRequest& request) {
    if (request.kind == TapeRequest::Kind::NextTapeForWriting)
        return loadUnused(request.setDate);
    const auto all = candidates();
    const Candidate* best = tapeOfSet(all, request);
    if (!best)
        return request.kind == TapeRequest::Kind::TapeOfSet
                   ? QStringLiteral("No cartridge in the library holds tape %1 of this set")
                         .arg(request.tapeNumber)
                   : QStringLiteral("No cartridge in the library holds this tape set");
    return m_library->insert(best->info.name);
}

QString Autoloader::suggest(const TapeRequest& request) {
    const auto all = candidates();
    const Candidate* chosen = request.kind == TapeRequest::Kind::NextTapeForWriting
                                  ? firstUnused(all)
                                  : tapeOfSet(all, request);
    return chosen ? chosen->info.name : QString();
}

} // namespace orvane
