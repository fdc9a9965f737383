#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace orvane {

enum class MessageIcon { None, Information, Warning, Error, Question };
enum class MessageButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class MessageAnswer { Ok, Cancel, Yes, No };

// Tabs of the main window, by index.
namespace Tab {
constexpr int Backup = 0;
constexpr int Restore = 1;
constexpr int Verify = 2;
constexpr int Protocol = 3;
constexpr int Options = 4;
constexpr int Email = 5;
} // namespace Tab

// A request to put a certain tape into the drive. The operator answers OK once it is in, or
// Cancel to give up the operation that waits for it.
struct TapeRequest {
    enum class Kind {
        NextTapeForWriting, // any tape that may be overwritten, to continue a set
        TapeOfSet,          // tape `tapeNumber` of the set dated `setDate`
        LastTapeOfSet,      // the last tape of the set dated `setDate`
    };
    Kind kind = Kind::NextTapeForWriting;
    int tapeNumber = 0;
    double setDate = 0;
    QString text; // the prompt's wording
};

// Everything the core shows the operator or asks of him. The desktop window implements it with
// widgets, the command line with the terminal, the tests with scripted answers. No core routine
// opens a widget itself.
class OperatorInterface {
public:
    virtual ~OperatorInterface() = default;

    // A modal message box; answers the button pressed.
    virtual MessageAnswer messageBox(const QString& text, const QString& caption, MessageIcon icon,
                                     MessageButtons buttons) = 0;
    // A modal input box; empty optional when cancelled.
    virtual std::optional<QString> inputBox(const QString& caption, const QString& prompt,
                                            const QString& defaultValue) = 0;

    virtual void setStatus(const QString& text) = 0;
    virtual void setCaption(const QString& text) = 0;
    // A protocol line for the protocol memo and the e-mail text (the log file is written by
    // ProtocolLog itself).
    virtual void appendProtocolLine(const QString& text) = 0;
    // One of the counter displays LEDDisplay1..LEDDisplay10.
    virtual void setCounter(int display, double value) = 0;
    virtual void showTab(int index) = 0;
    // EnterBusyMode / LeaveBusyMode and LockListEditing / UnlockListEditing.
    virtual void setBusyMode(bool busy) = 0;
    virtual void setListEditingLocked(bool locked) = 0;
    virtual void setBusyCursor(bool busy) = 0;

    // Asks for a tape; by default a plain OK/Cancel box with the request's text.
    virtual MessageAnswer requestTape(const TapeRequest& request) {
        return messageBox(request.text, QString(), MessageIcon::Information,
                          MessageButtons::OkCancel);
    }

    // The restore list (Memo3): a catalog load replaces it, the sequential catalog scan lists
    // the paths it passes there, a double click on the catalog tree adds a line. The settings'
    // RestoreList changes alongside.
    virtual void setRestoreList(const QStringList& /*lines*/) {}
    virtual void appendRestoreListLine(const QString& /*line*/) {}
    // The verify report (Memo4), emptied at the start of each verify.
    virtual void clearVerifyReport() {}
    virtual void appendVerifyLine(const QString& /*line*/) {}

    // Shorthands for the common boxes.
    void showMessage(const QString& text) {
        messageBox(text, QString(), MessageIcon::None, MessageButtons::Ok);
    }
    void showError(const QString& text) {
        messageBox(text, QStringLiteral("Error"), MessageIcon::Error, MessageButtons::Ok);
    }
};

} // namespace orvane
