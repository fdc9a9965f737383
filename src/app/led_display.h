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
    Q_PROPERTY(QString caption READ Caption WRITE SetCaption)
    Q_PROPERTY(int decimals READ Decimals WRITE SetDecimals)

public:
    explicit LedDisplay(QWidget* parent = nullptr);

    QString Caption() const;
    void SetCaption(const QString& caption);

    // Digits after the decimal separator; 0 shows whole numbers.
    int Decimals() const { return m_decimals; }
    void SetDecimals(int decimals);

    double Value() const { return m_value; }
    void SetValue(double value);
    // What the digits show.
    QString Text() const { return m_text; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void ShowValue();
    void PaintScrew(class QPainter& painter, QPointF centre) const;

    QLabel* m_caption;
    QLCDNumber* m_digits;
    double m_value = 0;
    int m_decimals = 0;
    QString m_text;
};

} // namespace orvane
