#include <QFocusEvent>
#include <QLineEdit>

#include "UserDialogs.h"
#include "frmMain.h"

namespace corvane {

namespace {

const QString kPatternRangeMessage = QStringLiteral("SysEx pattern values must be 0 to 255.");

// Focus that leaves for another control of the window, not for another window or a popup.
bool movesToAnotherControl(const QFocusEvent& event) {
    return event.reason() != Qt::ActiveWindowFocusReason && event.reason() != Qt::PopupFocusReason;
}

}  // namespace

void frmMain::Show_SysEx() {
    txtSysEx->setText(QString::fromStdString(showSysExPattern(SysEx_Pattern)));
}

// Sets SysEx_Count and the first entries of SysEx_Pattern from the text; on a value outside
// 0..255 the pattern stays as it was.
std::optional<PatternItemError> frmMain::applyPatternText() {
    FilterSettings settings;
    settings.SysEx_Pattern = SysEx_Pattern;
    settings.SysEx_Count = SysEx_Count;
    auto error = applySysExPatternText(txtSysEx->text().toStdString(), settings);
    if (!error) {
        SysEx_Pattern = settings.SysEx_Pattern;
        SysEx_Count = settings.SysEx_Count;
    }
    return error;
}

// The report waits until the press that moved the focus has been handled, so the command
// that the press was for sees the rejection and does not run.
void frmMain::txtSysEx_LostFocus() {
    if (!txtSysEx->isEnabled() || m_patternRejected) {
        return;
    }
    if (applyPatternText()) {
        m_patternRejected = true;
        QMetaObject::invokeMethod(this, &frmMain::reportRejectedPattern, Qt::QueuedConnection);
    }
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
    if (txtSysEx->hasFocus() && applyPatternText()) {
        m_dialogs.showMessage(this, kPatternRangeMessage);
        txtSysEx->setFocus(Qt::OtherFocusReason);
        return false;
    }
    return true;
}

bool frmMain::eventFilter(QObject* watched, QEvent* event) {
    if (watched == txtSysEx && event->type() == QEvent::FocusOut &&
        movesToAnotherControl(*static_cast<QFocusEvent*>(event))) {
        txtSysEx_LostFocus();
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace corvane
