#pragma once

#include <QFrame>
#include <QString>

class QLabel;
class QLCDNumber;

namespace orvane {

// A seven-segment counter on a bevelled instrument panel with a screw in each corner, the way
// the run counters of the main window are shown. The panel carries its caption above the digits.
class LedDisplay : public QFrame {
    Q_OBJECT
    Q_PROPERTY(QString caption READ caption WRITE setCaption)
    Q_PROPERTY(int decimals READ decimals WRITE setDecimals)

public:
    explicit LedDisplay(QWidget* parent = nullptr);

    QString caption() const;
    void setCaption(const QString& caption);

    // Digits after the decimal separator; 0 shows whole numbers.
    int decimals() const { return m_decimals; }
    void setDecimals(int decimals);

    double value() const { return m_value; }
    void setValue(double value);
    // What the digits show.
    QString text() const { return m_text; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void showValue();
    void paintScrew(class QPainter& painter, QPointF centre) const;

    QLabel* m_caption;
    QLCDNumber* m_digits;
    double m_value = 0;
    int m_decimals = 0;
    QString m_text;
};

} // namespace orvane
