#include "catalog_first_tape.h"

#include "platform/operator_interface.h"
#include "platform/protocol_log.h"
#include "tape/tape_access.h"
#include "tape/tape_description_io.h"

namespace orvane {

void EnsureFirstTape(TapeContext& ctx) {
    const TapeDescription kept = ctx.CurrentTapeDescription;
    // Without a set date no tape could ever be the one asked for.
    if (kept.TapeNumber == 1 || kept.TapeNumber == 255 || !(kept.Date > 1.0))
        return;
    TapeRequest request;
    request.Kind = TapeRequestKind::TapeOfSet;
    request.TapeNumber = 1;
    request.SetDate = kept.Date;
    request.Text =
        QStringLiteral("Please insert Tape 1 of the current Tape Set and press then ok!");
    do {
        EjectTape(ctx, false);
        if (ctx.Op.RequestTape(request) != MessageAnswer::Ok) {
            ctx.CancelFlag = true;
            const QString text = QStringLiteral("Tape change cancelled: Tape 1 was not inserted.");
            ctx.Protocol.AddProtocolLine(text);
            ctx.Op.SetStatus(text);
            return;
        }
        ProbeTapeDrive(ctx);
        // Read without the busy-mode bracket of "Load Tape Description": the runs that ask
        // for tape 1 are busy already and stay so.
        ctx.CurrentTapeDescription = ReadTapeDescription(ctx);
    } while (ctx.CurrentTapeDescription.TapeNumber != 1 ||
             ctx.CurrentTapeDescription.Date != kept.Date);
}

} // namespace orvane
