#pragma once

#include <QByteArrayView>
#include <QStringList>
#include <cstddef>

namespace orvane::fuzz {

// How a run over a cartridge made from untrusted bytes ended.
struct TapeRun {
    QStringList Boxes;         // every message box the operator was shown
    size_t CatalogFiles = 0;   // the files of the catalog loaded
    bool EndedIdle = false;    // busy mode left and the busy cursor back
    QStringList WorkFilesLeft; // what the runs left in the work directory
};

// The input is a cartridge image (block n at byte n*32768; a short last block is padded with
// zeros). The sequential catalog load, a restore of everything and a verify walk its records.
TapeRun RunRecordWalk(QByteArrayView image);
// The same cartridge read the fast way: the tape description from block 0, the end marker
// after the last record, and the catalog it points at.
TapeRun RunFastCatalog(QByteArrayView image);
// The input is the content of a catalog file; it goes to tape as a backup writes its catalog
// (after a tape description, with the end marker pointing at it) and is loaded the fast way.
TapeRun RunCatalogFile(QByteArrayView catalog);

} // namespace orvane::fuzz
