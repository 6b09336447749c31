#pragma once

#include <QString>

class QWidget;

namespace corvane {

// The program's modal dialogs, so tests can answer them.
class UserDialogs {
  public:
    virtual ~UserDialogs() = default;
    // A message box with one OK button, no icon, titled "Corvane"; returns when dismissed.
    virtual void showMessage(QWidget* parent, const QString& text) = 0;
    // The open / save file dialogs. filter is in Qt's form, "Corvane Preset File(*.cvp)".
    // Returns the chosen path, or an empty text on Cancel.
    virtual QString chooseOpenFile(QWidget* parent, const QString& title,
                                   const QString& filter) = 0;
    virtual QString chooseSaveFile(QWidget* parent, const QString& title,
                                   const QString& filter) = 0;
};

// The real dialogs: QMessageBox and QFileDialog.
class QtUserDialogs final : public UserDialogs {
  public:
    void showMessage(QWidget* parent, const QString& text) override;
    QString chooseOpenFile(QWidget* parent, const QString& title, const QString& filter) override;
    QString chooseSaveFile(QWidget* parent, const QString& title, const QString& filter) override;
};

constexpr const char* kAppTitle = "Corvane";

}  // namespace corvane
