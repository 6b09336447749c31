#include "ui/UserDialogs.h"

#include <QFileDialog>
#include <QMessageBox>

namespace corvane {

void QtUserDialogs::showMessage(QWidget* parent, const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, QString::fromLatin1(kAppTitle), text, QMessageBox::Ok,
                    parent);
    box.exec();
}

QString QtUserDialogs::chooseOpenFile(QWidget* parent, const QString& title,
                                      const QString& filter) {
    return QFileDialog::getOpenFileName(parent, title, QString(), filter);
}

QString QtUserDialogs::chooseSaveFile(QWidget* parent, const QString& title,
                                      const QString& filter) {
    return QFileDialog::getSaveFileName(parent, title, QString(), filter);
}

}  // namespace corvane
