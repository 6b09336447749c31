#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QEvent>
#include <QFont>
#include <QLabel>
#include <QPalette>
#include <QPushButton>
#include <QStringList>

#include <chrono>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "AnsweringDialogs.h"
#include "FakeMidiOutService.h"
#include "QtPrinters.h"
#include "ReferencePicture.h"
#include "midi/MidiOutPort.h"
#include "ui/MIDISetupForm.h"
#include "ui/frmMain.h"

namespace corvane {
namespace {

using CallKind = FakeMidiOutService::CallKind;

const std::vector<std::string> kThreeDevices = {"Synth A", "Port B", "Unit C"};

QStringList items(const QComboBox& list) {
    QStringList texts;
    for (int i = 0; i < list.count(); ++i) {
        texts.append(list.itemText(i));
    }
    return texts;
}

// Removes dialogs that the window system closed (they delete themselves later).
void settleDeletions() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

std::vector<MIDISetupForm*> deviceDialogs() {
    std::vector<MIDISetupForm*> found;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* dialog = qobject_cast<MIDISetupForm*>(widget)) {
            found.push_back(dialog);
        }
    }
    return found;
}

class DeviceDialogTest : public ::testing::Test {
  protected:
    explicit DeviceDialogTest(std::vector<std::string> devices = kThreeDevices)
        : service(std::move(devices)) {}

    void TearDown() override { settleDeletions(); }

    // "Device" on the main window; returns the one device dialog that exists afterwards.
    MIDISetupForm* pressDevice() {
        window.cmdDevice_Click();
        const std::vector<MIDISetupForm*> dialogs = deviceDialogs();
        EXPECT_EQ(dialogs.size(), 1u);
        return dialogs.empty() ? nullptr : dialogs.front();
    }

    static QComboBox& deviceList(MIDISetupForm& dialog) {
        return *dialog.findChild<QComboBox*>(QStringLiteral("Combo_MIDI_OUT"));
    }

    static void pressOk(MIDISetupForm& dialog, int position) {
        deviceList(dialog).setCurrentIndex(position);
        dialog.findChild<QPushButton*>(QStringLiteral("cmdOK"))->click();
    }

    FakeMidiOutService service;
    MidiOutPort port{service};
    AnsweringDialogs dialogs;
    frmMain window{port, dialogs};
};

class NoDeviceDialogTest : public DeviceDialogTest {
  protected:
    NoDeviceDialogTest() : DeviceDialogTest({}) {}
};

TEST(DeviceDialogLook, AFixedWindowOfItsOwnThatLooksAsItsReferencePicture) {
    FakeMidiOutService service;
    MidiOutPort port(service);
    AnsweringDialogs dialogs;
    MIDISetupForm dialog(port, dialogs, QPoint(0, 0));

    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("MIDI Device Setup"));
    EXPECT_TRUE(dialog.isWindow());
    EXPECT_EQ(dialog.parentWidget(), nullptr);
    EXPECT_EQ(dialog.minimumSize(), dialog.maximumSize());
    expectLooksLikeReference(dialog, QStringLiteral("device-dialog"));

    const auto* label = dialog.findChild<QLabel*>(QStringLiteral("Label2"));
    EXPECT_EQ(label->text(), QStringLiteral("MIDI OUT Device"));
    EXPECT_EQ(dialog.findChild<QPushButton*>(QStringLiteral("cmdOK"))->text(),
              QStringLiteral("OK"));

    auto* list = dialog.findChild<QComboBox*>(QStringLiteral("Combo_MIDI_OUT"));
    EXPECT_FALSE(list->isEditable()) << "a typed text must not be able to name a device";
    EXPECT_EQ(list->count(), 0) << "the list is built by Form_Update, not before";
    EXPECT_EQ(list->nextInFocusChain(), label);
    EXPECT_EQ(label->nextInFocusChain(), dialog.findChild<QPushButton*>(QStringLiteral("cmdOK")));
}

struct ListCase {
    std::vector<std::string> devices;
    QStringList expected;
};

void PrintTo(const ListCase& c, std::ostream* os) {
    *os << c.devices.size() << " devices";
}

class DeviceListTest : public ::testing::TestWithParam<ListCase> {};

TEST_P(DeviceListTest, MapperComesFirstThenEveryDeviceOnceInIdOrder) {
    FakeMidiOutService service(GetParam().devices);
    MidiOutPort port(service);
    AnsweringDialogs dialogs;
    MIDISetupForm dialog(port, dialogs, QPoint(0, 0));
    dialog.Form_Update();
    dialog.Form_Update();

    const auto& list = *dialog.findChild<QComboBox*>(QStringLiteral("Combo_MIDI_OUT"));
    EXPECT_EQ(items(list), GetParam().expected);
    EXPECT_EQ(list.currentIndex(), 0);
    EXPECT_TRUE(service.calls().empty()) << "building the list opens nothing";
}

