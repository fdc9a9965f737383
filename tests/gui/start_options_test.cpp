#include "start_options.h"

#include <gtest/gtest.h>

using namespace orvane;

namespace {

StartOptions Parsed(const QStringList& arguments) {
    const auto parsed = ParseStartOptions(arguments);
    if (const auto* error = std::get_if<StartOptionsError>(&parsed)) {
        ADD_FAILURE() << error->message.toStdString();
        return {};
    }
    return std::get<StartOptions>(parsed);
}

TEST(StartOptions, NothingGivenLeavesEverythingToTheDefaults) {
    const StartOptions options = Parsed({"orvane"});
    EXPECT_TRUE(options.home.isEmpty());
    EXPECT_TRUE(options.tapeChoice.isEmpty());
    EXPECT_TRUE(options.jobFileArgument.isEmpty());
    EXPECT_TRUE(options.startArgument.isEmpty());
    EXPECT_TRUE(options.runTimers);
}

TEST(StartOptions, HomeTapeJobFileAndStartAreTaken) {
    const StartOptions options = Parsed({"orvane", "--home", "/srv/orvane", "--tape",
                                         "vtape:/srv/tapes", "night.job", "START", "ignored"});
    EXPECT_EQ(options.home, "/srv/orvane");
    EXPECT_EQ(options.tapeChoice, "vtape:/srv/tapes");
    EXPECT_EQ(options.jobFileArgument, "night.job");
    EXPECT_EQ(options.startArgument, "START");
}

TEST(StartOptions, BadArgumentsGiveAMessage) {
    for (const QStringList& arguments :
         {QStringList{"orvane", "--bogus"}, QStringList{"orvane", "--home"},
          QStringList{"orvane", "--home="}, QStringList{"orvane", "--tape="}}) {
        const auto parsed = ParseStartOptions(arguments);
        const auto* error = std::get_if<StartOptionsError>(&parsed);
        ASSERT_TRUE(error) << arguments.join(' ').toStdString();
        EXPECT_FALSE(error->helpRequested);
        EXPECT_FALSE(error->message.isEmpty());
    }
}

TEST(StartOptions, HelpIsAnAnswerNotAnError) {
    const auto parsed = ParseStartOptions({"orvane", "--help"});
    const auto* help = std::get_if<StartOptionsError>(&parsed);
    ASSERT_TRUE(help);
    EXPECT_TRUE(help->helpRequested);
    EXPECT_TRUE(help->message.contains("--tape"));
}

} // namespace
