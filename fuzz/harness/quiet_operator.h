#pragma once

#include "platform/operator_interface.h"

#include <QStringList>

namespace orvane::fuzz {

// An operator that gives up every question that offers a way out (Cancel, No, no tape) and
// remembers what it was told, so that a harness can check that a run ended idle and in words.
class QuietOperator : public OperatorInterface {
public:
    QStringList Boxes; // the text of every message box, in order
    bool Busy = false; // the last busy mode set
    int BusyCursorDepth = 0;

    MessageAnswer MessageBox(const QString& text, const QString& caption, MessageIcon icon,
                             MessageButtons buttons) override;
    std::optional<QString> InputBox(const QString&, const QString&, const QString&) override {
        return std::nullopt;
    }
    MessageAnswer RequestTape(const TapeRequest& request) override;
    void SetStatus(const QString&) override {}
    void SetCaption(const QString&) override {}
    void AppendProtocolLine(const QString&) override {}
    void ShowView(OperatorView) override {}
    void ShowBackupProgress(const BackupProgress&) override {}
    void ShowRestoreProgress(const RestoreProgress&) override {}
    void ShowVerifyProgress(const VerifyProgress&) override {}
    void ShowCatalogProgress(const CatalogProgress&) override {}
    void SetBusyMode(bool busy) override { Busy = busy; }
    void SetListEditingLocked(bool) override {}
    void SetBusyCursor(bool busy) override { BusyCursorDepth += busy ? 1 : -1; }
};

} // namespace orvane::fuzz
