#include "tape_result_codes.h"

#include <map>

namespace orvane {

QString TapeErrorText(ResultCode code) {
    static const std::map<uint32_t, const char*> texts = {
        {1, "This Tape drive does not support this function"},
        {2, "The system cannot find the file specified. "},
        {3, "The system cannot find the path specified. "},
        {4, "The system cannot open the file. "},
        {5, "Access is denied. "},
        {6, "The handle is invalid. "},
        {7, "The storage control blocks were destroyed. "},
        {8, "Not enough storage is available to process this command. "},
        {9, "The storage control block address is invalid. "},
        {10, "The environment is incorrect. "},
        {11, "An attempt was made to load a program with an incorrect format."},
        {12, "The access code is invalid. "},
        {13, "The data is invalid. "},
        {14, "Not enough storage is available to complete the operation. "},
        {15, "The system cannot find the drive specified. "},
        {16, "The directory cannot be removed. "},
        {17, "The system cannot move the file to a different disk drive. "},
        {18, "There are no more files. "},
        {19, "Error, The write protect is set "},
        {20, "Error, The system cannot find the device "},
        {21, "The device is not ready "},
        {22, "The device does not recognize the command. "},
        {23, "Data error (cyclic redundancy check). "},
        {24, "Incorrect command length from program "},
        {25, "The drive cannot locate a specfic area or track on the disk "},
        {26, "The specified disk or diskette cannot be accessed. "},
        {27, "The drive cannot find the sector requested. "},
        {28, "The Printer is out of paper. "},
        {29, "The system cannot read from the specified device. "},
        {30, "The system cannot read from the specified device. "},
        {31, "A device attached to the system is not functioning. "},
        {32, "The file is being using by another process. "},
        {33, "Another process has locked the file. "},
        {34, "The wrong diskette is in the drive. "},
        {36, "Too many files opened for sharing. "},
        {38, "Reached end of file "},
        {39, "The disk is full "},
        {50, "The network request is not supported. "},
        {234, "More data is available "},
        {1100, "Error, End of media "},
        {1101, "Error, Filemark detected "},
        {1102, "Error, Cannot access data before medium marker "},
        {1103, "Error, A setmark was reached "},
        {1104, "Error, Eof of data marker reached "},
        {1105, "Error, The tape could not be partitioned "},
        {1106, "Error, The Block size is incorrect "},
        {1107, "Error, Partition information not found "},
        {1108, "Error, An attempt to lock the ejection mechanism failed "},
        {1109, "Error, An attempt to unload the media failed  "},
        {1112, "There is no media in the drive "},
    };
    const auto it = texts.find(CodeValue(code));
    return it == texts.end() ? QString() : QString::fromLatin1(it->second);
}

QString TapeResultMessage(ResultCode code) {
    static const std::map<uint32_t, const char*> messages = {
        {0, "OK"},
        {1, "INVALID FUNCTION"},
        {19, "The media is write protected."},
        {50, "The tape driver does not support a requested function."},
        {1100, "The end-of-tape marker was reached during an operation."},
        {1101, "A filemark was reached during an operation."},
        {1102, "An attempt to access data before the beginning-of-medium marker failed."},
        {1103, "A setmark was reached during an operation."},
        {1104, "The end-of-data marker was reached during an operation."},
        {1105, "The tape could not be partitioned."},
        {1106, "The block size is incorrect on a new tape in a multivolume partition."},
        {1107, "The partition information could not be found when a tape was being loaded."},
        {1108, "An attempt to lock the ejection mechanism failed."},
        {1109, "An attempt to unload the tape failed."},
        {1110, "The tape that was in the drive has been replaced or removed."},
        {1111, "A reset condition was detected on the bus."},
        {1112, "There is no media in the drive."},
    };
    const auto it = messages.find(CodeValue(code));
    return it == messages.end()
               ? QStringLiteral("Unbekannter Fehler. ") + QString::number(CodeValue(code))
               : QString::fromLatin1(it->second);
}

} // namespace orvane
