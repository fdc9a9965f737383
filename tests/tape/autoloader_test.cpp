#include "support/temp_home.h"
#include "tape/autoloader.h"
#include "tape/tape_description.h"

#include <QFile>
#include <gtest/gtest.h>

using namespace orvane;

namespace {

class AutoloaderTest : public ::testing::Test {
protected:
    AutoloaderTest() : library(VirtualTapeLibrary::at(home.libraryDir())), loader(library) {}

    // A cartridge whose block 0 holds a description.
    void Cartridge(const QString& name, double date, int number, const QByteArray& label = "Tape") {
        library->createCartridge(name, 32768 * 100, 1, false);
        TapeDescription description;
        description.Date = date;
        description.TapeNumber = uint8_t(number);
        description.Label = label;
        QByteArray block(32768, 0);
        description.encode(block.data());
        QFile image(library->imagePath(name));
        image.open(QIODevice::WriteOnly);
        image.write(block);
    }

    TapeRequest Request(TapeRequest::Kind kind, int number, double date) {
        TapeRequest request;
        request.kind = kind;
        request.tapeNumber = number;
        request.setDate = date;
        return request;
    }

    test::TempHome home;
    std::shared_ptr<VirtualTapeLibrary> library;
    Autoloader loader;
};

TEST_F(AutoloaderTest, FindsTheTapesOfASet) {
    Cartridge("a", 100.5, 1);
    Cartridge("b", 100.5, 2);
    Cartridge("c", 100.5, 3);
    Cartridge("d", 200.5, 2);
    EXPECT_EQ(loader.load(Request(TapeRequest::Kind::TapeOfSet, 2, 100.5)), "");
    EXPECT_EQ(library->loadedCartridge(), "b");
    EXPECT_EQ(loader.load(Request(TapeRequest::Kind::LastTapeOfSet, 0, 100.5)), "");
    EXPECT_EQ(library->loadedCartridge(), "c");
    EXPECT_NE(loader.load(Request(TapeRequest::Kind::TapeOfSet, 4, 100.5)), "");
}

TEST_F(AutoloaderTest, WritesOnlyOnUnusedCartridgesAndMakesNewOnes) {
    Cartridge("a", 100.5, 1);
    Cartridge("b", 300.5, 1); // another set: never overwritten
    Cartridge("f", 400.5, 255, "Empty Tape ");
    EXPECT_EQ(loader.load(Request(TapeRequest::Kind::NextTapeForWriting, 2, 100.5)), "");
    EXPECT_EQ(library->loadedCartridge(), "f") << "a formatted cartridge is free";

    Cartridge("f2", 100.5, 2);
    QFile::remove(library->imagePath("f"));
    EXPECT_EQ(loader.load(Request(TapeRequest::Kind::NextTapeForWriting, 3, 100.5)), "");
    EXPECT_EQ(library->loadedCartridge(), "tape1");
    const auto cartridges = library->cartridges();
    const auto made = std::find_if(cartridges.begin(), cartridges.end(),
                                   [](const CartridgeInfo& c) { return c.name == "tape1"; });
    ASSERT_NE(made, cartridges.end());
    EXPECT_EQ(made->capacity, 32768 * 100) << "as large as the set's tapes";
}

TEST_F(AutoloaderTest, SuggestsWhatItWouldLoadWithoutLoadingIt) {
    Cartridge("a", 100.5, 1);
    Cartridge("b", 100.5, 2);
    Cartridge("f", 400.5, 255, "Empty Tape ");
    ASSERT_EQ(library->loadedCartridge(), "");
    EXPECT_EQ(loader.suggest(Request(TapeRequest::Kind::TapeOfSet, 2, 100.5)), "b");
    EXPECT_EQ(loader.suggest(Request(TapeRequest::Kind::LastTapeOfSet, 0, 100.5)), "b");
    EXPECT_EQ(loader.suggest(Request(TapeRequest::Kind::NextTapeForWriting, 3, 100.5)), "f");
    EXPECT_EQ(loader.suggest(Request(TapeRequest::Kind::TapeOfSet, 3, 100.5)), "");
    EXPECT_EQ(library->loadedCartridge(), "") << "a suggestion loads nothing";

    QFile::remove(library->imagePath("f"));
    EXPECT_EQ(loader.suggest(Request(TapeRequest::Kind::NextTapeForWriting, 3, 100.5)), "")
        << "no unused cartridge: load() would make a new one";
    EXPECT_EQ(library->cartridges().size(), 2u) << "and a suggestion makes none";
}

} // namespace
