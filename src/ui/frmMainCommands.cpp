#include <QApplication>
#include <QCloseEvent>
#include <QKeySequence>
#include <QMouseEvent>
#include <QShortcut>
#include <QWindow>

#include <chrono>
#include <optional>

#include "midi/MidiOutPort.h"
#include "midi/UpdateTransfer.h"
#include "ui/UserDialogs.h"
#include "ui/frmMain.h"

namespace corvane {

namespace {

// The wait cursor for as long as the object lives.
class WaitCursor {
  public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

// Shows the wait cursor from the first pause of a transfer until the object goes: a transfer
// that sends nothing does not pause and shows no wait cursor.
class BusyPacer final : public Pacer {
  public:
    explicit BusyPacer(Pacer& pacer) : m_pacer(pacer) {}
    void pause(std::chrono::milliseconds duration) override {
        if (!m_busy) {
            m_busy.emplace();
        }
        m_pacer.pause(duration);
    }

  private:
    Pacer& m_pacer;
    std::optional<WaitCursor> m_busy;
};

QString transferFailure(const TransferReport& report) {
    const QString reason = QString::fromStdString(report.message);
    switch (report.status) {
        case TransferReport::Status::Sent:
            break;
        case TransferReport::Status::NoPort:
            return QStringLiteral("No MIDI output device is open. Choose one with Device.");
        case TransferReport::Status::Unsendable:
            return QStringLiteral("These settings can't be sent to the unit:\n") + reason;
        case TransferReport::Status::SendFailed:
            return QStringLiteral("Couldn't send to midi out:\n%1\n%2 of %3 delivered.")
                .arg(reason)
                .arg(report.packetsDelivered)
                .arg(report.packetsSent);
    }
    return {};
}

}  // namespace

// Ctrl+O, Ctrl+S, Ctrl+Return and Ctrl+Q act as Load, Save, Update and Exit; Ctrl+Z undoes,
// Ctrl+Shift+Z and Ctrl+Y redo.
void frmMain::createShortcuts() {
    const auto bind = [this](QKeyCombination keys, void (frmMain::*command)()) {
        auto* shortcut = new QShortcut(QKeySequence(keys), this);
        connect(shortcut, &QShortcut::activated, this, command);
    };
    bind(Qt::CTRL | Qt::Key_O, &frmMain::cmdLoad_Click);
    bind(Qt::CTRL | Qt::Key_S, &frmMain::cmdSave_Click);
    bind(Qt::CTRL | Qt::Key_Return, &frmMain::cmdUpdate_Click);
    bind(Qt::CTRL | Qt::Key_Enter, &frmMain::cmdUpdate_Click);
    bind(Qt::CTRL | Qt::Key_Q, &frmMain::cmdExit_Click);
    bind(Qt::CTRL | Qt::Key_Z, &frmMain::undo);
    bind(Qt::CTRL | Qt::SHIFT | Qt::Key_Z, &frmMain::redo);
    bind(Qt::CTRL | Qt::Key_Y, &frmMain::redo);
}

// Sends the settings as the ten-packet dump, about one second with the window busy.
void frmMain::cmdUpdate_Click() {
    if (!takePendingSysExEdit()) {
        return;
    }
    m_sendQueued = false;  // this dump carries every edit so far
    const TransferReport report = [this] {
        BusyPacer pacer(m_pacer);
        return runUpdateTransfer(GatherSettings(), m_port, pacer);
    }();
    const QString failure = transferFailure(report);
    if (!failure.isEmpty()) {
        m_dialogs.showMessage(this, failure);
    }
}

// Ends the program at once; the window's unload does not run on this path.
void frmMain::cmdExit_Click() {
    if (!takePendingSysExEdit()) {
        return;
    }
    m_port.closeForExit();
    QCoreApplication::exit(0);
}

// The window system closes the window: the program ends, the device dialog too.
void frmMain::closeEvent(QCloseEvent* event) {
    m_port.closeForExit();
    event->accept();
    QCoreApplication::quit();
}

// A press of any button on the window's own surface moves the window; presses on the
// controls go to the controls. The window system's move follows the left button only (it
// would go on after another button is let go), so the other buttons move the window here.
void frmMain::mousePressEvent(QMouseEvent* event) {
    if (childAt(event->position().toPoint()) != nullptr) {
        return;
    }
    QWindow* window = windowHandle();
    if (event->button() == Qt::LeftButton && window != nullptr && window->startSystemMove()) {
        return;
    }
    m_manualMove = true;
    m_rightClickOpen = event->button() == Qt::RightButton;
    m_pressPosition = event->globalPosition().toPoint();
    m_moveOffset = m_pressPosition - frameGeometry().topLeft();
}

// The window follows as soon as the pointer moves; a right-button press that it has moved is
// no click on the menu any more.
void frmMain::mouseMoveEvent(QMouseEvent* event) {
    if (m_manualMove && event->buttons() != Qt::NoButton) {
        const QPoint at = event->globalPosition().toPoint();
        if (at != m_pressPosition) {
            m_rightClickOpen = false;
        }
        move(at - m_moveOffset);
    }
}

// A right-button press let go where it was pressed opens the panel's menu.
void frmMain::mouseReleaseEvent(QMouseEvent* event) {
    const bool openMenu = m_rightClickOpen && event->button() == Qt::RightButton &&
                          event->globalPosition().toPoint() == m_pressPosition;
    m_manualMove = false;
    m_rightClickOpen = false;
    if (openMenu) {
        showContextMenu(m_pressPosition);
    }
}

}  // namespace corvane
