#include "about_box.h"

#include "app_icon.h"
#include "platform/product.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

namespace orvane {

TAboutBox::TAboutBox(QWidget* parent)
    : AuxiliaryWindow(QStringLiteral("TAboutBox"), QStringLiteral("Orvane"), parent) {
    auto* picture = new QLabel(this);
    picture->setObjectName(QStringLiteral("ProgramIcon"));
    picture->setPixmap(AppIcon().pixmap(64, 64));

    auto* productLabel = new QLabel(QStringLiteral(" Productname :"), this);
    auto* product = new QLabel(ProductName(), this);
    product->setObjectName(QStringLiteral("ProductName"));
    QFont productFont = product->font();
    productFont.setBold(true);
    productFont.setPointSizeF(productFont.pointSizeF() * 1.3);
    product->setFont(productFont);
    auto* versionLabel = new QLabel(QStringLiteral("Version :"), this);
    auto* version = new QLabel(ProductVersion(), this);
    version->setObjectName(QStringLiteral("Version"));
    auto* comments = new QLabel(QStringLiteral("15.11.2002 - 30.1.2005"), this);
    comments->setObjectName(QStringLiteral("Comments"));

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("BitBtn1"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QWidget::hide);

    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(18, 18, 18, 14);
    layout->setHorizontalSpacing(12);
    layout->addWidget(picture, 0, 0, 3, 1, Qt::AlignTop);
    layout->addWidget(productLabel, 0, 1);
    layout->addWidget(product, 0, 2);
    layout->addWidget(versionLabel, 1, 1);
    layout->addWidget(version, 1, 2);
    layout->addWidget(comments, 2, 1, 1, 2);
    layout->setRowMinimumHeight(3, 12);
    layout->addWidget(ok, 4, 0, 1, 3, Qt::AlignCenter);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

} // namespace orvane