INSTANTIATE_TEST_SUITE_P(Devices, DeviceListTest,
                         ::testing::Values(ListCase{{}, {"MIDI Mapper"}},
                                           ListCase{{"Synth A", "Port B", "Unit C"},
                                                    {"MIDI Mapper", "Synth A", "Port B", "Unit C"}},
                                           ListCase{{"Same", "Same"},
                                                    {"MIDI Mapper", "Same", "Same"}}));

struct OpenCase {
    int position;
    int deviceId;
};

void PrintTo(const OpenCase& c, std::ostream* os) {
    *os << "position " << c.position;
}

class DeviceOpenTest : public DeviceDialogTest, public ::testing::WithParamInterface<OpenCase> {};

TEST_P(DeviceOpenTest, OkClosesThePortOpensPositionMinusOneAndHides) {
    MIDISetupForm* dialog = pressDevice();
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(dialog->isVisible());

    pressOk(*dialog, GetParam().position);

    ASSERT_EQ(service.calls().size(), 2u);
    EXPECT_EQ(service.calls()[0].kind, CallKind::Close);
    EXPECT_EQ(service.calls()[1].kind, CallKind::Open);
    EXPECT_EQ(service.calls()[1].deviceId, GetParam().deviceId);
    EXPECT_TRUE(port.state().bDeviceChosen);
    EXPECT_EQ(port.state().rcMidiOut, MidiResult::Ok);
    EXPECT_TRUE(service.isOpen());
    EXPECT_TRUE(dialogs.messages().isEmpty());
    EXPECT_FALSE(dialog->isVisible());
    settleDeletions();
    EXPECT_EQ(deviceDialogs().size(), 1u) << "OK hides the dialog, it does not discard it";
}

INSTANTIATE_TEST_SUITE_P(Positions, DeviceOpenTest,
                         ::testing::Values(OpenCase{0, -1}, OpenCase{1, 0}, OpenCase{3, 2}));

TEST_F(NoDeviceDialogTest, OnlyTheMapperIsOfferedAndOkOpensIt) {
    MIDISetupForm* dialog = pressDevice();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(items(deviceList(*dialog)), QStringList{QStringLiteral("MIDI Mapper")});
    pressOk(*dialog, 0);
    EXPECT_EQ(service.openedIds(), std::vector<int>{kMidiMapperId});
}

TEST_F(DeviceDialogTest, EachOkClosesThePortBeforeOpeningTheNextChoice) {
    MIDISetupForm* dialog = pressDevice();
    ASSERT_NE(dialog, nullptr);
    pressOk(*dialog, 1);
    window.cmdDevice_Click();
    pressOk(*dialog, 3);

    std::vector<CallKind> kinds;
    for (const auto& call : service.calls()) {
        kinds.push_back(call.kind);
    }
    EXPECT_EQ(kinds,
              (std::vector{CallKind::Close, CallKind::Open, CallKind::Close, CallKind::Open}));
    EXPECT_EQ(service.openedIds(), (std::vector{0, 2}));
    EXPECT_EQ(service.calls()[2].result, MidiResult::Ok) << "the second OK closes the open port";
}

// The unit never gets half a dump: the choice waits for the dump on its way.
TEST_F(DeviceDialogTest, OkDuringADumpTakesEffectWhenTheDumpHasEnded) {
    MIDISetupForm* dialog = pressDevice();
    ASSERT_NE(dialog, nullptr);
    pressOk(*dialog, 1);
    window.cmdUpdate_Click();
    ASSERT_TRUE(service.dumpOnItsWay());
    const std::size_t callsBefore = service.calls().size();
    auto* ok = dialog->findChild<QPushButton*>(QStringLiteral("cmdOK"));

    window.cmdDevice_Click();
    pressOk(*dialog, 3);
    EXPECT_EQ(service.calls().size(), callsBefore) << "nothing closed or opened meanwhile";
    EXPECT_FALSE(ok->isEnabled());
    EXPECT_TRUE(dialog->isVisible());

    service.endDump();
    QCoreApplication::processEvents();
    EXPECT_EQ(service.openedIds(), (std::vector{0, 2}));
    EXPECT_EQ(service.callsDuringADump(), 0);
    EXPECT_TRUE(ok->isEnabled());
    EXPECT_FALSE(dialog->isVisible());
}

TEST_F(DeviceDialogTest, ItIsCreatedOnTheMainWindowsCornerWithoutAnOwner) {
    window.move(40, 30);
    MIDISetupForm* dialog = pressDevice();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->pos(), QPoint(40, 30));
    EXPECT_EQ(dialog->parentWidget(), nullptr);
    EXPECT_EQ(dialog->windowModality(), Qt::NonModal);
}

