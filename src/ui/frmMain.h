#pragma once

#include <QImage>
#include <QPoint>
#include <QPointer>
#include <QRegion>
#include <QSize>
#include <QString>
#include <QWidget>

#include <array>

#include "editor/EditorModel.h"
#include "settings/FilterSettings.h"
#include "ui/UserDialogs.h"
#include "ui/skin/SkinPack.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QMimeData;
class QPushButton;

namespace corvane {

class MidiOutPort;
class MIDISetupForm;
class Pacer;

// Client size of the main window in pixels at 96 dpi (10500 x 11475 twips, 15 twips a pixel).
constexpr int kWindowWidth = 700;
constexpr int kWindowHeight = 765;
constexpr int kTwipsPerPixel = 15;

// Top-left corner, in pixels relative to the screen's corner, that centres the window on a
// screen of the given pixel size. Negative when the screen is smaller than the window.
QPoint centredWindowPosition(QSize screen);

// The path of the one local file with the extension cvp that the drag data carries; empty for
// anything else (no file, several, another kind of file, a remote address).
QString droppedPresetPath(const QMimeData& data);

// The main window: the skinned face of the editor with its 19 controls. A view over the
// EditorModel: it shows the model's control states and forwards every change of a check box,
// a list choice or the pattern text to it; the model decides what follows.
class frmMain : public QWidget {
    Q_OBJECT

  public:
    // The port, dialogs and pacer are lent; they must outlive the window.
    frmMain(MidiOutPort& port, UserDialogs& dialogs, Pacer& pacer, QWidget* parent = nullptr);

    const EditorModel& model() const { return m_model; }
    // The settings as the controls and arrays hold them.
    FilterSettings GatherSettings() const { return m_model.GatherSettings(); }
    // Puts settings into the controls and arrays the way a loaded preset does; every field must
    // lie in its range.
    void applySettings(const FilterSettings& settings);

    // Takes an edit still pending in txtSysEx before a command runs. False when the pattern
    // text was rejected: the command must then not run.
    bool takePendingSysExEdit();

    // Reads the preset file at path into the window, as Load does once a file is chosen.
    void Load_Preset(const QString& path);
    // Load_Preset for the FILE of `corvane FILE`: a rejected file's message also gives the
    // reason on a second line, since no dialog showed the user what the path names.
    void loadPresetGivenAtStart(const QString& path);
    void Save_Preset(const QString& path);

  public slots:
    void cmdLoad_Click();
    void cmdSave_Click();
    void cmdDevice_Click();
    void cmdUpdate_Click();
    void cmdExit_Click();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;  // Form_MouseDown
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void closeEvent(QCloseEvent* event) override;  // Form_Unload
    bool eventFilter(QObject* watched, QEvent* event) override;
    // A preset file dropped on the window loads as Load does; other drops are ignored.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    void createControls();
    void connectHandlers();
    void createShortcuts();
    void Form_Load();
    // Brings every control in line with the model, with the controls' own signals silent.
    void showModel();
    QComboBox* listWidget(EditorList which) const;
    QCheckBox* checkWidget(EditorCheck which) const;

    // The picture painted at the device pixel ratio; the fine one is unpacked on first use.
    const QImage& skinPicture(qreal ratio);

    void txtSysEx_LostFocus();
    void reportRejectedPattern();

    MidiOutPort& m_port;
    UserDialogs& m_dialogs;
    Pacer& m_pacer;
    PackedPicture m_skin;  // the skin as painted, 700 x 768 pixels, and the window's shape
    QImage m_fineSkin;     // the same at twice the pixels each way, device pixel ratio 2
    bool m_fineSkinRead = false;
    EditorModel m_model;

    std::array<QComboBox*, kEditorListCount> m_lists{};
    std::array<QCheckBox*, kEditorCheckCount> m_checks{};
    QLineEdit* txtSysEx = nullptr;

    QPointer<MIDISetupForm> m_deviceDialog;

    bool m_patternRejected = false;  // a rejected pattern text waits to be reported
    bool m_manualMove = false;       // moving the window by hand: the window system refused
    QPoint m_moveOffset;             // pointer position relative to the window's corner
};

}  // namespace corvane
