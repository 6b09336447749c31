#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QShortcut>

#include "midi/MidiOutPort.h"
#include "ui/frmMain.h"

namespace corvane {

namespace {

QAction* addCommand(QMenu& menu, const QString& text, const QKeySequence& keys, bool enabled) {
    QAction* action = menu.addAction(text);
    action->setShortcut(keys);
    action->setEnabled(enabled);
    return action;
}

}  // namespace

// The Menu key and Shift+F10 open the panel's menu wherever the focus is; a right-button
// click that does not move the window opens it at the pointer (mouseReleaseEvent).
void frmMain::createContextMenu() {
    m_contextMenu = new QMenu(this);
    m_contextMenu->setObjectName(QStringLiteral("mnuPanel"));
    m_contextMenu->setAccessibleName(QStringLiteral("Corvane menu"));
    for (const QKeySequence& keys :
         {QKeySequence(Qt::Key_Menu), QKeySequence(Qt::SHIFT | Qt::Key_F10)}) {
        auto* shortcut = new QShortcut(keys, this);
        connect(shortcut, &QShortcut::activated, this, [this] {
            QWidget* focus = focusWidget();
            const QPoint at =
                focus != nullptr ? focus->mapTo(this, focus->rect().center()) : rect().center();
            showContextMenu(mapToGlobal(at));
        });
    }
}

void frmMain::showContextMenu(const QPoint& globalPosition) {
    QMenu& menu = *m_contextMenu;
    menu.clear();
    connect(addCommand(menu, QStringLiteral("Undo"), QKeySequence(Qt::CTRL | Qt::Key_Z),
                       m_history.canUndo()),
            &QAction::triggered, this, &frmMain::undo);
    connect(addCommand(menu, QStringLiteral("Redo"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z),
                       m_history.canRedo()),
            &QAction::triggered, this, &frmMain::redo);
    menu.addSeparator();
    QAction* sendOnChange =
        menu.addAction(m_port.isOpen() ? QStringLiteral("Send on change")
                                       : QStringLiteral("Send on change (no device)"));
    sendOnChange->setCheckable(true);
    sendOnChange->setChecked(m_sendOnChange);
    connect(sendOnChange, &QAction::toggled, this, &frmMain::setSendOnChange);
    menu.addSeparator();
    const bool setListOn = !m_setList.empty();
    connect(addCommand(menu, QStringLiteral("Previous"), QKeySequence(Qt::Key_PageUp),
                       setListOn && m_setList.position() > 0),
            &QAction::triggered, this, &frmMain::previousPreset);
    connect(addCommand(menu, QStringLiteral("Next"), QKeySequence(Qt::Key_PageDown),
                       setListOn && m_setList.position() + 1 < m_setList.size()),
            &QAction::triggered, this, &frmMain::nextPreset);
    menu.addSeparator();
    connect(addCommand(menu, QStringLiteral("Device..."), {}, true), &QAction::triggered, this,
            &frmMain::cmdDevice_Click);
    connect(addCommand(menu, QStringLiteral("Load..."), QKeySequence(Qt::CTRL | Qt::Key_O), true),
            &QAction::triggered, this, &frmMain::cmdLoad_Click);
    connect(addCommand(menu, QStringLiteral("Save..."), QKeySequence(Qt::CTRL | Qt::Key_S), true),
            &QAction::triggered, this, &frmMain::cmdSave_Click);
    menu.addSeparator();
    connect(addCommand(menu, QStringLiteral("Exit"), QKeySequence(Qt::CTRL | Qt::Key_Q), true),
            &QAction::triggered, this, &frmMain::cmdExit_Click);
    menu.popup(globalPosition);
}

}  // namespace corvane