// Each showing lists the devices as they are then, once each, with the choice shown before
// still chosen while its device is there.
TEST_F(DeviceDialogTest, DeviceListsTheDevicesAsTheyAreNowAndKeepsTheChoice) {
    const struct {
        const char* name;
        std::vector<std::string> devicesNow;
        QStringList shown;
        int chosen;
    } cases[] = {
        {"a device added",
         {"Synth A", "Port B", "Unit C", "Late D"},
         {"MIDI Mapper", "Synth A", "Port B", "Unit C", "Late D"},
         2},
        {"the one before it gone", {"Port B", "Unit C"}, {"MIDI Mapper", "Port B", "Unit C"}, 1},
        {"the chosen one gone", {"Synth A", "Unit C"}, {"MIDI Mapper", "Synth A", "Unit C"}, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        service.setDeviceNames(kThreeDevices);
        MIDISetupForm* dialog = pressDevice();
        ASSERT_NE(dialog, nullptr);
        deviceList(*dialog).setCurrentIndex(2);  // "Port B"
        service.setDeviceNames(c.devicesNow);

        EXPECT_EQ(pressDevice(), dialog);
        EXPECT_EQ(items(deviceList(*dialog)), c.shown);
        EXPECT_EQ(deviceList(*dialog).currentIndex(), c.chosen);
    }
}

// OK on a list shown before its device went: refused by the name shown, nothing else opens.
TEST_F(DeviceDialogTest, OkOnAGoneDeviceIsRefusedByTheNameShown) {
    MIDISetupForm* dialog = pressDevice();
    ASSERT_NE(dialog, nullptr);
    service.setDeviceNames({"Synth A", "Port B", "Late D"});
    pressOk(*dialog, 3);  // "Unit C"

    EXPECT_FALSE(service.isOpen());
    EXPECT_EQ(dialogs.messages(),
              QStringList{"Couldn't open midi out, rc = 2\nfake: no device 2 named \"Unit C\""});
    EXPECT_FALSE(dialog->isVisible());
}

TEST_F(DeviceDialogTest, AfterOkDeviceShowsTheLastChoiceWhereTheDialogWas) {
    window.move(10, 20);
    MIDISetupForm* dialog = pressDevice();
    ASSERT_NE(dialog, nullptr);
    pressOk(*dialog, 2);
    window.move(300, 200);

    EXPECT_EQ(pressDevice(), dialog);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(deviceList(*dialog).currentIndex(), 2);
    EXPECT_EQ(deviceList(*dialog).count(), 4);
    EXPECT_EQ(dialog->pos(), QPoint(10, 20));
}

struct RefusalCase {
    int code;
    bool serviceAvailable;
    QString firstLine;
    QString reason;
};

void PrintTo(const RefusalCase& c, std::ostream* os) {
    *os << "rc " << c.code;
}

class RefusedOpenTest : public DeviceDialogTest,
                        public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(RefusedOpenTest, ShowsTheCodeAndReasonThenHidesAndCountsAsChosen) {
    MIDISetupForm* dialog = pressDevice();
    ASSERT_NE(dialog, nullptr);
    if (GetParam().serviceAvailable) {
        service.refuseOpen(GetParam().code);
    } else {
        service.setAvailable(false);
    }

    pressOk(*dialog, 1);

    ASSERT_EQ(dialogs.messages().size(), 1);
    const QStringList lines = dialogs.messages()[0].split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 2) << "the code, then the back end's reason";
    EXPECT_EQ(lines[0], GetParam().firstLine);
    EXPECT_EQ(lines[1], GetParam().reason);
    EXPECT_EQ(resultCode(port.state().rcMidiOut), GetParam().code);
    EXPECT_TRUE(port.state().bDeviceChosen);
    EXPECT_FALSE(dialog->isVisible());
}

INSTANTIATE_TEST_SUITE_P(
    Codes, RefusedOpenTest,
    ::testing::Values(RefusalCase{resultCode(MidiResult::BackendError), true,
                                  "Couldn't open midi out, rc = 1", "fake: open refused"},
                      RefusalCase{-4, true, "Couldn't open midi out, rc = -4",
                                  "fake: open refused"},
                      RefusalCase{resultCode(MidiResult::NoService), false,
                                  "Couldn't open midi out, rc = 6", "fake: no MIDI service"}));

TEST_F(DeviceDialogTest, WindowSystemCloseDiscardsTheDialogAndLeavesThePortAlone) {
    MIDISetupForm* dialog = pressDevice();
    ASSERT_NE(dialog, nullptr);
    deviceList(*dialog).setCurrentIndex(2);
    dialog->close();
    settleDeletions();

    EXPECT_TRUE(deviceDialogs().empty());
    EXPECT_TRUE(service.calls().empty());
    EXPECT_FALSE(port.state().bDeviceChosen);

    service.setDeviceNames({"Synth A", "Late D"});
    window.move(50, 60);
    MIDISetupForm* fresh = pressDevice();
    ASSERT_NE(fresh, nullptr);
    EXPECT_EQ(items(deviceList(*fresh)), (QStringList{"MIDI Mapper", "Synth A", "Late D"}));
    EXPECT_EQ(deviceList(*fresh).currentIndex(), 0);
    EXPECT_EQ(fresh->pos(), QPoint(50, 60));
}

}  // namespace
}  // namespace corvane
