#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QTest>

#include <string>
#include <vector>

#include "MainWindowFixture.h"
#include "QtPrinters.h"
#include "settings/SettingsDump.h"

namespace corvane {
namespace {

using StageTest = MainWindowFixture;

QStringList actionLines(const QMenu& menu) {
    QStringList lines;
    for (const QAction* action : menu.actions()) {
        if (!action->isSeparator()) {
            lines << action->text() + QLatin1Char('|') + action->shortcut().toString() +
                         (action->isEnabled() ? QString() : QStringLiteral("|off"));
        }
    }
    return lines;
}

QMenu* shownMenu(const frmMain& window) {
    auto* menu = window.findChild<QMenu*>(QStringLiteral("mnuPanel"));
    return menu != nullptr && menu->isVisible() ? menu : nullptr;
}

// Shift+F10 opens the panel's menu with every command and its keys; with nothing to undo, no
// set list and no device the commands that cannot act are off.
TEST_F(StageTest, ShiftF10OpensThePanelMenu) {
    showActive();
    QTest::keyClick(list("cmbChannel"), Qt::Key_F10, Qt::ShiftModifier);
    QMenu* menu = shownMenu(*window);
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(actionLines(*menu),
              (QStringList{"Undo|Ctrl+Z|off", "Redo|Ctrl+Shift+Z|off",
                           "Send on change (no device)|", "Previous|PgUp|off", "Next|PgDown|off",
                           "Device...|", "Load...|Ctrl+O", "Save...|Ctrl+S", "Exit|Ctrl+Q"}));
    menu->hide();
}

// A right-button click on the panel opens the menu; a right-button drag moves the window and
// opens nothing.
TEST_F(StageTest, ARightClickOpensTheMenuAndARightDragMovesTheWindow) {
    showActive();
    const QPoint grip(40, 740);
    QTest::mousePress(window.get(), Qt::RightButton, Qt::NoModifier, grip);
    QTest::mouseRelease(window.get(), Qt::RightButton, Qt::NoModifier, grip);
    ASSERT_NE(shownMenu(*window), nullptr);
    shownMenu(*window)->hide();

    const QPoint corner = window->pos();
    QTest::mousePress(window.get(), Qt::RightButton, Qt::NoModifier, grip);
    QMouseEvent moved(QEvent::MouseMove, QPointF(grip + QPoint(30, 20)),
                      window->mapToGlobal(QPointF(grip + QPoint(30, 20))), Qt::NoButton,
                      Qt::RightButton, Qt::NoModifier);
    QApplication::sendEvent(window.get(), &moved);
    QTest::mouseRelease(window.get(), Qt::RightButton, Qt::NoModifier, grip);
    EXPECT_EQ(window->pos(), corner + QPoint(30, 20));
    EXPECT_EQ(shownMenu(*window), nullptr);
}

// A burst of edits in one turn of the event loop gives one dump, of the last settings; without
// a device nothing is sent and nothing is said.
TEST_F(StageTest, SendOnChangeSendsTheLatestSettingsOnceAfterABurst) {
    window->setSendOnChange(true);
    list("cmbChannel")->setCurrentIndex(3);
    QCoreApplication::processEvents();
    EXPECT_TRUE(service.sentMessages().empty());
    EXPECT_TRUE(dialogs.messages().isEmpty());

    chooseDevice();
    for (int velocity = 10; velocity < 30; ++velocity) {
        list("cmbVelocity")->setCurrentIndex(velocity);
    }
    QCoreApplication::processEvents();
    std::vector<std::vector<std::uint8_t>> dump;
    for (const DumpPacket& packet : BuildSettingsDump(window->GatherSettings())) {
        dump.emplace_back(packet.begin(), packet.end());
    }
    EXPECT_EQ(service.sentMessages(), dump);
}

struct DeviceNameCase {
    const char* name;
    std::vector<int> openedIds;
    const char* message;  // the start of the one message shown, or "" for none
};

class DeviceByName : public StageTest, public ::testing::WithParamInterface<DeviceNameCase> {};

TEST_P(DeviceByName, OpensTheNamedDeviceOrReportsARefusedOpen) {
    service.setDeviceNames({"USB MIDI 1", "USB MIDI 10", "Unit"});
    window->openDeviceByName(GetParam().name);
    EXPECT_EQ(service.openedIds(), GetParam().openedIds);
    const QString message = QString::fromLatin1(GetParam().message);
    if (message.isEmpty()) {
        EXPECT_TRUE(dialogs.messages().isEmpty());
    } else {
        ASSERT_EQ(dialogs.messages().size(), 1);
        EXPECT_TRUE(dialogs.messages().front().startsWith(message))
            << dialogs.messages().front().toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Names, DeviceByName,
    ::testing::Values(DeviceNameCase{"USB MIDI 1", {0}, ""}, DeviceNameCase{"unit", {2}, ""},
                      DeviceNameCase{"MIDI Mapper", {kMidiMapperId}, ""},
                      DeviceNameCase{"USB", {}, "Couldn't open midi out, rc = 2\nSeveral"},
                      DeviceNameCase{"Synth", {}, "Couldn't open midi out, rc = 2\nNo MIDI"}));

}  // namespace
}  // namespace corvane
