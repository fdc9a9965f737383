#include "support/result_code_printer.h"

#include <gtest/gtest.h>

using namespace orvane;

// The error box and the protocol show these texts; a number the system has no wording for is
// shown as that number, whether or not it has an enumerator.
TEST(SystemMessage, WordsKnownCodesAndNamesOthersByTheirNumber) {
    const std::vector<std::pair<ResultCode, const char*>> cases = {
        {ResultCode::Success, "The operation completed successfully."},
        {ResultCode::NoDataDetected, "No more data is on the tape."},
        {ResultCode::NoMediaInDrive, "No media in drive."},
        {ResultCode(4), "Unknown error 4."},
        {ResultCode(4711), "Unknown error 4711."},
    };
    for (const auto& [code, text] : cases)
        EXPECT_EQ(SystemMessage(code), QString::fromLatin1(text)) << CodeValue(code);
}
