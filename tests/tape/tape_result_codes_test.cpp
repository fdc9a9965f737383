#include "tape/tape_result_codes.h"

#include <gtest/gtest.h>

using namespace orvane;

// The tables are keyed by number: 25, 29 and 32 have no enumerator and are worded all the same.
TEST(TapeErrorText, WordsEveryListedCode) {
    const std::vector<std::pair<uint32_t, const char*>> cases = {
        {0, ""},
        {1110, ""},
        {1111, ""},
        {4711, ""},
        {1, "This Tape drive does not support this function"},
        {2, "The system cannot find the file specified. "},
        {19, "Error, The write protect is set "},
        {25, "The drive cannot locate a specfic area or track on the disk "},
        {29, "The system cannot read from the specified device. "},
        {30, "The system cannot read from the specified device. "},
        {32, "The file is being using by another process. "},
        {35, ""},
        {39, "The disk is full "},
        {50, "The network request is not supported. "},
        {234, "More data is available "},
        {1100, "Error, End of media "},
        {1101, "Error, Filemark detected "},
        {1104, "Error, Eof of data marker reached "},
        {1109, "Error, An attempt to unload the media failed  "},
        {1112, "There is no media in the drive "},
    };
    for (const auto& [code, text] : cases)
        EXPECT_EQ(TapeErrorText(ResultCode(code)), QString::fromLatin1(text)) << code;
}

TEST(TapeResultMessage, WordsEveryListedCodeAndNamesUnknownOnes) {
    const std::vector<std::pair<uint32_t, const char*>> cases = {
        {0, "OK"},
        {1, "INVALID FUNCTION"},
        {19, "The media is write protected."},
        {50, "The tape driver does not support a requested function."},
        {1100, "The end-of-tape marker was reached during an operation."},
        {1104, "The end-of-data marker was reached during an operation."},
        {1106, "The block size is incorrect on a new tape in a multivolume partition."},
        {1110, "The tape that was in the drive has been replaced or removed."},
        {1111, "A reset condition was detected on the bus."},
        {1112, "There is no media in the drive."},
        {4711, "Unbekannter Fehler. 4711"},
        {2, "Unbekannter Fehler. 2"},
    };
    for (const auto& [code, text] : cases)
        EXPECT_EQ(TapeResultMessage(ResultCode(code)), QString::fromLatin1(text)) << code;
}
