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
        QString Text;
        QString Caption;
        MessageIcon Icon;
        MessageButtons Buttons;
    };

    // Next answers, first in first out; when the script is empty a box takes its default
    // (OK or Yes) and an input box takes its default value. A null input string cancels.
    std::deque<MessageAnswer> Answers;
    std::deque<QString> Inputs;

    // Called for every tape request before it is answered, to load the cartridge asked for.
    std::function<void(const TapeRequest&)> OnTapeRequest;
    std::vector<TapeRequest> TapeRequests;

    std::vector<Box> Boxes;
    QStringList StatusTexts;
    QStringList ProtocolLines;
    QStringList Captions;
    std::vector<OperatorView> Views;
    // Every progress report, in order.
    std::vector<BackupProgress> BackupReports;
    std::vector<RestoreProgress> RestoreReports;
    std::vector<VerifyProgress> VerifyReports;
    std::vector<CatalogProgress> CatalogReports;
    std::vector<RunProgress> RunReports;
    std::vector<bool> BusyModes;
    std::vector<bool> ListLocks;
    int BusyCursorDepth = 0;
    QStringList RestoreList;
    QStringList VerifyLines; // the verify report

    MessageAnswer MessageBox(const QString& text, const QString& caption, MessageIcon icon,
                             MessageButtons buttons) override;
    std::optional<QString> InputBox(const QString& caption, const QString& prompt,
                                    const QString& defaultValue) override;
    MessageAnswer RequestTape(const TapeRequest& request) override;
    void SetStatus(const QString& text) override { StatusTexts << text; }
    void SetCaption(const QString& text) override { Captions << text; }
    void AppendProtocolLine(const QString& text) override { ProtocolLines << text; }
    void ShowView(OperatorView view) override { Views.push_back(view); }
    void ShowBackupProgress(const BackupProgress& progress) override {
        BackupReports.push_back(progress);
    }
    void ShowRestoreProgress(const RestoreProgress& progress) override {
        RestoreReports.push_back(progress);
    }
    void ShowVerifyProgress(const VerifyProgress& progress) override {
        VerifyReports.push_back(progress);
    }
    void ShowCatalogProgress(const CatalogProgress& progress) override {
        CatalogReports.push_back(progress);
    }
    void ShowRunProgress(const RunProgress& progress) override { RunReports.push_back(progress); }
    void SetBusyMode(bool busy) override { BusyModes.push_back(busy); }
    void SetListEditingLocked(bool locked) override { ListLocks.push_back(locked); }
    void SetBusyCursor(bool busy) override { BusyCursorDepth += busy ? 1 : -1; }
    void SetRestoreList(const QStringList& lines) override { RestoreList = lines; }
    void AppendRestoreListLine(const QString& line) override { RestoreList << line; }
    void ClearVerifyReport() override { VerifyLines.clear(); }
    void AppendVerifyLine(const QString& line) override { VerifyLines << line; }

    QStringList BoxTexts() const;

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
    QString LastStatus() const { return StatusTexts.isEmpty() ? QString() : StatusTexts.last(); }
};

} // namespace orvane::test
