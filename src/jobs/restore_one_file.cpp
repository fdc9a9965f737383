#include "restore_one_file.h"

#include "archive/sparse_file_writer.h"
#include "archive/tape_reader.h"
#include "catalog_paths.h"
#include "platform/operator_interface.h"
#include "platform/path_bytes.h"
#include "platform/protocol_log.h"
#include "restore_place.h"
#include "session.h"
#include "tape/tape_date.h"

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace orvane {

namespace {

// Where the restored data lies before it is moved: an entry of a directory.
struct RestoredData {
    int Directory;
    QByteArray Name;
};

void Discard(const RestoredData& data) {
    ::unlinkat(data.Directory, data.Name.constData(), 0);
}

// Copies across file systems into a copy beside the destination, so that what is there is
// replaced only by a complete file. 0 or the errno of the failure.
int CopyInto(const RestoredData& from, const RestorePlace& to) {
    const int in =
        ::openat(from.Directory, from.Name.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (in < 0)
        return errno;
    const SafeTargetDirectory& directory = to.Directory();
    const int out = directory.CreateFile(RestorePlace::CopyName());
    if (out < 0) {
        const int error = errno;
        ::close(in);
        return error;
    }
    // The copy keeps the permissions the restored file was given.
    if (struct stat info; ::fstat(in, &info) == 0)
        ::fchmod(out, info.st_mode & 07777);
    int error = 0;
    // The same writer as the copy written straight from tape: holes stay holes.
    SparseFileWriter writer(out);
    std::vector<char> buffer(1 << 20);
    for (;;) {
        const ssize_t got = ::read(in, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0) {
            error = got < 0 ? errno : 0;
            break;
        }
        if (!writer.Write({buffer.data(), size_t(got)})) {
            error = errno != 0 ? errno : ENOSPC;
            break;
        }
    }
    if (error == 0 && !writer.Finish())
        error = errno;
    ::close(in);
    if (::close(out) != 0 && error == 0)
        error = errno;
    if (error == 0 && !directory.Rename(RestorePlace::CopyName(), to.Name()))
        error = errno;
    if (error != 0)
        directory.Remove(RestorePlace::CopyName());
    return error;
}

// Moves the data to its place: a rename (which replaces a link at the name, never follows it),
// across file systems a copy. 0 or the errno of the failure.
int MoveTo(const RestoredData& data, const RestorePlace& to) {
    if (to.Directory().MoveHere(data.Directory, data.Name, to.Name()))
        return 0;
    if (errno != EXDEV)
        return errno;
    const int error = CopyInto(data, to);
    if (error == 0)
        Discard(data);
    return error;
}

// The restore option decides where the file goes (`place`, or the place the operator named,
// kept in `asked`), or that it stays where it is (nothing: the data is then gone).
const RestorePlace* ApplyRestoreOption(Session& session, const QByteArray& tapePath,
                                       const RestoredData& data, RestorePlace& place,
                                       std::optional<RestorePlace>& asked) {
    switch (session.Settings.RestoreOption) {
    case 0: {
        using Choice = RestoreAnswer::Choice;
        RestoreAnswer answer{Choice::Path, place.Path()};
        if (session.RestoreQuestionsLeft == Session::RestoreQuestions::SkipAll)
            answer.Given = Choice::Skip;
        else if (session.RestoreQuestionsLeft == Session::RestoreQuestions::Ask)
            answer = session.Op.AskRestorePath(place.Path());
        if (answer.Given == Choice::All) {
            session.RestoreQuestionsLeft = Session::RestoreQuestions::RestoreAll;
            answer.Path = place.Path();
        } else if (answer.Given == Choice::SkipRest) {
            session.RestoreQuestionsLeft = Session::RestoreQuestions::SkipAll;
        }
        if (answer.Given == Choice::Skip || answer.Given == Choice::SkipRest) {
            Discard(data);
            return nullptr;
        }
        // The path given is taken as it stands; only what it needs is made, nothing replaced.
        const QString path = answer.Path;
        if (path.isEmpty() || path.endsWith(QLatin1Char('/'))) {
            Discard(data);
            ReportNotRestored(session, QStringLiteral("Not restored, no file path given for: ") +
                                           TapePathText(tapePath));
            return nullptr;
        }
        asked = RestorePlace::At(path);
        if (!asked->Refusal().isEmpty()) {
            Discard(data);
            ReportNotRestored(session, asked->Refusal());
            return nullptr;
        }
        if (asked->Directory().Occupied(asked->Name())) {
            Discard(data);
            ReportNotRestored(session, QStringLiteral("Not restored, the file exists: ") + path);
            return nullptr;
        }
        return &*asked;
    }
    case 2:
        // The rename replaces a file or a link; a directory stays.
        if (place.Directory().IsDirectory(place.Name())) {
            Discard(data);
            ReportNotRestored(
                session, QStringLiteral("Not restored, the existing file could not be replaced: ") +
                             place.Path());
            return nullptr;
        }
        return &place;
    default:
        // "Overwrite never", also for an option out of range: nothing existing is lost.
        if (place.Directory().Occupied(place.Name())) {
            Discard(data);
            return nullptr;
        }
        return &place;
    }
}

} // namespace

void ReportNotRestored(Session& session, const QString& protocolLine) {
    session.Counters.NotRestoredCount += 1;
    session.Protocol.AddProtocolLine(protocolLine);
}

bool KeptByOverwriteNever(const Session& session, const RestorePlace& place) {
    const int option = session.Settings.RestoreOption;
    if (option == 0 || option == 2)
        return false;
    return place.Refusal().isEmpty() && place.Directory().Occupied(place.Name());
}

bool RestoreOneFile(Session& session, const QByteArray& tapePath, RestorePlace& place,
                    const std::function<void(const RestorePlace&)>& restored) {
    RestoredData data;
    int64_t size = 0;
    if (place.HasCopy()) {
        data = {place.Directory().Descriptor(), RestorePlace::CopyName()};
        if (!place.FinishCopy()) {
            const int error = place.CopyErrno();
            place.DropCopy();
            ReportNotRestored(session, NotWrittenLine(place.Path(), error));
            return false;
        }
        size = place.CopySize();
    } else {
        const QString workFile = WorkFileFor(session, tapePath);
        data = {AT_FDCWD, PathToBytes(workFile)};
        UnpackRestoredFile(session, workFile);
        const QFileInfo extracted(workFile);
        if (!extracted.isFile()) {
            Discard(data);
            ReportNotRestored(session,
                              QStringLiteral("Not restored, the file could not be extracted: ") +
                                  TapePathText(tapePath));
            return false;
        }
        size = extracted.size();
    }

    std::optional<RestorePlace> asked;
    const RestorePlace* chosen = ApplyRestoreOption(session, tapePath, data, place, asked);
    place.ReleaseCopy(); // moved on or removed
    if (!chosen)
        return false;

    if (const int error = MoveTo(data, *chosen); error != 0) {
        Discard(data);
        ReportNotRestored(session, NotWrittenLine(chosen->Path(), error));
        return false;
    }
    SetModificationTime(chosen->Directory().Descriptor(), chosen->Name(),
                        FromTapeDate(session.LastHeader.Date));
    if (restored)
        restored(*chosen);
    session.Counters.FileCount += 1;
    session.Counters.RestoredBytes += size;
    session.Op.ShowRestoreProgress({.Files = session.Counters.FileCount});
    if (!session.Settings.ShortProtocol)
        session.Protocol.AddProtocolLine(chosen->Path() + QStringLiteral(" <") +
                                         QString::number(size / 1024) +
                                         QStringLiteral(" KBytes> "));
    return true;
}

} // namespace orvane
