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
        ASSERT_TRUE(m_library->CreateCartridge("s1", SmallCapacity, 1, false).isEmpty());
        ASSERT_TRUE(m_library->Insert("s1").isEmpty());
        Start();
        m_source = MakeSource({{"one.bin", Noise(1200000, 1)}, {"two.bin", Noise(1200000, 2)}});
    }

    static TapeChangeDialog& AsChange(QDialog& dialog) {
        auto* change = qobject_cast<TapeChangeDialog*>(&dialog);
        EXPECT_TRUE(change);
        return *change;
    }

    // The cartridge list's row of a cartridge, column by column.
    static QStringList RowOf(QDialog& dialog, const QString& name) {
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
    QString m_source;
};

TEST_F(TapeChangeTest, TheOperatorInsertsAnotherCartridgeAndTheBackupGoesOn) {
    ASSERT_TRUE(m_library->CreateCartridge("s2", SmallCapacity, 1, false).isEmpty());
    QStringList fullTapeRow;
    QString preselected;
    OperatorBoxes::SetNextDialogAction([&](QDialog& dialog) {
        TapeChangeDialog& change = AsChange(dialog);
        preselected = change.SelectedCartridge();
        fullTapeRow = RowOf(dialog, "s1");
        ASSERT_TRUE(change.SelectCartridge("s2"));
        dialog.findChild<QPushButton*>("InsertButton")->click();
        EXPECT_EQ(RowOf(dialog, "s2").value(TapeChangeDialog::Loaded), "loaded");
        dialog.accept();
    });
    BackUp({m_source});

    ASSERT_EQ(OperatorBoxes::Shown().size(), 1u)
        << OperatorBoxes::ShownTexts().join('|').toStdString();
    EXPECT_EQ(OperatorBoxes::Shown()[0].Text, "Tape full! Please insert Tape 2 and press then ok!");
    EXPECT_EQ(OperatorBoxes::Shown()[0].Caption, "Tape change");
    EXPECT_EQ(preselected, "s2") << "the unused cartridge is offered";
    // The full tape as the list showed it: not loaded any more, tape 1 of a set.
    ASSERT_EQ(fullTapeRow.size(), TapeChangeDialog::ColumnCount);
    EXPECT_EQ(fullTapeRow[TapeChangeDialog::Loaded], "");
    EXPECT_EQ(fullTapeRow[TapeChangeDialog::Label], "Tape");
    EXPECT_EQ(fullTapeRow[TapeChangeDialog::TapeNumber], "1");
    EXPECT_FALSE(fullTapeRow[TapeChangeDialog::SetDate].isEmpty());
    EXPECT_FALSE(fullTapeRow[TapeChangeDialog::Used].isEmpty());

    EXPECT_FALSE(m_window->Session().CancelFlag);
    EXPECT_EQ(m_library->LoadedCartridge(), "s2");
    EXPECT_TRUE(MemoHas("Memo2", "3 Files proceded."));
    EXPECT_FALSE(m_window->Busy());
}

TEST_F(TapeChangeTest, ANewCartridgeGetsTheSetsSizeAndCarriesTheRest) {
    ASSERT_TRUE(m_library->SetWriteProtected("t1", true).isEmpty()); // no unused cartridge left
    int64_t offered = 0;
    OperatorBoxes::SetNextDialogAction([&](QDialog& dialog) {
        // Nothing in the library fits: the operator makes a cartridge, keeping the defaults.
        EXPECT_EQ(AsChange(dialog).SelectedCartridge(), "");
        OperatorBoxes::SetNextDialogAction([&](QDialog& ask) {
            EXPECT_EQ(ask.windowTitle(), "New cartridge");
            ask.accept();
        });
        dialog.findChild<QPushButton*>("NewCartridgeButton")->click();
        EXPECT_EQ(AsChange(dialog).SelectedCartridge(), "tape1");
        dialog.accept(); // OK inserts the selected cartridge
    });
    BackUp({m_source});

    EXPECT_FALSE(m_window->Session().CancelFlag);
    EXPECT_EQ(m_library->LoadedCartridge(), "tape1");
    for (const CartridgeInfo& info : m_library->Cartridges())
        if (info.Name == "tape1")
            offered = info.Capacity;
    EXPECT_EQ(offered, SmallCapacity);

    // The set reads back across both tapes, tape 1 first: the restore asks for it, then for
    // tape 2, and each time the cartridge that holds it is offered.
    QStringList offeredForRead;
    for (int request = 0; request < 2; ++request)
        OperatorBoxes::SetNextDialogAction([&](QDialog& dialog) {
            offeredForRead << AsChange(dialog).SelectedCartridge();
            dialog.accept();
        });
    const QString target = m_home.File("target/");
    Control<QPlainTextEdit>("Memo3")->setPlainText(m_source);
    Control<QLineEdit>("Edit1")->setText(target);
    Control<QAbstractButton>("RadioGroup1Item2")->click();
    Click("BitBtn13");

    EXPECT_EQ(offeredForRead, (QStringList{"s1", "tape1"}));
    EXPECT_FALSE(m_window->Session().CancelFlag);
    for (const auto& [name, seed] : {std::pair{"one.bin", 1u}, std::pair{"two.bin", 2u}}) {
        QFile restored(target + m_source.mid(1) + name);
        ASSERT_TRUE(restored.open(QIODevice::ReadOnly)) << name;
        EXPECT_EQ(restored.readAll(), Noise(1200000, seed)) << name;
    }
}

