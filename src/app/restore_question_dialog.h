#pragma once

#include "platform/operator_interface.h"

#include <QDialog>

class QLineEdit;

namespace orvane {

// "Restoredialog" of "Restore with asking": the path for one file, editable, and besides OK the
// answers for the files still to come, so that a restore of many files needs one question, not
// one a file. Cancel skips this file only.
class RestoreQuestionDialog : public QDialog {
    Q_OBJECT

public:
    RestoreQuestionDialog(const QString& offered, QWidget* parent);
    // The answer once the dialog has ended; Skip when it was cancelled.
    RestoreAnswer Answer() const;

private:
    void Choose(RestoreAnswer::Choice choice);

    QLineEdit* m_path;
    QString m_offered;
    RestoreAnswer::Choice m_choice = RestoreAnswer::Choice::Skip;
};

} // namespace orvane
