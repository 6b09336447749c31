#pragma once

#include <QImage>
#include <QPoint>
#include <QPointer>
#include <QRegion>
#include <QSize>
#include <QString>
#include <QWidget>

#include <cstdint>
#include <optional>

#include "FilterSettings.h"
#include "SysExPatternText.h"
#include "UserDialogs.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

namespace corvane {

class MidiOutPort;
class MIDISetupForm;
class Pacer;

// Client size of the main window in pixels at 96 dpi (10500 x 11475 twips, 15 twips a pixel).
constexpr int kWindowWidth = 700;
constexpr int kWindowHeight = 765;
constexpr int kTwipsPerPixel = 15;

// Pixels of exactly this colour in the skin are cut out of the window.
constexpr QRgb kSkinKeyColour = 0xFFFF0000;  // RGB(255, 0, 0)

// Top-left corner, in pixels relative to the screen's corner, that centres the window on a
// screen of the given pixel size. Negative when the screen is smaller than the window.
QPoint centredWindowPosition(QSize screen);

// The window's shape: every pixel of the client area whose skin colour is not the key colour.
QRegion skinShape(const QImage& skin, QSize client);

// The main window: the skinned face of the editor with its 19 controls. It holds the filter
// settings in its controls and in the arrays CC_Enable, CC_Preset, SysEx_Pattern and the count
// SysEx_Count.
class frmMain : public QWidget {
    Q_OBJECT

  public:
    // The port, dialogs and pacer are lent; they must outlive the window.
    frmMain(MidiOutPort& port, UserDialogs& dialogs, Pacer& pacer, QWidget* parent = nullptr);

    // The settings as the controls and arrays hold them.
    FilterSettings GatherSettings() const;
    // Puts settings into the controls and arrays the way a loaded preset does; every field must
    // lie in its range.
    void applySettings(const FilterSettings& settings);

    // Takes an edit still pending in txtSysEx before a command runs. False when the pattern
    // text was rejected: the command must then not run.
    bool takePendingSysExEdit();

    // Writes the pattern into txtSysEx, up to the first entry of 128 or more.
    void Show_SysEx();

    void Load_Preset(const QString& path);
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

  private:
    void createControls();
    void connectHandlers();
    void createShortcuts();
    void Form_Load();

    void chkCCAll_Click();
    void chkCCOne_Click();
    void chkSysExAll_Click();
    void chkSysExSpecify_Click();
    void cmbCCNumber_Click();
    void chkCC_Click();
    void cmbPreset_Click();
    void cmbCC_Index_Click();
    void setCcModeControls(bool all);
    void showPresetController(int slot);

    void txtSysEx_LostFocus();
    std::optional<PatternItemError> applyPatternText();
    void reportRejectedPattern();

    MidiOutPort& m_port;
    UserDialogs& m_dialogs;
    Pacer& m_pacer;
    QImage m_skin;

    QComboBox* cmbChannel = nullptr;
    QComboBox* cmbTranspose = nullptr;
    QComboBox* cmbVelocity = nullptr;
    QCheckBox* chkPitchBend = nullptr;
    QCheckBox* chkAfterTouch = nullptr;
    QCheckBox* chkCCAll = nullptr;
    QCheckBox* chkCCOne = nullptr;
    QCheckBox* chkSysExSpecify = nullptr;
    QCheckBox* chkSysExAll = nullptr;
    QPushButton* cmdLoad = nullptr;
    QPushButton* cmdSave = nullptr;
    QPushButton* cmdDevice = nullptr;
    QPushButton* cmdUpdate = nullptr;
    QPushButton* cmdExit = nullptr;
    QCheckBox* chkCC = nullptr;
    QComboBox* cmbCCNumber = nullptr;
    QComboBox* cmbPreset = nullptr;
    QComboBox* cmbCC_Index = nullptr;
    QLineEdit* txtSysEx = nullptr;

    CcEnableFlags CC_Enable{};
    CcPresetTable CC_Preset{};
    SysExPatternEntries SysEx_Pattern{};
    std::int16_t SysEx_Count = 0;

    QPointer<MIDISetupForm> m_deviceDialog;

    bool m_patternRejected = false;  // a rejected pattern text waits to be reported
    bool m_manualMove = false;       // moving the window by hand: the window system refused
    QPoint m_moveOffset;             // pointer position relative to the window's corner
};

}  // namespace corvane
