#pragma once

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <chrono>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "AnsweringDialogs.h"
#include "FakeMidiOutService.h"
#include "midi/MidiOutPort.h"
#include "ui/frmMain.h"

namespace corvane {

// A main window on a recording MIDI service with one device and answered dialogs. A dump
// stays on its way until the test ends it, and the test says when the pause after it is over.
class MainWindowFixture : public ::testing::Test {
  protected:
    MainWindowFixture() : service({"Test Synth"}), port(service) {
        window = std::make_unique<frmMain>(port, dialogs);
    }

    template <typename Control>
    Control* control(const char* name) const {
        auto* found = window->findChild<Control*>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    QComboBox* list(const char* name) const { return control<QComboBox>(name); }
    QCheckBox* box(const char* name) const { return control<QCheckBox>(name); }
    QPushButton* button(const char* name) const { return control<QPushButton>(name); }
    QLineEdit* patternText() const { return control<QLineEdit>("txtSysEx"); }

    // As an OK in the device dialog on the first device does.
    void chooseDevice() { port.choosePosition(1, "Test Synth"); }

    // The service ends the dump on its way, and the window hears of it through its event loop.
    void endDump() {
        ASSERT_TRUE(service.dumpOnItsWay());
        service.endDump();
        QCoreApplication::processEvents();
    }

    // Focus events need a shown, active window.
    void showActive() {
        window->show();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }

    // Moves the focus to another control as the Tab key would, and lets queued reports run.
    void leavePatternText(const char* to = "cmbChannel") {
        control<QWidget>(to)->setFocus(Qt::TabFocusReason);
        QCoreApplication::processEvents();
    }

    FakeMidiOutService service;
    MidiOutPort port;
    AnsweringDialogs dialogs;
    std::unique_ptr<frmMain> window;
};

}  // namespace corvane
