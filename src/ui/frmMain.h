#pragma once

#include <QImage>
#include <QPoint>
#include <QPointer>
#include <QRegion>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <array>
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "editor/EditorHistory.h"
#include "editor/EditorModel.h"
#include "midi/UpdateTransfer.h"
#include "presets/SetList.h"
#include "settings/FilterSettings.h"
#include "ui/UserDialogs.h"
#include "ui/skin/SkinPack.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QKeyEvent;
class QMenu;
class QMimeData;
class QPushButton;

namespace corvane {

class MidiOutPort;
class MIDISetupForm;

// Client size of the main window in pixels at 96 dpi (10500 x 11475 twips, 15 twips a pixel).
constexpr int kWindowWidth = 700;
constexpr int kWindowHeight = 765;
constexpr int kTwipsPerPixel = 15;

// Top-left corner, in pixels relative to the screen's corner, that centres the window on a
// screen of the given pixel size. Negative when the screen is smaller than the window.
QPoint centredWindowPosition(QSize screen);

// The paths of the local files with the extension cvp that the drag data carries, by file
// name, as the file system names them; empty when it carries anything else (no file, another
// kind of file, a remote address).
std::vector<std::filesystem::path> droppedPresetPaths(const QMimeData& data);

// "Invalid Corvane Preset File!", the message of a refused load.
QString invalidPresetText();
// A path that a file dialog gave, as the file system names it. Qt shows a name that is not
// UTF-8 with U+FFFD in place of its stray bytes; such a part of the path is the one entry of
// its folder that Qt shows so.
std::filesystem::path toFilePath(const QString& path);
// A path in a message: one line, its controls and bytes that are not UTF-8 escaped (\xE9).
QString shownPath(const std::filesystem::path& path);

// The main window: the skinned face of the editor with its 19 controls. A view over the
// EditorModel: it shows the model's control states and forwards every change of a check box,
// a list choice or the pattern text to it; the model decides what follows.
class frmMain : public QWidget {
    Q_OBJECT

  public:
    // The port and dialogs are lent; they must outlive the window.
    frmMain(MidiOutPort& port, UserDialogs& dialogs, QWidget* parent = nullptr);
    ~frmMain() override;

    const EditorModel& model() const { return m_model; }
    // The settings as the controls and arrays hold them.
    FilterSettings GatherSettings() const { return m_model.GatherSettings(); }
    // Puts settings into the controls and arrays the way a loaded preset does; every field must
    // lie in its range.
    void applySettings(const FilterSettings& settings);

    // Takes an edit still pending in txtSysEx before a command runs. False when the pattern
    // text was rejected: the command must then not run.
    bool takePendingSysExEdit();

    // Reads the preset file at path into the window, as Load does once a file is chosen;
    // false when the file was rejected (the user has been told).
    bool Load_Preset(const std::filesystem::path& path);
    // Load_Preset for the FILE of `corvane FILE`: a rejected file's message also gives the
    // reason on a second line, since no dialog showed the user what the path names.
    void loadPresetGivenAtStart(const std::filesystem::path& path);
    // The files of the command line: one loads as Load would; several, or a folder, become
    // the set list, whose first file loads. Nothing is sent.
    void openAtStart(const std::vector<std::filesystem::path>& paths);
    // Makes the files, at least one, the set list and loads its first one.
    void startSetList(const SetList& list);
    const SetList& setList() const { return m_setList; }
    // Opens the device that text names (its exact name, otherwise the one device whose name
    // contains it; the mapper by "MIDI Mapper") as the device dialog's OK would; no match, or
    // several, is reported as a refused open and leaves no port open. text is bytes, as the
    // command line gave them.
    void openDeviceByName(const std::string& text);
    void Save_Preset(const std::filesystem::path& path);

