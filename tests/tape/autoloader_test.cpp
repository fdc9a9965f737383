#include "support/temp_home.h"
#include "tape/autoloader.h"
#include "tape/tape_description.h"

#include <QFile>
#include <gtest/gtest.h>

using namespace orvane;

namespace {

class AutoloaderTest : public ::testing::Test {
protected:
    AutoloaderTest()
        : m_library(VirtualTapeLibrary::At(m_home.LibraryDir())), m_loader(m_library) {}

    // A cartridge whose block 0 holds a description.
    void Cartridge(const QString& name, double date, int number, const QByteArray& label = "Tape") {
        m_library->CreateCartridge(name, 32768 * 100, 1, false);
        TapeDescription description;
        description.Date = date;
        description.TapeNumber = uint8_t(number);
        description.Label = label;
        QByteArray block(32768, 0);
        description.Encode(block.data());
        QFile image(m_library->ImagePath(name));
        image.open(QIODevice::WriteOnly);
        image.write(block);
    }

    TapeRequest Request(TapeRequestKind kind, int number, double date) {
        TapeRequest request;
        request.Kind = kind;
        request.TapeNumber = number;
        request.SetDate = date;
        return request;
    }

    test::TempHome m_home;
    std::shared_ptr<VirtualTapeLibrary> m_library;
    Autoloader m_loader;
};

TEST_F(AutoloaderTest, FindsTheTapesOfASet) {
    Cartridge("a", 100.5, 1);
    Cartridge("b", 100.5, 2);
    Cartridge("c", 100.5, 3);
    Cartridge("d", 200.5, 2);
    EXPECT_EQ(m_loader.Load(Request(TapeRequestKind::TapeOfSet, 2, 100.5)), "");
    EXPECT_EQ(m_library->LoadedCartridge(), "b");
    EXPECT_EQ(m_loader.Load(Request(TapeRequestKind::LastTapeOfSet, 0, 100.5)), "");
    EXPECT_EQ(m_library->LoadedCartridge(), "c");
    EXPECT_NE(m_loader.Load(Request(TapeRequestKind::TapeOfSet, 4, 100.5)), "");
}

TEST_F(AutoloaderTest, WritesOnlyOnUnusedCartridgesAndMakesNewOnes) {
    Cartridge("a", 100.5, 1);
    Cartridge("b", 300.5, 1); // another set: never overwritten
    Cartridge("f", 400.5, 255, "Empty Tape ");
    EXPECT_EQ(m_loader.Load(Request(TapeRequestKind::NextTapeForWriting, 2, 100.5)), "");
    EXPECT_EQ(m_library->LoadedCartridge(), "f") << "a formatted cartridge is free";

    Cartridge("f2", 100.5, 2);
    QFile::remove(m_library->ImagePath("f"));
    EXPECT_EQ(m_loader.Load(Request(TapeRequestKind::NextTapeForWriting, 3, 100.5)), "");
    EXPECT_EQ(m_library->LoadedCartridge(), "tape1");
    const auto cartridges = m_library->Cartridges();
    const auto made = std::find_if(cartridges.begin(), cartridges.end(),
                                   [](const CartridgeInfo& c) { return c.Name == "tape1"; });
    ASSERT_NE(made, cartridges.end());
    EXPECT_EQ(made->Capacity, 32768 * 100) << "as large as the set's tapes";
}

TEST_F(AutoloaderTest, SuggestsWhatItWouldLoadWithoutLoadingIt) {
    Cartridge("a", 100.5, 1);
    Cartridge("b", 100.5, 2);
    Cartridge("f", 400.5, 255, "Empty Tape ");
    ASSERT_EQ(m_library->LoadedCartridge(), "");
    EXPECT_EQ(m_loader.Suggest(Request(TapeRequestKind::TapeOfSet, 2, 100.5)), "b");
    EXPECT_EQ(m_loader.Suggest(Request(TapeRequestKind::LastTapeOfSet, 0, 100.5)), "b");
    EXPECT_EQ(m_loader.Suggest(Request(TapeRequestKind::NextTapeForWriting, 3, 100.5)), "f");
    EXPECT_EQ(m_loader.Suggest(Request(TapeRequestKind::TapeOfSet, 3, 100.5)), "");
    EXPECT_EQ(m_library->LoadedCartridge(), "") << "a suggestion loads nothing";

    QFile::remove(m_library->ImagePath("f"));
    EXPECT_EQ(m_loader.Suggest(Request(TapeRequestKind::NextTapeForWriting, 3, 100.5)), "")
        << "no unused cartridge: load() would make a new one";
    EXPECT_EQ(m_library->Cartridges().size(), 2u) << "and a suggestion makes none";
}

} // namespace
