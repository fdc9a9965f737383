#include "run_fixture.h"
#include "tape_change_dialog.h"
#include "window_operator.h"

#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>

using namespace orvane;

namespace {

constexpr int64_t Block = 32768;

// Random-looking bytes, so that soft compression cannot shrink them below a tape.
QByteArray Noise(int size, uint32_t seed) {
    QByteArray bytes(size, Qt::Uninitialized);
    for (char& byte : bytes) {
        seed = seed * 1664525u + 1013904223u;
        byte = char(seed >> 24);
    }
    return bytes;
}

// A library of small cartridges ("s1" loaded, 60 blocks each) and a tree that needs two of
// them.
class TapeChangeTest : public test::RunFixture {
protected:
    void SetUp() override {
        RunFixture::SetUp();
        ASSERT_TRUE(library->createCartridge("s1", SmallCapacity, 1, false).isEmpty());
        ASSERT_TRUE(library->insert("s1").isEmpty());
        start();
        source = makeSource({{"one.bin", Noise(1200000, 1)}, {"two.bin", Noise(1200000, 2)}});
    }

    static TapeChangeDialog& asChange(QDialog& dialog) {
        auto* change = qobject_cast<TapeChangeDialog*>(&dialog);
        EXPECT_TRUE(change);
        return *change;
    }

    // The cartridge list's row of a cartridge, column by column.
    static QStringList rowOf(QDialog& dialog, const QString& name) {
        auto* list = dialog.findChild<QTreeWidget*>("CartridgeList");
        for (int row = 0; list && row < list->topLevelItemCount(); ++row) {
            QTreeWidgetItem* item = list->topLevelItem(row);
            if (item->text(TapeChangeDialog::Name) != name)
                continue;
            QStringList texts;
            for (int column = 0; column < TapeChangeDialog::ColumnCount; ++column)
                texts << item->text(column);
            return texts;
        }
        return {};
    }

