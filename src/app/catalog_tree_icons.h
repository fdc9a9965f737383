#pragma once

#include <QStyledItemDelegate>

namespace orvane {

// Draws the catalog tree's rows with the style's drive, folder and file icons, chosen by the
// node's image index (0 root, 1 directory, 2 file). The icon is looked up per kind once, not
// per row, so that a tree of a million rows costs nothing extra.
class CatalogTreeIcons : public QStyledItemDelegate {
public:
    explicit CatalogTreeIcons(QObject* parent);

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;

private:
    QIcon m_icons[3];
};

} // namespace orvane
