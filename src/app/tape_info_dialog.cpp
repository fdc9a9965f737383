#include "tape_info_dialog.h"

#include "tape/tape_access.h"
#include "tape/tape_menu_commands.h"

#include <QGridLayout>
#include <QPushButton>

namespace orvane {

TTape_Info::TTape_Info(QWidget* parent)
    : AuxiliaryWindow(QStringLiteral("TTape_Info"), QStringLiteral("Tape Info"), parent) {
    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(14, 12, 14, 12);
    layout->setHorizontalSpacing(16);
    const std::vector<std::pair<QString, QString>> names = TapeInfoValues(TapeInfo{});
    int row = 0;
    auto heading = [&](const QString& text, const QString& name) {
        auto* label = new QLabel(text, this);
        label->setObjectName(name);
        QFont font = label->font();
        font.setBold(true);
        label->setFont(font);
        layout->addWidget(label, row++, 0, 1, 2);
    };
    for (int i = 0; i < 16; ++i) {
        if (i == 0)
            heading(QStringLiteral("Drive Parameters"), QStringLiteral("DriveHeading"));
        if (i == 11)
            heading(QStringLiteral("Tape Parameters"), QStringLiteral("TapeHeading"));
        auto* name = new QLabel(names[size_t(i)].first, this);
        name->setObjectName(QStringLiteral("Name%1").arg(i + 1));
        auto* value = new QLabel(QString(), this);
        value->setObjectName(QStringLiteral("Label%1").arg(i + 1));
        value->setTextInteractionFlags(Qt::TextSelectableByMouse);
        m_values[size_t(i)] = value;
        layout->addWidget(name, row, 0);
        layout->addWidget(value, row++, 1, Qt::AlignRight);
    }
    // The designer's hidden labels; nothing shows them.
    int hidden = 0;
    for (const char* text : {"Can Eject", "Label36", "Move Tape to End Of Data", "Label38"}) {
        auto* label = new QLabel(QString::fromLatin1(text), this);
        label->setObjectName(QStringLiteral("Hidden%1").arg(++hidden));
        label->hide();
    }
    auto* ok = new QPushButton(QStringLiteral("&OK"), this);
    ok->setObjectName(QStringLiteral("OKBtn"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &TTape_Info::OKBtnClick);
    layout->setRowMinimumHeight(row++, 8);
    layout->addWidget(ok, row, 0, 1, 2, Qt::AlignCenter);
    resize(252, 408);
}

void TTape_Info::BitBtn1Click() {
    TapeContext* ctx = m_context ? m_context() : nullptr;
    TapeInfo info;
    if (ctx) {
        SetBusyCursor(*ctx);
        info = ReadTapeInfo(*ctx);
        RestoreCursor(*ctx);
    }
    const auto values = TapeInfoValues(info);
    for (size_t i = 0; i < values.size(); ++i)
        m_values[i]->setText(values[i].second);
}

void TTape_Info::OKBtnClick() {
    hide();
}

} // namespace orvane
