#pragma once

#include "auxiliary_window.h"

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace orvane {

// Tells of a newer version of Orvane and opens its download in the web browser.
class TOrvane_Update : public AuxiliaryWindow {
    Q_OBJECT

public:
    explicit TOrvane_Update(QWidget* parent = nullptr);

    // Shows the own version and the whole version file, and the window itself.
    void ShowNewerVersion(const QString& ownVersion, const QString& newerText);

    void BitBtn1Click(); // "Start Live Update": the download page
    void Label9Click();  // the download archive
    void BitBtn8Click(); // "Close"

private:
    QLabel* m_label6 = nullptr;
    QLabel* m_label3 = nullptr;
    QLabel* m_label9 = nullptr;
    QPlainTextEdit* m_memo1 = nullptr;
};

} // namespace orvane
