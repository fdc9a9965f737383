#include "start_options.h"

#include <gtest/gtest.h>

using namespace orvane;

namespace {

StartOptions Parsed(const QStringList& arguments) {
    const auto parsed = ParseStartOptions(arguments);
    if (const auto* error = std::get_if<StartOptionsError>(&parsed)) {
        ADD_FAILURE() << error->Message.toStdString();
        return {};
    }
    return std::get<StartOptions>(parsed);
}

TEST(StartOptions, NothingGivenLeavesEverythingToTheDefaults) {
    const StartOptions options = Parsed({"orvane"});
    EXPECT_TRUE(options.Home.isEmpty());
    EXPECT_TRUE(options.TapeChoice.isEmpty());
    EXPECT_TRUE(options.JobFileArgument.isEmpty());
    EXPECT_TRUE(options.StartArgument.isEmpty());
    EXPECT_TRUE(options.RunTimers);
}

TEST(StartOptions, HomeTapeJobFileAndStartAreTaken) {
    const StartOptions options = Parsed({"orvane", "--home", "/srv/orvane", "--tape",
                                         "vtape:/srv/tapes", "night.job", "START", "ignored"});
    EXPECT_EQ(options.Home, "/srv/orvane");
    EXPECT_EQ(options.TapeChoice, "vtape:/srv/tapes");
    EXPECT_EQ(options.JobFileArgument, "night.job");
    EXPECT_EQ(options.StartArgument, "START");
}

TEST(StartOptions, BadArgumentsGiveAMessage) {
    for (const QStringList& arguments :
         {QStringList{"orvane", "--bogus"}, QStringList{"orvane", "--home"},
          QStringList{"orvane", "--home="}, QStringList{"orvane", "--tape="}}) {
        const auto parsed = ParseStartOptions(arguments);
        const auto* error = std::get_if<StartOptionsError>(&parsed);
        ASSERT_TRUE(error) << arguments.join(' ').toStdString();
        EXPECT_FALSE(error->HelpRequested);
        EXPECT_FALSE(error->Message.isEmpty());
    }
}

TEST(StartOptions, HelpIsAnAnswerNotAnError) {
    const auto parsed = ParseStartOptions({"orvane", "--help"});
    const auto* help = std::get_if<StartOptionsError>(&parsed);
    ASSERT_TRUE(help);
    EXPECT_TRUE(help->HelpRequested);
    EXPECT_TRUE(help->Message.contains("--tape"));
}

} // namespace
