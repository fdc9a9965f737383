#include "verify_metadata.h"

#include "catalog_paths.h"
#include "owner_mapping.h"
#include "platform/operator_interface.h"
#include "platform/protocol_log.h"
#include "session.h"
#include "verify_compare.h"
#include "verify_run.h"

#include <sys/stat.h>
#include <unistd.h>

namespace orvane {

namespace {

QString ModeNumber(uint32_t mode) {
    return QStringLiteral("%1").arg(mode & 07777, 4, 8, QLatin1Char('0'));
}

QString OwnerText(uint32_t uid, uint32_t gid) {
    return QString::number(uid) + QLatin1Char(':') + QString::number(gid);
}

QByteArray LinkTarget(const QByteArray& path) {
    QByteArray target(4096, '\0');
    const ssize_t length = ::readlink(path.constData(), target.data(), size_t(target.size()));
    return length >= 0 ? target.left(length) : QByteArray();
}

// The differences of one entry, reported; true when there is none.
bool EntryMatches(TapeContext& ctx, OwnerMapping& owners, const EntryMetadata& entry) {
    using Type = EntryMetadata::Type;
    const QString shown = TapePathText(entry.Path);
    struct stat info {};
    const bool found = ::lstat(entry.Path.constData(), &info) == 0;
    switch (entry.Kind) {
    case Type::Directory:
        if (!found || !S_ISDIR(info.st_mode)) {
            ReportVerifyError(ctx, QStringLiteral("Error in Directory ") + shown +
                                       QStringLiteral(" or Directory not exists !"));
            return false;
        }
        break;
    case Type::SymbolicLink:
    case Type::HardLink: {
        const bool symbolic = entry.Kind == Type::SymbolicLink;
        if (!found || (symbolic ? !S_ISLNK(info.st_mode) : !S_ISREG(info.st_mode))) {
            ReportVerifyError(ctx, QStringLiteral("Error in Link ") + shown +
                                       QStringLiteral(" or Link not exists !"));
            return false;
        }
        struct stat file {};
        const bool same = symbolic ? LinkTarget(entry.Path) == entry.Target
                                   : ::lstat(entry.Target.constData(), &file) == 0 &&
                                         file.st_dev == info.st_dev && file.st_ino == info.st_ino;
        if (!same) {
            ReportVerifyError(ctx, QStringLiteral("Error in Link:  ") + shown +
                                       QString::fromLatin1(symbolic ? " -> " : " link to ") +
                                       TapePathText(entry.Target));
            return false;
        }
        if (!symbolic)
            return true; // its mode and owner are its file's
        break;
    }
    case Type::File:
        if (!found)
            return true; // the file's own comparison has said so
        break;
    }
    bool matches = true;
    if (entry.Kind != Type::SymbolicLink && (info.st_mode & 07777) != entry.Mode) {
        ReportVerifyError(ctx, QStringLiteral("Error with mode ") + shown + QStringLiteral(" <") +
                                   ModeNumber(info.st_mode) + QStringLiteral("> / Tape <") +
                                   ModeNumber(entry.Mode) + QLatin1Char('>'));
        matches = false;
    }
    const uint32_t uid = owners.Uid(entry);
    const uint32_t gid = owners.Gid(entry);
    if (info.st_uid != uid || info.st_gid != gid) {
        ReportVerifyError(ctx, QStringLiteral("Error with owner ") + shown + QStringLiteral(" <") +
                                   OwnerText(info.st_uid, info.st_gid) +
                                   QStringLiteral("> / Tape <") + OwnerText(uid, gid) +
                                   QLatin1Char('>'));
        matches = false;
    }
    return matches;
}

} // namespace

void VerifyMetadata(Session& session, VerifyResult& result, const SetMetadata& metadata,
                    const QSet<QByteArray>& verifiedOk) {
    OwnerMapping owners(session.NumericOwner);
    for (const EntryMetadata& entry : metadata.Entries()) {
        if (session.CancelFlag)
            return;
        const bool matches = EntryMatches(session, owners, entry);
        switch (entry.Kind) {
        case EntryMetadata::Type::File:
            if (!matches && verifiedOk.contains(entry.Path)) {
                result.VerifiedOk -= 1;
                result.VerifiedDefect += 1;
            }
            break;
        case EntryMetadata::Type::Directory:
            result.VerifiedDefect += matches ? 0 : 1;
            break;
        default: {
            if (!matches) {
                result.VerifiedDefect += 1;
                break;
            }
            const QString line = TapePathText(entry.Path) + QStringLiteral("   OK");
            session.Op.AppendVerifyLine(line);
            if (!session.Settings.ShortProtocol)
                session.Protocol.AddProtocolLine(line);
            result.VerifiedOk += 1;
        }
        }
    }
}

} // namespace orvane
