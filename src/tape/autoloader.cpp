#include "autoloader.h"

#include "tape_description.h"

#include <QFile>

namespace orvane {

Autoloader::Autoloader(std::shared_ptr<VirtualTapeLibrary> library)
    : m_library(std::move(library)) {}

std::vector<Autoloader::Candidate> Autoloader::Candidates() {
    std::vector<Candidate> result;
    for (const CartridgeInfo& info : m_library->Cartridges()) {
        Candidate candidate;
        candidate.Info = info;
        QFile image(m_library->ImagePath(info.Name));
        if (info.EndOfDataBlocks > 0 && image.open(QIODevice::ReadOnly)) {
            const QByteArray block0 = image.read(TapeDescription::Size);
            if (block0.size() == TapeDescription::Size) {
                const TapeDescription description = TapeDescription::Decode(block0.constData());
                candidate.Date = description.Date;
                candidate.Number = description.TapeNumber;
                candidate.Label = description.Label;
            }
        }
        result.push_back(candidate);
    }
    return result;
}

QString Autoloader::LoadUnused(double setDate) {
    const auto all = Candidates();
    if (const Candidate* unused = FirstUnused(all))
        return m_library->Insert(unused->Info.Name);
    // A new cartridge as large as the set's own, so that every tape of a set holds the same.
    int64_t setCapacity = 0, anyCapacity = 0;
    for (const Candidate& candidate : all) {
        anyCapacity = std::max(anyCapacity, candidate.Info.Capacity);
        if (candidate.Date == setDate)
            setCapacity = std::max(setCapacity, candidate.Info.Capacity);
    }
    const int64_t capacity = setCapacity   ? setCapacity
                             : anyCapacity ? anyCapacity
                                           : VirtualTapeLibrary::DefaultCapacity;
    int n = 1;
    while (QFile::exists(m_library->ImagePath(QStringLiteral("tape%1").arg(n))))
        ++n;
    const QString name = QStringLiteral("tape%1").arg(n);
    if (QString error = m_library->CreateCartridge(name, capacity, 1, false); !error.isEmpty())
        return error;
    return m_library->Insert(name);
}

const Autoloader::Candidate* Autoloader::FirstUnused(const std::vector<Candidate>& all) {
    for (const Candidate& candidate : all) {
        const bool formatted = candidate.Number == 255 && candidate.Label == "Empty Tape ";
        if ((candidate.Info.EndOfDataBlocks == 0 || formatted) && !candidate.Info.WriteProtected)
            return &candidate;
    }
    return nullptr;
}

const Autoloader::Candidate* Autoloader::TapeOfSet(const std::vector<Candidate>& all,
                                                   const TapeRequest& request) {
    const Candidate* best = nullptr;
    for (const Candidate& candidate : all) {
        if (candidate.Date != request.SetDate || candidate.Number == 255)
            continue;
        if (request.Kind == TapeRequestKind::TapeOfSet && candidate.Number == request.TapeNumber)
            best = &candidate;
        if (request.Kind == TapeRequestKind::LastTapeOfSet &&
            (!best || candidate.Number > best->Number))
            best = &candidate;
    }
    return best;
}

QString Autoloader::Load(const TapeRequest& request) {
    if (request.Kind == TapeRequestKind::NextTapeForWriting)
        return LoadUnused(request.SetDate);
    const auto all = Candidates();
    const Candidate* best = TapeOfSet(all, request);
    if (!best)
        return request.Kind == TapeRequestKind::TapeOfSet
                   ? QStringLiteral("No cartridge in the library holds tape %1 of this set")
                         .arg(request.TapeNumber)
                   : QStringLiteral("No cartridge in the library holds this tape set");
    return m_library->Insert(best->Info.Name);
}

QString Autoloader::Suggest(const TapeRequest& request) {
    const auto all = Candidates();
    const Candidate* chosen = request.Kind == TapeRequestKind::NextTapeForWriting
                                  ? FirstUnused(all)
                                  : TapeOfSet(all, request);
    return chosen ? chosen->Info.Name : QString();
}

} // namespace orvane
