#pragma once

#include "auxiliary_window.h"

class QPlainTextEdit;

namespace orvane {

// The operator's guide, read from "Orvane-readme.txt" beside the program.
class THelp_File : public AuxiliaryWindow {
    Q_OBJECT

public:
    explicit THelp_File(QWidget* parent = nullptr);

    // Where the guide is read from: the directory of the program file.
    static QString HelpFilePath();
    QString Text() const;

private:
    QPlainTextEdit* m_memo = nullptr;
};

} // namespace orvane
