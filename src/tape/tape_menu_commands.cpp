#include "tape_menu_commands.h"

#include "end_marker.h"
#include "platform/message_pump.h"
#include "platform/operator_interface.h"
#include "tape_access.h"

#include <QByteArrayView>
#include <algorithm>
#include <vector>

namespace orvane {

namespace {

int CountEndMarkers(const std::vector<char>& block) {
    const QByteArrayView data(block.data(), qsizetype(block.size()));
    int found = 0;
    for (qsizetype at = data.indexOf(EndMarkerTag); at >= 0;
         at = data.indexOf(EndMarkerTag, at + 1))
        ++found;
    return found;
}

} // namespace

bool RewindTapeCommand(TapeContext& ctx) {
    SetBusyCursor(ctx);
    const bool rewound = RewindWithStatus(ctx);
    RestoreCursor(ctx);
    return rewound;
}

void MoveTapeToBlockCommand(TapeContext& ctx, std::optional<QString> block) {
    if (!block)
        block = ctx.Op.InputBox(QStringLiteral("Goto Block"), QStringLiteral("Move to"), QString());
    if (!block)
        return;
    TapeHandlePtr handle = OpenTape(ctx);
    if (!handle)
        return;
    ctx.Op.SetStatus(QStringLiteral("Move Tape to Block ") + *block);
    PumpMessages(1);
    bool isNumber = false;
    const int32_t number = block->trimmed().toInt(&isNumber);
    if (!isNumber) {
        // The drive stays where it is.
        ctx.Op.ShowError(QStringLiteral("'%1' is not a valid integer value").arg(*block));
        CloseTape(handle, 10);
        return;
    }
    MoveHandleToBlock(ctx, *handle, number);
    std::vector<char> buffer(TapeBlockSize, 0);
    if (const ResultCode code = handle->ReadBlock(buffer.data(), TapeBlockSize);
        code != ResultCode::Success) {
        LogTapeError(ctx, code);
        // Whatever a failed read left behind is not the block asked for.
        std::fill(buffer.begin(), buffer.end(), 0);
    }
    CloseTape(handle, 10);
    for (int i = CountEndMarkers(buffer); i > 0; --i)
        ctx.Op.ShowMessage(QStringLiteral("OK"));
    ctx.Op.SetStatus(QStringLiteral("Tape at Block ") + *block);
}

int64_t GetTapePositionCommand(TapeContext& ctx) {
    SetBusyCursor(ctx);
    int64_t position = 0;
    if (TapeHandlePtr handle = OpenTape(ctx)) {
        position = ReadTapePosition(ctx, *handle);
        CloseTape(handle, 1);
    }
    RestoreCursor(ctx);
    ctx.Op.ShowMessage(QStringLiteral("Tape at Block: ") + QString::number(position));
    return position;
}

} // namespace orvane
