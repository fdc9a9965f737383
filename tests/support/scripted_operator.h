#pragma once

#include "platform/operator_interface.h"

#include <QString>
#include <QStringList>
#include <deque>
#include <functional>
#include <optional>

namespace orvane::test {

// An operator that answers from a script and records everything it was shown.
class ScriptedOperator : public OperatorInterface {
public:
    struct Box {
        QString text;
        QString caption;
        MessageIcon icon;
        MessageButtons buttons;
    };

    // Next answers, first in first out; when the script is empty a box takes its default
    // (OK or Yes) and an input box takes its default value. A null input string cancels.
    std::deque<MessageAnswer> answers;
    std::deque<QString> inputs;

    // Called for every tape request before it is answered, to load the cartridge asked for.
    std::function<void(const TapeRequest&)> onTapeRequest;
    std::vector<TapeRequest> tapeRequests;

    std::vector<Box> boxes;
    QStringList statusTexts;
    QStringList protocolLines;
    QStringList captions;
    std::vector<OperatorView> views;
    // Every progress report, in order.
    std::vector<BackupProgress> backupReports;
    std::vector<RestoreProgress> restoreReports;
    std::vector<VerifyProgress> verifyReports;
    std::vector<CatalogProgress> catalogReports;
    std::vector<bool> busyModes;
    std::vector<bool> listLocks;
    int busyCursorDepth = 0;
    QStringList restoreList;
    QStringList verifyLines; // the verify report

    MessageAnswer messageBox(const QString& text, const QString& caption, MessageIcon icon,
                             MessageButtons buttons) override;
    std::optional<QString> inputBox(const QString& caption, const QString& prompt,
                                    const QString& defaultValue) override;
    MessageAnswer requestTape(const TapeRequest& request) override;
    void setStatus(const QString& text) override { statusTexts << text; }
    void setCaption(const QString& text) override { captions << text; }
    void appendProtocolLine(const QString& text) override { protocolLines << text; }
    void ShowView(OperatorView view) override { views.push_back(view); }
    void ShowBackupProgress(const BackupProgress& progress) override {
        backupReports.push_back(progress);
    }
    void ShowRestoreProgress(const RestoreProgress& progress) override {
        restoreReports.push_back(progress);
    }
    void ShowVerifyProgress(const VerifyProgress& progress) override {
        verifyReports.push_back(progress);
    }
    void ShowCatalogProgress(const CatalogProgress& progress) override {
        catalogReports.push_back(progress);
    }
    void setBusyMode(bool busy) override { busyModes.push_back(busy); }
    void setListEditingLocked(bool locked) override { listLocks.push_back(locked); }
    void setBusyCursor(bool busy) override { busyCursorDepth += busy ? 1 : -1; }
    void setRestoreList(const QStringList& lines) override { restoreList = lines; }
    void appendRestoreListLine(const QString& line) override { restoreList << line; }
    void clearVerifyReport() override { verifyLines.clear(); }
    void appendVerifyLine(const QString& line) override { verifyLines << line; }

    QStringList boxTexts() const;

    // The values one counter was reported with, in order: History(op.backupReports,
    // &BackupProgress::Files).
    template <typename Progress, typename T>
    static std::vector<T> History(const std::vector<Progress>& reports,
                                  std::optional<T> Progress::*counter) {
        std::vector<T> values;
        for (const Progress& report : reports)
            if (report.*counter)
                values.push_back(*(report.*counter));
        return values;
    }
    // What the counter shows now: its last reported value, or none.
    template <typename Progress, typename T>
    static std::optional<T> Shown(const std::vector<Progress>& reports,
                                  std::optional<T> Progress::*counter) {
        for (auto report = reports.rbegin(); report != reports.rend(); ++report)
            if ((*report).*counter)
                return (*report).*counter;
        return std::nullopt;
    }
    QString lastStatus() const { return statusTexts.isEmpty() ? QString() : statusTexts.last(); }
};

} // namespace orvane::test
