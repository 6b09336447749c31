#include <QAccessible>
#include <QApplication>
#include <QCloseEvent>
#include <QKeySequence>
#include <QMouseEvent>
#include <QPushButton>
#include <QShortcut>
#include <QWindow>

#include <cstdio>
#include <mutex>

#include "files/MessageText.h"
#include "midi/MidiOutPort.h"
#include "midi/UpdateTransfer.h"
#include "ui/UserDialogs.h"
#include "ui/frmMain.h"

namespace corvane {

namespace {

// A refused Update: the command did not run, and the message says why.
QString refusalText(const TransferReport& report) {
    switch (report.status) {
        case TransferReport::Status::NoPort:
            return QStringLiteral("No MIDI output device is open. Choose one with Device.");
        case TransferReport::Status::Unsendable:
            return QStringLiteral("These settings can't be sent to the unit:\n") +
                   QString::fromStdString(report.reason);
        case TransferReport::Status::Sent:
        case TransferReport::Status::SendFailed:
            break;
    }
    return {};
}

// A dump that did not go through, on one line: "Couldn't send to midi out: REASON. 7 of 10
// delivered."
QString sendFailureText(const TransferReport& report) {
    QString reason = QString::fromStdString(escapeControlBytes(report.reason));
    if (!reason.endsWith(QLatin1Char('.'))) {
        reason += QLatin1Char('.');
    }
    return QStringLiteral("Couldn't send to midi out: %1 %2.")
        .arg(reason, QString::fromStdString(countText(report, report.packetsInDump)));
}

const QString kSendingDescription = QStringLiteral("Sending the settings to the unit");

}  // namespace

// The window while it lives; the service's thread posts a dump's end through it.
struct frmMain::DumpRelay {
    std::mutex mutex;
    frmMain* window = nullptr;
};

DumpDone frmMain::dumpDoneOnThisThread() {
    m_relay = std::make_shared<DumpRelay>();
    m_relay->window = this;
    return [relay = m_relay](const DumpOutcome& outcome) {
        const std::lock_guard lock(relay->mutex);
        if (relay->window != nullptr) {
            frmMain* window = relay->window;
            QMetaObject::invokeMethod(
                window, [window, outcome] { window->dumpEnded(outcome); }, Qt::QueuedConnection);
        }
    };
}

frmMain::~frmMain() {
    const std::lock_guard lock(m_relay->mutex);
    m_relay->window = nullptr;
}

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

// Sends the settings as they stand now as the ten-packet dump; the window goes on answering
// while it is on its way. A click meanwhile gives one more dump when this one has ended.
void frmMain::cmdUpdate_Click() {
    if (!takePendingSysExEdit()) {
        return;
    }
    m_sendQueued = false;  // this dump carries every edit so far
    sendSettings();
}

void frmMain::sendSettings() {
    if (const auto refused = m_transfer.request(GatherSettings())) {
        reportTransfer(*refused);
    }
    showTransfer();
}

// The dump has ended. A follow-up goes first (the service keeps its first packet at its distance
// from the closing packet): a message about the dump that ended does not hold it back.
void frmMain::dumpEnded(const DumpOutcome& outcome) {
    const UpdateTransfer::Ended ended = m_transfer.finish(outcome);
    if (ended.followUpDue) {
        sendSettings();
    } else {
        showTransfer();
    }
    reportTransfer(ended.report);
    if (ended.followUpDropped) {
        std::fprintf(stderr,
                     "corvane: the settings on screen were not sent to the unit: the "
                     "dump before them did not arrive.\n");
    }
}

// While a dump is on its way, Update stays drawn pressed and says so to screen readers; at
// rest it looks and reads as ever.
void frmMain::showTransfer() {
    auto* update = findChild<QPushButton*>(QStringLiteral("cmdUpdate"));
    const bool sending = m_transfer.busy();
    if (update->isDown() != sending) {
        update->setDown(sending);
        QAccessible::State pressed;
        pressed.pressed = true;
        QAccessibleStateChangeEvent changed(update, pressed);
        QAccessible::updateAccessibility(&changed);
    }
    update->setAccessibleDescription(sending ? kSendingDescription : update->toolTip());
}

// A dump that went through clears the report line. One that did not is reported on that line,
// which takes no focus and needs no answer, so that the next key or click acts at once; a
// refused command gets its message box. While the program ends, a report goes to standard
// error, so that the end does not wait for anyone.
void frmMain::reportTransfer(const TransferReport& report) {
    if (report.ok()) {
        showSendFailure(QString());
        return;
    }
    const QString failure = report.status == TransferReport::Status::SendFailed
                                ? sendFailureText(report)
                                : refusalText(report);
    if (m_transfer.ending()) {
        std::fprintf(stderr, "corvane: %s\n", qPrintable(failure));
    } else if (report.status == TransferReport::Status::SendFailed) {
        showSendFailure(failure);
    } else {
        m_dialogs.showMessage(this, failure);
    }
}

// Ends the program once no dump is on its way; the window's unload does not run on this path.
void frmMain::cmdExit_Click() {
    if (!takePendingSysExEdit()) {
        return;
    }
    endProgram();
}

void frmMain::endProgram() {
    m_transfer.endWhenIdle([this] {
        m_port.closeForExit();
        QCoreApplication::exit(0);
    });
}

// The window system closes the window: the program ends, the device dialog too. During a
// dump the window stays until the dump has ended.
void frmMain::closeEvent(QCloseEvent* event) {
    event->setAccepted(!m_transfer.busy());
    endProgram();
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
