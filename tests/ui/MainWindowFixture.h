#pragma once

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <memory>

#include "AnsweringDialogs.h"
#include "FakeMidiOutService.h"
#include "RecordingPacer.h"
#include "midi/MidiOutPort.h"
#include "ui/frmMain.h"

namespace corvane {

// A main window on a recording MIDI service with one device, answered dialogs and a pacer
// that does not sleep.
class MainWindowFixture : public ::testing::Test {
  protected:
    MainWindowFixture() : service({"Test Synth"}), port(service), pacer(&service) {
        window = std::make_unique<frmMain>(port, dialogs, pacer);
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
    void chooseDevice() { port.choosePosition(1); }

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
    RecordingPacer pacer;
    std::unique_ptr<frmMain> window;
};

}  // namespace corvane
