#include "catalog_tree_icons.h"

#include "jobs/catalog_tree_model.h"

#include <QApplication>
#include <QStyle>

namespace orvane {

CatalogTreeIcons::CatalogTreeIcons(QObject* parent) : QStyledItemDelegate(parent) {
    QStyle* style = QApplication::style();
    m_icons[0] = style->standardIcon(QStyle::SP_DriveHDIcon);
    m_icons[1] = style->standardIcon(QStyle::SP_DirIcon);
    m_icons[2] = style->standardIcon(QStyle::SP_FileIcon);
}

void CatalogTreeIcons::initStyleOption(QStyleOptionViewItem* option,
                                       const QModelIndex& index) const {
    QStyledItemDelegate::initStyleOption(option, index);
    const QVariant image = index.data(CatalogTreeModel::ImageIndexRole);
    if (!image.isValid())
        return;
    const int kind = image.toInt();
    if (kind < 0 || kind > 2)
        return;
    option->icon = m_icons[kind];
    option->features |= QStyleOptionViewItem::HasDecoration;
}

} // namespace orvane
