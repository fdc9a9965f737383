#pragma once

#include "auxiliary_window.h"

class QPlainTextEdit;

namespace orvane {

// The operator's guide, read from "Orvane-readme.txt", a file shipped with the programs.
class THelp_File : public AuxiliaryWindow {
    Q_OBJECT

public:
    explicit THelp_File(QWidget* parent = nullptr);

    // Where the guide is read from: beside the program, or <prefix>/share/orvane/ once installed.
    static QString HelpFilePath();
    QString Text() const;

private:
    QPlainTextEdit* m_memo = nullptr;
};

} // namespace orvane
