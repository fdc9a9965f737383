#include "config/ini_document.h"

#include <gtest/gtest.h>

using namespace orvane;

namespace {

TEST(IniDocument, FindsKeysByTheFormatsRules) {
    const IniDocument document(QByteArrayLiteral("\xEF\xBB\xBF"
                                                 "Stray=before any section\r\n"
                                                 "[Options]\r\n"
                                                 "  Short Protocoll  =  0  \r\n"
                                                 "Append=1\n"
                                                 "Command=a=b\r\n"
                                                 "Append=2\r\n"
                                                 "no equals sign here\r\n"
                                                 "  [ Email Settings ]  \r\n"
                                                 "Subject=\r\n"
                                                 "[options]\r\n"
                                                 "Verify after Backup=1\r\n"
                                                 "[Latin]\r\n"
                                                 "Path0=/home/m\xFCller/\r\n"
                                                 "[Last]\r\n"
                                                 "NoLineEnd=yes"));
    struct Case {
        const char* Section;
        const char* Key;
        std::optional<QString> Expected;
    };
    const Case cases[] = {
        {"Options", "Short Protocoll", "0"},
        {"OPTIONS", "short protocoll", "0"},
        {" Options ", " Append ", "1"}, // the first of two keys counts
        {"Options", "Command", "a=b"},
        {"Email Settings", "Subject", ""},                // present, and empty
        {"Options", "Verify after Backup", std::nullopt}, // a later twin section is not read
        {"Options", "Stray", std::nullopt},
        {"Options", "no equals sign here", std::nullopt},
        {"Latin", "Path0", QString::fromUtf8("/home/m\u00fcller/")},
        {"Last", "NoLineEnd", "yes"},
        {"Nowhere", "Append", std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(document.Value(c.Section, c.Key), c.Expected) << c.Section << "/" << c.Key;
    EXPECT_TRUE(document.ToText().startsWith("\xEF\xBB\xBFStray=before any section\r\n"));
}

TEST(IniDocument, WritingAKeyKeepsEveryOtherLineAsItWas) {
    IniDocument document(QByteArrayLiteral("; kept\n"
                                           "[A]\n"
                                           "x = 1\n"
                                           "Other=\xFC\n"
                                           "\n"
                                           "[B]\n"
                                           "y=2\n"));
    document.SetValue("a", "X", "9");             // in place, under the name given here
    document.SetValue("A", "z", "new");           // after the section's last key, before the blank
    document.SetValue("C", "w", "line\r\nbreak"); // a new section at the end, on one line
    EXPECT_EQ(document.ToText(), QByteArrayLiteral("; kept\r\n"
                                                   "[A]\r\n"
                                                   "X=9\r\n"
                                                   "Other=\xFC\r\n"
                                                   "z=new\r\n"
                                                   "\r\n"
                                                   "[B]\r\n"
                                                   "y=2\r\n"
                                                   "[C]\r\n"
                                                   "w=line  break\r\n"));
    EXPECT_EQ(document.Value("c", "w"), "line  break");
}

} // namespace
