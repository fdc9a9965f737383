#include "update_dialog.h"

#include "integrations/version_check.h"

#include <QDesktopServices>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

namespace orvane {

namespace {

QLabel* Text(QWidget* parent, const QString& text, const char* name = nullptr) {
    auto* label = new QLabel(text, parent);
    if (name)
        label->setObjectName(QString::fromLatin1(name));
    return label;
}

} // namespace

TOrvane_Update::TOrvane_Update(QWidget* parent)
    : AuxiliaryWindow(QStringLiteral("TOrvane_Update"), QStringLiteral("Orvane Live Update"),
                      parent) {
    auto* layout = new QVBoxLayout(this);
    QLabel* headline = Text(this, QStringLiteral("A newer Version of Orvane is available !"));
    QFont bold = headline->font();
    bold.setBold(true);
    headline->setFont(bold);
    layout->addWidget(headline);

    auto* versions = new QGridLayout;
    m_label6 = Text(this, QString(), "Label6");
    m_label3 = Text(this, QString(), "Label3");
    // The server's text is shown as it is, never as markup.
    m_label6->setTextFormat(Qt::PlainText);
    m_label3->setTextFormat(Qt::PlainText);
    versions->addWidget(Text(this, QStringLiteral("Your Version is:")), 0, 0, Qt::AlignTop);
    versions->addWidget(m_label6, 0, 1, Qt::AlignTop);
    versions->addWidget(Text(this, QStringLiteral("The newer Version is:")), 1, 0, Qt::AlignTop);
    versions->addWidget(m_label3, 1, 1, Qt::AlignTop);
    versions->setColumnStretch(1, 1);
    layout->addLayout(versions);

    layout->addWidget(Text(this, QStringLiteral("For Download the newer Version please click the "
                                                "Button \n\"Start Live Update\" below.")));
    layout->addWidget(Text(this, QStringLiteral("The download will start then after 5 sec.")));
    layout->addWidget(Text(this, QStringLiteral("Or start the download manualy by clicking on :")));
    m_label9 = Text(this, QString(), "Label9");
    QPalette red = m_label9->palette();
    red.setColor(QPalette::WindowText, Qt::red);
    m_label9->setPalette(red);
    m_label9->setCursor(Qt::PointingHandCursor);
    // A click on the address opens it; the label is plain text, so the click comes as a link.
    m_label9->setTextFormat(Qt::RichText);
    connect(m_label9, &QLabel::linkActivated, this, [this] { Label9Click(); });
    layout->addWidget(m_label9);

    m_memo1 = new QPlainTextEdit(this);
    m_memo1->setObjectName(QStringLiteral("Memo1"));
    m_memo1->hide();
    layout->addWidget(m_memo1);

    auto* buttons = new QHBoxLayout;
    auto* start = new QPushButton(QStringLiteral("Start Live Update"), this);
    start->setObjectName(QStringLiteral("BitBtn1"));
    auto* close = new QPushButton(QStringLiteral("Close"), this);
    close->setObjectName(QStringLiteral("BitBtn8"));
    close->setToolTip(QStringLiteral("Cancel the current operation"));
    buttons->addStretch();
    buttons->addWidget(start);
    buttons->addWidget(close);
    layout->addLayout(buttons);
    connect(start, &QPushButton::clicked, this, &TOrvane_Update::BitBtn1Click);
    connect(close, &QPushButton::clicked, this, &TOrvane_Update::BitBtn8Click);
}

void TOrvane_Update::ShowNewerVersion(const QString& ownVersion, const QString& newerText) {
    m_memo1->setPlainText(newerText);
    m_label6->setText(ownVersion);
    m_label3->setText(newerText);
    const QString archive = DownloadArchiveUrl();
    m_label9->setText(QStringLiteral("<a href=\"%1\" style=\"color:red\">%2</a>")
                          .arg(archive.toHtmlEscaped(), archive.toHtmlEscaped()));
    show();
    raise();
}

void TOrvane_Update::BitBtn1Click() {
    QDesktopServices::openUrl(QUrl(DownloadPageUrl()));
}

void TOrvane_Update::Label9Click() {
    QDesktopServices::openUrl(QUrl(DownloadArchiveUrl()));
}

void TOrvane_Update::BitBtn8Click() {
    hide();
}

} // namespace orvane