TEST_F(TapeChangeTest, CancelInThePromptCancelsTheRunAndLeavesTheWindowIdle) {
    OperatorBoxes::SetNextDialogAction([](QDialog& dialog) { dialog.reject(); });
    BackUp({m_source});

    ASSERT_FALSE(OperatorBoxes::Shown().empty());
    EXPECT_EQ(OperatorBoxes::Shown()[0].Text, "Tape full! Please insert Tape 2 and press then ok!");
    for (const auto& box : OperatorBoxes::Shown())
        EXPECT_NE(box.Caption, "Error")
            << "nothing is written to an empty drive after the cancel: " << box.Text.toStdString();
    EXPECT_TRUE(m_window->Session().CancelFlag);
    EXPECT_FALSE(m_window->Busy());
    EXPECT_FALSE(m_window->ListEditingLocked());
    EXPECT_TRUE(Control("BitBtn1")->isEnabled());
    EXPECT_EQ(m_library->Cartridges().size(), 2u) << "t1 and s1, nothing made";
}

TEST_F(TapeChangeTest, ANewCartridgeWithATakenNameIsRefusedAndNothingIsLost) {
    TapeRequest request;
    request.Text = "Tape full! Please insert Tape 2 and press then ok!";
    TapeChangeDialog dialog(m_library, request, nullptr);
    OperatorBoxes::SetNextDialogAction([](QDialog& ask) {
        ask.findChild<QLineEdit*>("CartridgeName")->setText("s1");
        ask.accept();
    });
    dialog.NewCartridge();
    EXPECT_EQ(OperatorBoxes::Shown().back().Caption, "Error");
    EXPECT_EQ(m_library->Cartridges().size(), 2u);

    // A name the library cannot take keeps OK disabled.
    OperatorBoxes::SetNextDialogAction([](QDialog& ask) {
        ask.findChild<QLineEdit*>("CartridgeName")->setText("../escape");
        const auto buttons = ask.findChildren<QPushButton*>();
        const bool okEnabled = std::any_of(buttons.begin(), buttons.end(), [](QPushButton* b) {
            return b->text().contains("OK") && b->isEnabled();
        });
        EXPECT_FALSE(okEnabled);
    });
    dialog.NewCartridge();
    EXPECT_EQ(m_library->Cartridges().size(), 2u);
}

TEST(TapeChangeRealDrive, ARealDriveKeepsThePlainOkCancelBox) {
    OperatorBoxes::Reset();
    OperatorSurface surface;
    WindowOperator op(surface);
    op.SetTapeDrive("/dev/nst0");
    TapeRequest request;
    request.Text = "Tape full! Please insert Tape 2 and press then ok!";
    OperatorBoxes::SetNextAnswer(MessageAnswer::Cancel);
    EXPECT_EQ(op.RequestTape(request), MessageAnswer::Cancel);
    ASSERT_EQ(OperatorBoxes::Shown().size(), 1u);
    EXPECT_EQ(OperatorBoxes::Shown()[0].Text, request.Text);
    EXPECT_EQ(OperatorBoxes::Shown()[0].Buttons, MessageButtons::OkCancel);
    OperatorBoxes::Reset();
}

} // namespace
