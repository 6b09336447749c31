// The editor on a machine where no MIDI service runs at all, with the real back end.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QPushButton>
#include <QStringList>

#include <unistd.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "AnsweringDialogs.h"
#include "QtPrinters.h"
#include "midi/MidiOutPort.h"
#include "midi/backend/MidiBackend.h"
#include "ui/MIDISetupForm.h"
#include "ui/frmMain.h"

namespace corvane {
namespace {

class NoMidiService : public ::testing::Test {
  protected:
    void SetUp() override {
        // JACK only, on a server name nobody runs, and never started on demand.
        const std::string server = "corvane-absent-" + std::to_string(::getpid());
        setenv("CORVANE_MIDI_API", "jack", 1);
        setenv("JACK_NO_START_SERVER", "1", 1);
        setenv("JACK_DEFAULT_SERVER", server.c_str(), 1);
        m_service = createMidiOutService();
        m_port = std::make_unique<MidiOutPort>(*m_service);
        m_window = std::make_unique<frmMain>(*m_port, m_dialogs);
    }
    void TearDown() override {
        m_window.reset();
        unsetenv("CORVANE_MIDI_API");
        unsetenv("JACK_DEFAULT_SERVER");
    }

    MIDISetupForm* deviceDialog() const {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (auto* dialog = qobject_cast<MIDISetupForm*>(widget)) {
                return dialog;
            }
        }
        return nullptr;
    }

    std::unique_ptr<MidiOutService> m_service;
    std::unique_ptr<MidiOutPort> m_port;
    AnsweringDialogs m_dialogs;
    std::unique_ptr<frmMain> m_window;
};

TEST_F(NoMidiService, DeviceListsOnlyTheMapperAndOkReportsTheFailure) {
    m_window->findChild<QPushButton*>(QStringLiteral("cmdDevice"))->click();
    MIDISetupForm* dialog = deviceDialog();
    ASSERT_NE(dialog, nullptr);
    auto* list = dialog->findChild<QComboBox*>(QStringLiteral("Combo_MIDI_OUT"));
    ASSERT_EQ(list->count(), 1);
    EXPECT_EQ(list->itemText(0), QStringLiteral("MIDI Mapper"));

    dialog->findChild<QPushButton*>(QStringLiteral("cmdOK"))->click();

    ASSERT_EQ(m_dialogs.messages().size(), 1);
    const QStringList lines = m_dialogs.messages()[0].split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines[0], QStringLiteral("Couldn't open midi out, rc = 6"));
    EXPECT_TRUE(lines[1].contains(QStringLiteral("JACK server not running")))
        << lines[1].toStdString();
    EXPECT_TRUE(m_port->state().bDeviceChosen);
    EXPECT_FALSE(m_port->isOpen());

    // Update then says what is wrong instead of sending into nothing.
    m_window->findChild<QPushButton*>(QStringLiteral("cmdUpdate"))->click();
    ASSERT_EQ(m_dialogs.messages().size(), 2);
    EXPECT_EQ(m_dialogs.messages()[1],
              QStringLiteral("No MIDI output device is open. Choose one with Device."));
}

}  // namespace
}  // namespace corvane
