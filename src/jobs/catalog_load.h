#pragma once

#include "catalog_tree.h"

#include <QByteArray>
#include <memory>
#include <vector>

namespace orvane {

class CatalogTreeModel;
class Session;

// "Load Catalog", "Load Catalog fast": reads the tape description; a disk image tape has no
// catalog and says so; any other tape gets the fast load. Null when no load took place.
std::shared_ptr<const CatalogTree> LoadCatalogFast(Session& session,
                                                   CatalogTreeModel* view = nullptr);
// "Load Catalog sequentiell": the sequential load, without reading the tape description first.
std::shared_ptr<const CatalogTree> LoadCatalogSequential(Session& session,
                                                         CatalogTreeModel* view = nullptr);

// Loads the catalog of the tape set, fast (from the catalog file found through the end marker)
// or sequentially (from every file record, from tape 1 on), and builds its tree. The restore
// list is emptied. A view given is emptied at the start and shows the new tree at the end.
// Failure shows as an empty tree, with the status and the message that say so.
std::shared_ptr<const CatalogTree> load_catalog(Session& session, bool fast,
                                                CatalogTreeModel* view = nullptr);

// The two ways of feeding the tape paths to a tree (the paths only: no busy mode). Records of
// the tape itself (the catalog file, the filler, the metadata record) are never given; the set's
// entry metadata goes to `metadata`, which stays empty for a set written without. False when the
// load failed: what was given then lists nothing.
bool LoadCatalogFast(Session& session, CatalogTreeBuilder& tree, SetMetadata& metadata);
bool ScanCatalogSequential(Session& session, CatalogTreeBuilder& tree, SetMetadata& metadata);

} // namespace orvane
