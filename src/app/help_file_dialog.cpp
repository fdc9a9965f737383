#include "help_file_dialog.h"

#include "platform/installed_layout.h"

#include <QCoreApplication>
#include <QFile>
#include <QFontDatabase>
#include <QPlainTextEdit>
#include <QVBoxLayout>

namespace orvane {

QString THelp_File::HelpFilePath() {
    return ShippedFilePath(QCoreApplication::applicationDirPath(),
                           QStringLiteral("Orvane-readme.txt"));
}

THelp_File::THelp_File(QWidget* parent)
    : AuxiliaryWindow(QStringLiteral("THelp_File"), QStringLiteral("Help"), parent) {
    m_memo = new QPlainTextEdit(this);
    m_memo->setObjectName(QStringLiteral("Memo1"));
    m_memo->setReadOnly(true);
    m_memo->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_memo->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_memo);
    resize(720, 560);

    // A missing guide is said in the window itself: the start goes on without it.
    QFile file(HelpFilePath());
    if (file.open(QIODevice::ReadOnly))
        m_memo->setPlainText(QString::fromUtf8(file.readAll()));
    else
        m_memo->setPlainText(QStringLiteral("The help file %1 cannot be read: %2")
                                 .arg(HelpFilePath(), file.errorString()));
}

QString THelp_File::Text() const {
    return m_memo->toPlainText();
}

} // namespace orvane