    static constexpr int64_t SmallCapacity = 60 * Block;
    QString source;
};

TEST_F(TapeChangeTest, TheOperatorInsertsAnotherCartridgeAndTheBackupGoesOn) {
    ASSERT_TRUE(library->createCartridge("s2", SmallCapacity, 1, false).isEmpty());
    QStringList fullTapeRow;
    QString preselected;
    OperatorBoxes::setNextDialogAction([&](QDialog& dialog) {
        TapeChangeDialog& change = asChange(dialog);
        preselected = change.selectedCartridge();
        fullTapeRow = rowOf(dialog, "s1");
        ASSERT_TRUE(change.selectCartridge("s2"));
        dialog.findChild<QPushButton*>("InsertButton")->click();
        EXPECT_EQ(rowOf(dialog, "s2").value(TapeChangeDialog::Loaded), "loaded");
        dialog.accept();
    });
    backUp({source});

    ASSERT_EQ(OperatorBoxes::shown().size(), 1u)
        << OperatorBoxes::shownTexts().join('|').toStdString();
    EXPECT_EQ(OperatorBoxes::shown()[0].text, "Tape full! Please insert Tape 2 and press then ok!");
    EXPECT_EQ(OperatorBoxes::shown()[0].caption, "Tape change");
    EXPECT_EQ(preselected, "s2") << "the unused cartridge is offered";
    // The full tape as the list showed it: not loaded any more, tape 1 of a set.
    ASSERT_EQ(fullTapeRow.size(), TapeChangeDialog::ColumnCount);
    EXPECT_EQ(fullTapeRow[TapeChangeDialog::Loaded], "");
    EXPECT_EQ(fullTapeRow[TapeChangeDialog::Label], "Tape");
    EXPECT_EQ(fullTapeRow[TapeChangeDialog::TapeNumber], "1");
    EXPECT_FALSE(fullTapeRow[TapeChangeDialog::SetDate].isEmpty());
    EXPECT_FALSE(fullTapeRow[TapeChangeDialog::Used].isEmpty());

    EXPECT_FALSE(window->session().CancelFlag);
    EXPECT_EQ(library->loadedCartridge(), "s2");
    EXPECT_TRUE(memoHas("Memo2", "3 Files proceded."));
    EXPECT_FALSE(window->busy());
}

TEST_F(TapeChangeTest, ANewCartridgeGetsTheSetsSizeAndCarriesTheRest) {
    ASSERT_TRUE(library->setWriteProtected("t1", true).isEmpty()); // no unused cartridge left
    int64_t offered = 0;
    OperatorBoxes::setNextDialogAction([&](QDialog& dialog) {
        // Nothing in the library fits: the operator makes a cartridge, keeping the defaults.
        EXPECT_EQ(asChange(dialog).selectedCartridge(), "");
        OperatorBoxes::setNextDialogAction([&](QDialog& ask) {
            EXPECT_EQ(ask.windowTitle(), "New cartridge");
            ask.accept();
        });
        dialog.findChild<QPushButton*>("NewCartridgeButton")->click();
        EXPECT_EQ(asChange(dialog).selectedCartridge(), "tape1");
        dialog.accept(); // OK inserts the selected cartridge
    });
    backUp({source});

    EXPECT_FALSE(window->session().CancelFlag);
    EXPECT_EQ(library->loadedCartridge(), "tape1");
    for (const CartridgeInfo& info : library->cartridges())
        if (info.name == "tape1")
            offered = info.capacity;
    EXPECT_EQ(offered, SmallCapacity);

    // The set reads back across both tapes, tape 1 first: the restore asks for it, then for
    // tape 2, and each time the cartridge that holds it is offered.
    QStringList offeredForRead;
    for (int request = 0; request < 2; ++request)
        OperatorBoxes::setNextDialogAction([&](QDialog& dialog) {
            offeredForRead << asChange(dialog).selectedCartridge();
            dialog.accept();
        });
    const QString target = home.file("target/");
    control<QPlainTextEdit>("Memo3")->setPlainText(source);
    control<QLineEdit>("Edit1")->setText(target);
    control<QAbstractButton>("RadioGroup1Item2")->click();
    click("BitBtn13");

    EXPECT_EQ(offeredForRead, (QStringList{"s1", "tape1"}));
    EXPECT_FALSE(window->session().CancelFlag);
    for (const auto& [name, seed] : {std::pair{"one.bin", 1u}, std::pair{"two.bin", 2u}}) {
        QFile restored(target + source.mid(1) + name);
        ASSERT_TRUE(restored.open(QIODevice::ReadOnly)) << name;
        EXPECT_EQ(restored.readAll(), Noise(1200000, seed)) << name;
    }
}

TEST_F(TapeChangeTest, CancelInThePromptCancelsTheRunAndLeavesTheWindowIdle) {
    OperatorBoxes::setNextDialogAction([](QDialog& dialog) { dialog.reject(); });
    backUp({source});

    ASSERT_FALSE(OperatorBoxes::shown().empty());
    EXPECT_EQ(OperatorBoxes::shown()[0].text, "Tape full! Please insert Tape 2 and press then ok!");
    for (const auto& box : OperatorBoxes::shown())
        EXPECT_NE(box.caption, "Error")
            << "nothing is written to an empty drive after the cancel: " << box.text.toStdString();
    EXPECT_TRUE(window->session().CancelFlag);
    EXPECT_FALSE(window->busy());
    EXPECT_FALSE(window->listEditingLocked());
    EXPECT_TRUE(control("BitBtn1")->isEnabled());
    EXPECT_EQ(library->cartridges().size(), 2u) << "t1 and s1, nothing made";
}

TEST_F(TapeChangeTest, ANewCartridgeWithATakenNameIsRefusedAndNothingIsLost) {
    TapeRequest request;
    request.text = "Tape full! Please insert Tape 2 and press then ok!";
    TapeChangeDialog dialog(library, request, nullptr);
    OperatorBoxes::setNextDialogAction([](QDialog& ask) {
        ask.findChild<QLineEdit*>("CartridgeName")->setText("s1");
        ask.accept();
    });
    dialog.newCartridge();
    EXPECT_EQ(OperatorBoxes::shown().back().caption, "Error");
    EXPECT_EQ(library->cartridges().size(), 2u);

    // A name the library cannot take keeps OK disabled.
    OperatorBoxes::setNextDialogAction([](QDialog& ask) {
        ask.findChild<QLineEdit*>("CartridgeName")->setText("../escape");
        const auto buttons = ask.findChildren<QPushButton*>();
        const bool okEnabled = std::any_of(buttons.begin(), buttons.end(), [](QPushButton* b) {
            return b->text().contains("OK") && b->isEnabled();
        });
        EXPECT_FALSE(okEnabled);
    });
    dialog.newCartridge();
    EXPECT_EQ(library->cartridges().size(), 2u);
}

TEST(TapeChangeRealDrive, ARealDriveKeepsThePlainOkCancelBox) {
    OperatorBoxes::reset();
    OperatorSurface surface;
    WindowOperator op(surface);
    op.setTapeDrive("/dev/nst0");
    TapeRequest request;
    request.text = "Tape full! Please insert Tape 2 and press then ok!";
    OperatorBoxes::setNextAnswer(MessageAnswer::Cancel);
    EXPECT_EQ(op.requestTape(request), MessageAnswer::Cancel);
    ASSERT_EQ(OperatorBoxes::shown().size(), 1u);
    EXPECT_EQ(OperatorBoxes::shown()[0].text, request.text);
    EXPECT_EQ(OperatorBoxes::shown()[0].buttons, MessageButtons::OkCancel);
    OperatorBoxes::reset();
}

} // namespace