  public slots:
    void cmdLoad_Click();
    void cmdSave_Click();
    void cmdDevice_Click();
    void cmdUpdate_Click();
    void cmdExit_Click();
    // Ctrl+Z; Ctrl+Shift+Z or Ctrl+Y. A pattern being typed is taken first, as a step of its
    // own; while the pattern box has the focus the keys undo and redo its typing instead.
    void undo();
    void redo();
    // Page Down and Page Up while a set list is active: the next or the previous file loads
    // as Load does and, when a device is open, is sent at once.
    void nextPreset();
    void previousPreset();
    // Send on change: each finished edit (a rule, a pattern taken, a Load, an undo or a redo)
    // is followed by one Update of the settings as they then stand; edits made meanwhile
    // merge into it. Without an open port nothing is sent.
    void setSendOnChange(bool on);
    bool sendsOnChange() const { return m_sendOnChange; }

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;  // Form_MouseDown
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void closeEvent(QCloseEvent* event) override;  // Form_Unload
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    // A preset file dropped on the window loads as Load does; other drops are ignored.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    void createControls();
    void connectHandlers();
    void createShortcuts();
    void createSetListStrip();
    void Form_Load();
    // Brings every control in line with the model, with the controls' own signals silent.
    void showModel();
    QComboBox* listWidget(EditorList which) const;
    QCheckBox* checkWidget(EditorCheck which) const;

    // The picture painted at the device pixel ratio; the fine one is unpacked on first use.
    const QImage& skinPicture(qreal ratio);

    void txtSysEx_LostFocus();
    void reportRejectedPattern();
    // A user action has ended: one step to undo.
    void finishUserEdit();
    void queueSendOnChange();
    void sendChangedSettings();
    void createContextMenu();
    void showContextMenu(const QPoint& globalPosition);
    void loadSetListFile(bool send);
    void showSetListPosition();
    // The report line under the set list: a dump's failure, or nothing (hidden).
    void showSendFailure(const QString& text);
    // Page Down or Page Up while a set list is active: handled, true.
    bool takesSetListKey(const QKeyEvent& key);
    void showUndoneState(const std::optional<EditorModel>& state);

    // The Update command: the dump of the settings as they stand, or a follow-up noted.
    void sendSettings();
    void dumpEnded(const DumpOutcome& outcome);
    void showTransfer();
    void reportTransfer(const TransferReport& report);
    // Exit and the window's close: once no dump is on its way, the port closes and the
    // program ends.
    void endProgram();
    DumpDone dumpDoneOnThisThread();

    struct DumpRelay;  // hands a dump's end from the service's thread to the window's

    MidiOutPort& m_port;
    UserDialogs& m_dialogs;
    std::shared_ptr<DumpRelay> m_relay;
    UpdateTransfer m_transfer;
    PackedPicture m_skin;  // the skin as painted, 700 x 768 pixels, and the window's shape
    QImage m_fineSkin;     // the same at twice the pixels each way, device pixel ratio 2
    bool m_fineSkinRead = false;
    EditorModel m_model;
    EditorHistory m_history;

    std::array<QComboBox*, kEditorListCount> m_lists{};
    std::array<QCheckBox*, kEditorCheckCount> m_checks{};
    QLineEdit* txtSysEx = nullptr;

    QPointer<MIDISetupForm> m_deviceDialog;

    SetList m_setList;
    QLabel* m_setListLabel = nullptr;  // "2/5  verse.cvp" under the buttons, while a list is on
    QLabel* m_reportLabel = nullptr;   // the last dump's failure, until a dump goes through

    QMenu* m_contextMenu = nullptr;
    bool m_sendOnChange = false;
    bool m_sendQueued = false;      // an edit waits to be sent
    bool m_rightClickOpen = false;  // a right-button press that has not moved the window
    QPoint m_pressPosition;         // global, of that press

    bool m_patternRejected = false;  // a rejected pattern text waits to be reported
    bool m_manualMove = false;       // moving the window by hand: the window system refused
    QPoint m_moveOffset;             // pointer position relative to the window's corner
};

}  // namespace corvane
