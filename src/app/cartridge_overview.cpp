#include "cartridge_overview.h"

#include "tape/tape_description.h"

#include <QFile>

namespace orvane {

std::vector<CartridgeOverview> ReadCartridgeOverview(VirtualTapeLibrary& library) {
    std::vector<CartridgeOverview> overview;
    for (const CartridgeInfo& info : library.Cartridges()) {
        CartridgeOverview cartridge;
        cartridge.Info = info;
        QFile image(library.ImagePath(info.Name));
        if (info.EndOfDataBlocks > 0 && image.open(QIODevice::ReadOnly)) {
            const QByteArray block0 = image.read(TapeDescription::Size);
            if (block0.size() == TapeDescription::Size) {
                const TapeDescription description = TapeDescription::Decode(block0.constData());
                cartridge.Described = true;
                cartridge.Label = description.Label;
                cartridge.TapeNumber = description.TapeNumber;
                cartridge.SetDate = description.Date;
            }
        }
        overview.push_back(cartridge);
    }
    return overview;
}

} // namespace orvane
