#pragma once

#include "platform/operator_interface.h"

#include <QString>
#include <QStringList>
#include <deque>
#include <functional>
#include <map>
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
    std::map<int, double> counters;
    std::vector<int> tabs;
    std::vector<bool> busyModes;
    std::vector<bool> listLocks;
    int busyCursorDepth = 0;
    QStringList restoreList; // Memo3
    QStringList verifyLines; // Memo4

    MessageAnswer messageBox(const QString& text, const QString& caption, MessageIcon icon,
                             MessageButtons buttons) override;
    std::optional<QString> inputBox(const QString& caption, const QString& prompt,
                                    const QString& defaultValue) override;
    MessageAnswer requestTape(const TapeRequest& request) override;
    void setStatus(const QString& text) override { statusTexts << text; }
    void setCaption(const QString& text) override { captions << text; }
    void appendProtocolLine(const QString& text) override { protocolLines << text; }
    void setCounter(int display, double value) override { counters[display] = value; }
    void showTab(int index) override { tabs.push_back(index); }
    void setBusyMode(bool busy) override { busyModes.push_back(busy); }
    void setListEditingLocked(bool locked) override { listLocks.push_back(locked); }
    void setBusyCursor(bool busy) override { busyCursorDepth += busy ? 1 : -1; }
    void setRestoreList(const QStringList& lines) override { restoreList = lines; }
    void appendRestoreListLine(const QString& line) override { restoreList << line; }
    void clearVerifyReport() override { verifyLines.clear(); }
    void appendVerifyLine(const QString& line) override { verifyLines << line; }

    QStringList boxTexts() const;
    QString lastStatus() const { return statusTexts.isEmpty() ? QString() : statusTexts.last(); }
};

} // namespace orvane::test
