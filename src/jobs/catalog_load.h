#pragma once

#include "catalog_tree.h"

#include <QByteArray>
#include <memory>
#include <vector>

namespace orvane {

class CatalogTreeModel;
class Session;

// The counter displays of the Restore tab.
namespace RestoreDisplay {
constexpr int RMB = 6;   // LEDDisplay6 "RMB"
constexpr int Files = 7; // LEDDisplay7 "Files"
constexpr int MB = 10;   // LEDDisplay10 "MB"
} // namespace RestoreDisplay

// "Load Catalog" (`Button2Click`): reads the tape description; a disk image tape has no catalog
// and says so; any other tape gets the fast load. Null when no load took place.
std::shared_ptr<const CatalogTree> Button2Click(Session& session, CatalogTreeModel* view = nullptr);
// "Load Catalog sequentiell" (`LoadCatalogsequentiell1Click`).
std::shared_ptr<const CatalogTree> LoadCatalogsequentiell1Click(Session& session,
                                                                CatalogTreeModel* view = nullptr);

// Loads the catalog of the tape set, fast (from the catalog file found through the end marker)
// or sequentially (from every file record, from tape 1 on), and builds its tree. The restore
// list is emptied. A view given is emptied at the start and shows the new tree at the end.
// Failure shows as an empty tree, with the status and the message that say so.
std::shared_ptr<const CatalogTree> load_catalog(Session& session, bool fast,
                                                CatalogTreeModel* view = nullptr);

// The two ways of filling the list of tape paths. Records of the tape itself (the catalog file,
// the filler before it) are never listed.
void LoadCatalogFast(Session& session, std::vector<QByteArray>& list);
void ScanCatalogSequential(Session& session, std::vector<QByteArray>& list);

} // namespace orvane
