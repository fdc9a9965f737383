#include "verify_compare.h"

#include "platform/message_pump.h"
#include "platform/operator_interface.h"
#include "platform/protocol_log.h"
#include "tape/tape_context.h"

#include <QFile>
#include <QFileInfo>
#include <cstring>
#include <vector>

namespace orvane {

namespace {

constexpr qint64 CompareBlock = 64 * 1024;
// Messages are pumped about every thousand KiB compared.
constexpr int BlocksPerPump = 16;

bool NotReadable(TapeContext& ctx, const QString& diskPath) {
    ReportVerifyError(ctx, QStringLiteral("Error in File ") + diskPath +
                               QStringLiteral(" or File not exists !"));
    return false;
}

} // namespace

void ReportVerifyError(TapeContext& ctx, const QString& text) {
    for (const QString& line : {QString(), text, QString()})
        ctx.op.appendVerifyLine(line);
    for (const QString& line : {QString(), text, QString()})
        ctx.protocol.AddProtocolLine(line);
}

bool CompareFiles(TapeContext& ctx, const QString& diskPath, const QString& copyPath) {
    PumpMessages(1);
    // Only regular files are opened: a pipe or a device at the path would never end.
    const QFileInfo disk(diskPath);
    const QFileInfo copy(copyPath);
    if (!disk.isFile() || !copy.isFile())
        return NotReadable(ctx, diskPath);
    const qint64 k1 = disk.size() / 1024;
    const qint64 k2 = copy.size() / 1024;
    if (k1 != k2) {
        ReportVerifyError(ctx, QStringLiteral("Error with filesize ") + diskPath +
                                   QStringLiteral(" <%1> / ").arg(k1) + copyPath +
                                   QStringLiteral(" <%1>").arg(k2));
        return false;
    }
    QFile diskFile(diskPath);
    QFile copyFile(copyPath);
    if (!diskFile.open(QIODevice::ReadOnly) || !copyFile.open(QIODevice::ReadOnly))
        return NotReadable(ctx, diskPath);
    PumpMessages(1);

    // Sizes that differ within the same KiB are a difference of content as well.
    bool differ = disk.size() != copy.size();
    std::vector<char> first(CompareBlock);
    std::vector<char> second(CompareBlock);
    for (int block = 1; !differ && !ctx.CancelFlag; ++block) {
        if (block % BlocksPerPump == 0)
            PumpMessages(1);
        const qint64 n1 = diskFile.read(first.data(), CompareBlock);
        const qint64 n2 = copyFile.read(second.data(), CompareBlock);
        if (n1 < 0 || n2 < 0)
            return NotReadable(ctx, diskPath);
        if (n1 != n2 || std::memcmp(first.data(), second.data(), size_t(n1)) != 0)
            differ = true;
        else if (n1 == 0)
            break;
    }
    PumpMessages(1);
    diskFile.close();
    copyFile.close();
    PumpMessages(1);
    if (differ) {
        ReportVerifyError(ctx, QStringLiteral("Error in File:  ") + diskPath);
        return false;
    }
    return true;
}

} // namespace orvane
