#include "restore_question_dialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace orvane {

RestoreQuestionDialog::RestoreQuestionDialog(const QString& offered, QWidget* parent)
    : QDialog(parent), m_path(new QLineEdit(offered, this)), m_offered(offered) {
    setWindowTitle(QStringLiteral("Restoredialog"));
    m_path->setObjectName(QStringLiteral("RestorePath"));
    m_path->setMinimumWidth(420);
    auto* buttons = new QDialogButtonBox(this);
    const auto add = [&](const QString& text, const char* name, RestoreAnswer::Choice choice,
                         QDialogButtonBox::ButtonRole role) {
        QPushButton* button = buttons->addButton(text, role);
        button->setObjectName(QString::fromLatin1(name));
        connect(button, &QPushButton::clicked, this, [this, choice] { Choose(choice); });
        return button;
    };
    add(QStringLiteral("OK"), "RestoreThis", RestoreAnswer::Choice::Path,
        QDialogButtonBox::AcceptRole)
        ->setDefault(true);
    add(QStringLiteral("All"), "RestoreAll", RestoreAnswer::Choice::All,
        QDialogButtonBox::AcceptRole)
        ->setToolTip(QStringLiteral("This file and every later one to its own path, without "
                                    "asking again"));
    add(QStringLiteral("Skip the rest"), "SkipRest", RestoreAnswer::Choice::SkipRest,
        QDialogButtonBox::DestructiveRole)
        ->setToolTip(QStringLiteral("Neither this file nor any later one"));
    add(QStringLiteral("Cancel"), "SkipThis", RestoreAnswer::Choice::Skip,
        QDialogButtonBox::RejectRole)
        ->setToolTip(QStringLiteral("Not this file"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Restore to:"), this));
    layout->addWidget(m_path);
    layout->addWidget(buttons);
}

void RestoreQuestionDialog::Choose(RestoreAnswer::Choice choice) {
    m_choice = choice;
    if (choice == RestoreAnswer::Choice::Skip)
        reject();
    else
        accept();
}

RestoreAnswer RestoreQuestionDialog::Answer() const {
    if (result() != Accepted)
        return {};
    if (m_choice == RestoreAnswer::Choice::All)
        return {m_choice, m_offered};
    return {m_choice, m_choice == RestoreAnswer::Choice::Path ? m_path->text() : QString()};
}

} // namespace orvane
