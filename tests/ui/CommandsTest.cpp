#include <QAccessible>
#include <QApplication>
#include <QLabel>
#include <QTimer>

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "DefaultDumpListing.h"
#include "MainWindowFixture.h"
#include "StandardErrorCapture.h"

namespace corvane {
namespace {

using Bytes = std::vector<std::uint8_t>;

const std::vector<Bytes> kDefaultDump = testing::defaultDumpPackets();

const QString kNoPortMessage =
    QStringLiteral("No MIDI output device is open. Choose one with Device.");

class CommandsTest : public MainWindowFixture {
  protected:
    void clickUpdate() { QTest::mouseClick(button("cmdUpdate"), Qt::LeftButton); }
};

TEST_F(CommandsTest, UpdateShowsTheDumpOnItsWayAndStaysSilentOnSuccess) {
    chooseDevice();
    QPushButton* update = button("cmdUpdate");
    const QString restDescription = update->accessibleDescription();
    clickUpdate();
    EXPECT_EQ(service.sentMessages(), kDefaultDump);
    EXPECT_TRUE(update->isDown());
    EXPECT_NE(update->accessibleDescription(), restDescription);

    endDump();
    EXPECT_FALSE(update->isDown());
    EXPECT_EQ(update->accessibleDescription(), restDescription);
    EXPECT_TRUE(dialogs.messages().isEmpty());
}

TEST_F(CommandsTest, UpdateWithNoPortSaysSoAtOnceAndSendsNothing) {
    clickUpdate();
    EXPECT_EQ(service.dumpCount(), 0);
    EXPECT_FALSE(button("cmdUpdate")->isDown());
    EXPECT_EQ(dialogs.messages(), QStringList{kNoPortMessage});
}

// A dump's failure is told on the window's report line, which asks for nothing: the next
// key acts at once, and the line stays until a dump goes through.
TEST_F(CommandsTest, AFailureIsShownInTheWindowUntilADumpGoesThrough) {
    showActive();
    chooseDevice();
    auto* line = control<QLabel>("lblTransferReport");
    list("cmbChannel")->setFocus();
    service.failSend(3, resultCode(MidiResult::BackendError));
    clickUpdate();
    EXPECT_FALSE(line->isVisible());
    endDump();
    EXPECT_TRUE(dialogs.messages().isEmpty());
    EXPECT_TRUE(line->isVisible());
    EXPECT_EQ(line->text(),
              QStringLiteral("Couldn't send to midi out: fake: send 3 failed. 9 of 10 delivered."));
    EXPECT_EQ(line->accessibleName(), line->text());
    EXPECT_EQ(QAccessible::queryAccessibleInterface(line)->role(), QAccessible::AlertMessage);
    EXPECT_EQ(line->focusPolicy(), Qt::NoFocus);

    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return, Qt::ControlModifier);
    EXPECT_EQ(service.dumpCount(), 2) << "the next Update acts at once";
    EXPECT_TRUE(line->isVisible()) << "until that dump has gone through";
    endDump();
    EXPECT_FALSE(line->isVisible());
    EXPECT_TRUE(dialogs.messages().isEmpty());
}

// A burst of clicks during a dump gives one more dump, of the settings at the first one's end.
TEST_F(CommandsTest, ClicksDuringADumpGiveExactlyOneMoreOfTheSettingsAtItsEnd) {
    chooseDevice();
    clickUpdate();
    for (int i = 0; i < 3; ++i) {
        clickUpdate();
        EXPECT_TRUE(button("cmdUpdate")->isDown());
    }
    list("cmbChannel")->setCurrentIndex(5);
    EXPECT_EQ(service.dumpCount(), 1);

    endDump();
    EXPECT_EQ(service.dumpCount(), 2);
    EXPECT_EQ(service.sentMessages()[10][8], 5) << "channel 6, as it stood at the end";
    EXPECT_TRUE(button("cmdUpdate")->isDown());

    endDump();
    EXPECT_EQ(service.dumpCount(), 2);
    EXPECT_FALSE(button("cmdUpdate")->isDown());
    EXPECT_EQ(service.callsDuringADump(), 0);
}

TEST_F(CommandsTest, UpdateSendsThePatternJustTyped) {
    showActive();
    chooseDevice();
    box("chkSysExSpecify")->click();
    patternText()->setFocus(Qt::TabFocusReason);
    patternText()->setText(QStringLiteral("1,2,"));
    clickUpdate();
    const auto sent = service.sentMessages();
    ASSERT_EQ(sent.size(), 10u);
    // Packet 05: ... pitch bend, after touch, SysEx mode Specify (0), count 2.
    EXPECT_EQ((Bytes(sent[5].begin() + 11, sent[5].begin() + 15)), (Bytes{0x01, 0x01, 0x00, 0x02}));
    // Packet 06: entries 1..7 = 1, 2, 66, 18, 64, 255, 255.
    EXPECT_EQ(sent[6], (Bytes{0xF0, 0x7D, 0x12, 0x34, 0x31, 0x04, 0x06, 0x03, 0x01, 0x02, 0x42,
                              0x12, 0x40, 0x7F, 0x7F, 0xF7}));
}

TEST_F(CommandsTest, RefusedPatternStopsTheUpdateItsClickWasFor) {
    showActive();
    chooseDevice();
    box("chkSysExSpecify")->click();
    patternText()->setFocus(Qt::TabFocusReason);
    patternText()->setText(QStringLiteral("256,"));
    clickUpdate();
    QCoreApplication::processEvents();
    EXPECT_TRUE(service.sentMessages().empty());
    EXPECT_EQ(dialogs.messages(),
              QStringList{QStringLiteral("SysEx pattern values must be 0 to 255.")});
    EXPECT_EQ(QApplication::focusWidget(), patternText());
}

TEST_F(CommandsTest, ShortcutsTakeThePendingEditFirst) {
    showActive();
    chooseDevice();
    box("chkSysExSpecify")->click();
    patternText()->setFocus(Qt::TabFocusReason);
    patternText()->setText(QStringLiteral("7,"));
    QTest::keyClick(patternText(), Qt::Key_Return, Qt::ControlModifier);
    ASSERT_EQ(service.sentMessages().size(), 10u);
    EXPECT_EQ(service.sentMessages()[5][14], 0x01);  // count 1
    EXPECT_EQ(service.sentMessages()[6][8], 0x07);

    patternText()->setText(QStringLiteral("-1,"));
    QTest::keyClick(patternText(), Qt::Key_Return, Qt::ControlModifier);
    EXPECT_EQ(service.sentMessages().size(), 10u);
    EXPECT_EQ(dialogs.messages().size(), 1);
    EXPECT_EQ(QApplication::focusWidget(), patternText());
}

TEST_F(CommandsTest, LoadAndSaveShortcutsAskForFiles) {
    showActive();
    QTest::keyClick(window.get(), Qt::Key_O, Qt::ControlModifier);
    QTest::keyClick(window.get(), Qt::Key_S, Qt::ControlModifier);
    ASSERT_EQ(dialogs.fileRequests().size(), 2u);
    EXPECT_FALSE(dialogs.fileRequests()[0].save);
    EXPECT_TRUE(dialogs.fileRequests()[1].save);
}

// Runs the application's event loop until the program is told to end; false on a timeout.
bool programEnds(const std::function<void()>& action) {
    QTimer::singleShot(0, action);
    QTimer::singleShot(3000, [] { QCoreApplication::exit(1); });
    return QApplication::exec() == 0;
}

TEST_F(CommandsTest, ExitClosesTheChosenPortOnceAndEndsTheProgram) {
    showActive();
    chooseDevice();
    const int closesBefore = service.closeCount();
    EXPECT_TRUE(programEnds([this] { QTest::mouseClick(button("cmdExit"), Qt::LeftButton); }));
    EXPECT_EQ(service.closeCount(), closesBefore + 1);
    window->close();
    EXPECT_EQ(service.closeCount(), closesBefore + 1);
}

TEST_F(CommandsTest, ClosingTheWindowClosesTheChosenPortOnceAndEndsTheProgram) {
    showActive();
    chooseDevice();
    const int closesBefore = service.closeCount();
    EXPECT_TRUE(programEnds([this] { window->close(); }));
    EXPECT_EQ(service.closeCount(), closesBefore + 1);
    window->cmdExit_Click();
    EXPECT_EQ(service.closeCount(), closesBefore + 1);
}

// Exit, Ctrl+Q and the window's close during a dump: the port closes and the program ends
// when the dump has ended, and its failure goes to standard error, not to a message box.
TEST_F(CommandsTest, EveryWayOfQuittingWaitsForTheDumpOnItsWay) {
    const std::pair<const char*, std::function<void(frmMain&)>> ways[] = {
        {"Exit", [](frmMain& w) { w.cmdExit_Click(); }},
        {"Ctrl+Q", [](frmMain& w) { QTest::keyClick(&w, Qt::Key_Q, Qt::ControlModifier); }},
        {"close", [](frmMain& w) { w.close(); }},
    };
    for (const auto& [name, quit] : ways) {
        SCOPED_TRACE(name);
        FakeMidiOutService dumps({"Test Synth"});
        MidiOutPort dumpPort(dumps);
        window = std::make_unique<frmMain>(dumpPort, dialogs);
        showActive();
        dumpPort.choosePosition(1, "Test Synth");
        dumps.failSend(2, resultCode(MidiResult::BackendError));
        QTest::mouseClick(button("cmdUpdate"), Qt::LeftButton);
        const int closesBefore = dumps.closeCount();

        bool endedEarly = false;
        const bool ended = programEnds([&, quit = quit] {
            quit(*window);
            QCoreApplication::processEvents();
            endedEarly = dumps.closeCount() != closesBefore || !window->isVisible();
            dumps.endDump();
        });
        EXPECT_TRUE(ended);
        EXPECT_FALSE(endedEarly) << "the port closed or the window went before the dump ended";
        EXPECT_EQ(dumps.closeCount(), closesBefore + 1);
        EXPECT_EQ(dumps.callsDuringADump(), 0);
        EXPECT_TRUE(dialogs.messages().isEmpty());
        window.reset();
    }
}

// Quitting while an edit waits for the dump on its way: the edit's dump goes too, so the unit is
// left with the settings on screen; after a dump of which nothing arrived it is not sent, and
// that is said.
TEST_F(CommandsTest, QuittingSendsTheQueuedFollowUpUnlessNothingOfTheDumpArrived) {
    const struct {
        const char* name;
        int lost;  // packets of the first dump lost on the way
        int dumps;
        const char* saidPart;
    } cases[] = {
        {"the dump went through", 0, 2, ""},
        {"some of it was lost", 4, 2, "6 of 10 delivered"},
        {"none of it arrived", 10, 1, "the settings on screen were not sent to the unit"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeMidiOutService dumps({"Test Synth"});
        MidiOutPort dumpPort(dumps);
        window = std::make_unique<frmMain>(dumpPort, dialogs);
        showActive();
        dumpPort.choosePosition(1, "Test Synth");
        dumps.loseOnTheWay(c.lost);
        QTest::mouseClick(button("cmdUpdate"), Qt::LeftButton);
        list("cmbChannel")->setCurrentIndex(5);
        QTest::mouseClick(button("cmdUpdate"), Qt::LeftButton);

        bool ended = false;
        const std::string said = testing::capturedStandardError([&] {
            ended = programEnds([&] {
                QTest::keyClick(window.get(), Qt::Key_Q, Qt::ControlModifier);
                dumps.endDumpsAtOnce();
                dumps.endDump();
            });
        });
        EXPECT_TRUE(ended);
        EXPECT_EQ(dumps.dumpCount(), c.dumps);
        EXPECT_EQ(dumps.sentMessages().back().size(), 16u);
        if (c.dumps == 2) {
            EXPECT_EQ(dumps.sentMessages()[10][8], 5) << "channel 6, as on screen";
        }
        EXPECT_NE(said.find(c.saidPart), std::string::npos) << said;
        EXPECT_EQ(dumps.closeCount(), 2);
        EXPECT_EQ(dumps.callsDuringADump(), 0);
        EXPECT_TRUE(dialogs.messages().isEmpty());
        window.reset();
    }
}

TEST_F(CommandsTest, QuittingWithoutAChosenDeviceLeavesTheServiceAlone) {
    window->cmdExit_Click();
    window->close();
    EXPECT_TRUE(service.calls().empty());
}

TEST_F(CommandsTest, PressOnTheSurfaceMovesTheWindowWithAnyButton) {
    showActive();
    for (const Qt::MouseButton pressed : {Qt::LeftButton, Qt::RightButton, Qt::MiddleButton}) {
        const QPoint start = window->pos();
        const QPoint grip(350, 720);
        QTest::mousePress(window.get(), pressed, Qt::NoModifier, grip);
        QTest::mouseMove(window.get(), grip + QPoint(30, 20));
        QTest::mouseRelease(window.get(), pressed, Qt::NoModifier, grip + QPoint(30, 20));
        EXPECT_EQ(window->pos(), start + QPoint(30, 20)) << pressed;
        // Once let go, the pointer no longer drags the window.
        QTest::mouseMove(window.get(), grip + QPoint(80, 60));
        EXPECT_EQ(window->pos(), start + QPoint(30, 20)) << pressed;
    }
}

TEST_F(CommandsTest, PressOnAControlMovesNothing) {
    showActive();
    const QPoint start = window->pos();
    QTest::mousePress(button("cmdSave"), Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    QTest::mouseMove(button("cmdSave"), QPoint(40, 30));
    QTest::mouseRelease(button("cmdSave"), Qt::LeftButton, Qt::NoModifier, QPoint(40, 30));
    EXPECT_EQ(window->pos(), start);
}

}  // namespace
}  // namespace corvane
