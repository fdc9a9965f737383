#include "led_display.h"

#include <QLCDNumber>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>
#include <cmath>

namespace orvane {

namespace {

constexpr int DefaultDigits = 6;
constexpr qreal ScrewRadius = 3.5;
constexpr int ScrewInset = 7;

const QColor PanelColour(0x4a, 0x4e, 0x54);
const QColor SegmentColour(0x3c, 0xff, 0x5a);
const QColor CaptionColour(0xe8, 0xec, 0xf0);

} // namespace

LedDisplay::LedDisplay(QWidget* parent)
    : QFrame(parent), m_caption(new QLabel(this)), m_digits(new QLCDNumber(this)) {
    setFrameStyle(QFrame::Panel | QFrame::Raised);
    setLineWidth(2);
    setAutoFillBackground(true);
    QPalette panel = palette();
    panel.setColor(QPalette::Window, PanelColour);
    panel.setColor(QPalette::Light, PanelColour.lighter(160));
    panel.setColor(QPalette::Dark, PanelColour.darker(200));
    setPalette(panel);

    m_caption->setAlignment(Qt::AlignCenter);
    QPalette captionPalette = m_caption->palette();
    captionPalette.setColor(QPalette::WindowText, CaptionColour);
    m_caption->setPalette(captionPalette);
    QFont captionFont = m_caption->font();
    captionFont.setBold(true);
    m_caption->setFont(captionFont);

    m_digits->setSegmentStyle(QLCDNumber::Flat);
    m_digits->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    m_digits->setLineWidth(2);
    m_digits->setDigitCount(DefaultDigits);
    m_digits->setAutoFillBackground(true);
    QPalette lcd = m_digits->palette();
    lcd.setColor(QPalette::Window, Qt::black);
    lcd.setColor(QPalette::WindowText, SegmentColour);
    // The sunken frame around the digits takes these two.
    lcd.setColor(QPalette::Light, QColor(0x9a, 0x9e, 0xa4));
    lcd.setColor(QPalette::Dark, QColor(0x1a, 0x1c, 0x1e));
    m_digits->setPalette(lcd);
    m_digits->setMinimumHeight(40);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);

    auto* layout = new QVBoxLayout(this);
    // Room for the screws in the corners.
    layout->setContentsMargins(ScrewInset + 6, 3, ScrewInset + 6, ScrewInset + 4);
    layout->setSpacing(2);
    layout->addWidget(m_caption);
    layout->addWidget(m_digits, 1);
    ShowValue();
}

QString LedDisplay::Caption() const {
    return m_caption->text();
}

void LedDisplay::SetCaption(const QString& caption) {
    m_caption->setText(caption);
}

void LedDisplay::SetDecimals(int decimals) {
    m_decimals = qMax(0, decimals);
    ShowValue();
}

void LedDisplay::SetValue(double value) {
    if (value == m_value && !m_text.isEmpty())
        return;
    m_value = value;
    ShowValue();
}

void LedDisplay::ShowValue() {
    const double shown = std::isfinite(m_value) ? m_value : 0.0;
    m_text = QString::number(shown, 'f', m_decimals);
    // A count that outgrows the panel gets more digits rather than losing its leading ones.
    const int needed = int(m_text.size() - (m_text.contains(QLatin1Char('.')) ? 1 : 0));
    if (needed > m_digits->digitCount())
        m_digits->setDigitCount(needed);
    m_digits->display(m_text);
}

QSize LedDisplay::sizeHint() const {
    return QSize(128, 78);
}

void LedDisplay::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF area = QRectF(rect()).adjusted(ScrewInset, ScrewInset, -ScrewInset, -ScrewInset);
    for (const QPointF corner :
         {area.topLeft(), area.topRight(), area.bottomLeft(), area.bottomRight()})
        PaintScrew(painter, corner);
}

void LedDisplay::PaintScrew(QPainter& painter, QPointF centre) const {
    QRadialGradient head(centre - QPointF(1, 1), ScrewRadius * 1.6);
    head.setColorAt(0, QColor(0xf0, 0xf0, 0xf0));
    head.setColorAt(1, QColor(0x80, 0x84, 0x8a));
    painter.setPen(QPen(QColor(0x2a, 0x2a, 0x2a), 0.8));
    painter.setBrush(head);
    painter.drawEllipse(centre, ScrewRadius, ScrewRadius);
    // A slot at a slant, as screws are rarely driven straight.
    painter.setPen(QPen(QColor(0x30, 0x30, 0x30), 1.0));
    const QPointF slot(ScrewRadius * 0.7, -ScrewRadius * 0.45);
    painter.drawLine(centre - slot, centre + slot);
}

} // namespace orvane
