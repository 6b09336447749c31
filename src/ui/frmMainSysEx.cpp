#include <QDropEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>

#include "ui/UserDialogs.h"
#include "ui/frmMain.h"

namespace corvane {

namespace {

const QString kPatternRangeMessage = QStringLiteral("SysEx pattern values must be 0 to 255.");

// Focus that leaves for another control of the window, not for another window or a popup.
bool movesToAnotherControl(const QFocusEvent& event) {
    return event.reason() != Qt::ActiveWindowFocusReason && event.reason() != Qt::PopupFocusReason;
}

}  // namespace

// The report waits until the press that moved the focus has been handled, so the command
// that the press was for sees the rejection and does not run.
void frmMain::txtSysEx_LostFocus() {
    if (m_patternRejected) {
        return;
    }
    if (m_model.txtSysEx_LostFocus()) {
        m_patternRejected = true;
        QMetaObject::invokeMethod(this, &frmMain::reportRejectedPattern, Qt::QueuedConnection);
        return;
    }
    finishUserEdit();
}

void frmMain::reportRejectedPattern() {
    m_dialogs.showMessage(this, kPatternRangeMessage);
    txtSysEx->setFocus(Qt::OtherFocusReason);
    m_patternRejected = false;
}

bool frmMain::takePendingSysExEdit() {
    if (m_patternRejected) {
        return false;
    }
    if (txtSysEx->hasFocus() && m_model.takePatternText()) {
        m_dialogs.showMessage(this, kPatternRangeMessage);
        txtSysEx->setFocus(Qt::OtherFocusReason);
        return false;
    }
    finishUserEdit();
    return true;
}

bool frmMain::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type == QEvent::KeyPress && takesSetListKey(*static_cast<QKeyEvent*>(event))) {
        return true;
    }
    // A preset file dropped on the pattern box is for the window, not text to insert.
    if (watched == txtSysEx &&
        (type == QEvent::DragEnter || type == QEvent::DragMove || type == QEvent::Drop) &&
        !droppedPresetPaths(*static_cast<QDropEvent*>(event)->mimeData()).empty()) {
        if (type == QEvent::Drop) {
            dropEvent(static_cast<QDropEvent*>(event));
        } else {
            static_cast<QDropEvent*>(event)->acceptProposedAction();
        }
        return true;
    }
    if (watched == txtSysEx && event->type() == QEvent::FocusOut &&
        movesToAnotherControl(*static_cast<QFocusEvent*>(event))) {
        txtSysEx_LostFocus();
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace corvane
