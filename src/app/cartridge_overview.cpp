#include "cartridge_overview.h"

#include "tape/tape_description.h"

#include <QFile>

namespace orvane {

std::vector<CartridgeOverview> ReadCartridgeOverview(VirtualTapeLibrary& library) {
    std::vector<CartridgeOverview> overview;
    for (const CartridgeInfo& info : library.cartridges()) {
        CartridgeOverview cartridge;
        cartridge.info = info;
        QFile image(library.imagePath(info.name));
        if (info.endOfDataBlocks > 0 && image.open(QIODevice::ReadOnly)) {
            const QByteArray block0 = image.read(TapeDescription::Size);
            if (block0.size() == TapeDescription::Size) {
                const TapeDescription description = TapeDescription::decode(block0.constData());
                cartridge.described = true;
                cartridge.label = description.Label;
                cartridge.tapeNumber = description.TapeNumber;
                cartridge.setDate = description.Date;
            }
        }
        overview.push_back(cartridge);
    }
    return overview;
}

} // namespace orvane
