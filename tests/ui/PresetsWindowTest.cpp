#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QLineEdit>
#include <QMimeData>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "AnsweringDialogs.h"
#include "FakeMidiOutService.h"
#include "QtPrinters.h"
#include "midi/MidiOutPort.h"
#include "presets/PresetFile.h"
#include "ui/frmMain.h"

namespace corvane {
namespace {

const QString kInvalidMessage = QStringLiteral("Invalid Corvane Preset File!");
const QString kFilter = QStringLiteral("Corvane Preset File(*.cvp)");

// The lines of a valid preset: channel 3, transpose +4, velocity 90, mode All, controllers
// 0 to 7 disabled, default slots except slot 1 = controller 3, no pitch bend, SysEx All.
const std::vector<std::string> kGoodLines = {
    "\"* : Corvane, V1.0\"",
    "\"* : MIDI Channel\"",
    "2",
    "\"* : Note Transpose\"",
    "15",
    "\"* : Note Velocity\"",
    "90",
    "\"* : Control Change\"",
    "0",
    "0,255,255,255,255,255,255,255,255,255,255,255,255,255,255,255",
    "3,1,2,5,7,10,11,64,65,66,67,80,81,91,93,120,121,123",
    "\"* : Pitch Bend Bit\"",
    "0",
    "\"* : After Touch Bit\"",
    "1",
    "\"* : SysEx\"",
    "1",
    "5,65,0,66,18,64,255,255,255,255,255,255,255,255,255,255,255",
};

std::string joinLines(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) {
        text += line + "\r\n";
    }
    return text;
}

std::string withLine(std::size_t lineNumber, const std::string& content) {
    std::vector<std::string> lines = kGoodLines;
    lines.at(lineNumber - 1) = content;
    return joinLines(lines);
}

// The first lineCount lines, then the start of the next one without its line end.
std::string cutInside(std::size_t lineCount, const std::string& partial) {
    const std::vector<std::string> head(kGoodLines.begin(), kGoodLines.begin() + lineCount);
    return joinLines(head) + partial;
}

QByteArray readBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

void writeBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

// Every control that holds a setting or its enabled state, as "name: state enabled".
QStringList controlStates(const frmMain& window) {
    static const char* const kNames[] = {
        "cmbChannel",  "cmbTranspose",    "cmbVelocity", "chkPitchBend", "chkAfterTouch",
        "chkCCAll",    "chkCCOne",        "chkCC",       "cmbCCNumber",  "cmbPreset",
        "cmbCC_Index", "chkSysExSpecify", "chkSysExAll", "txtSysEx"};
    QStringList states;
    for (const char* name : kNames) {
        const auto* control = window.findChild<QWidget*>(QString::fromLatin1(name));
        QString state = QStringLiteral("missing");
        if (const auto* list = qobject_cast<const QComboBox*>(control)) {
            state = QString::number(list->currentIndex());
        } else if (const auto* box = qobject_cast<const QCheckBox*>(control)) {
            state = box->isChecked() ? QStringLiteral("ticked") : QStringLiteral("clear");
        } else if (const auto* text = qobject_cast<const QLineEdit*>(control)) {
            state = QLatin1Char('"') + text->text() + QLatin1Char('"');
        }
        const bool enabled = control != nullptr && control->isEnabled();
        states.append(QStringLiteral("%1: %2 %3")
                          .arg(QString::fromLatin1(name), state, enabled ? "on" : "off"));
    }
    return states;
}

// A setting far from the good file's in every field, so any half-applied load shows.
FilterSettings unusualSettings() {
    FilterSettings settings = defaultSettings();
    settings.Channel = 9;
    settings.Transpose = 3;
    settings.Velocity = 20;
    settings.CC_Mode = CcMode::One;
    settings.CC_Slot = 5;
    for (std::size_t controller = 0; controller < settings.CC_Enable.size(); ++controller) {
        settings.CC_Enable[controller] = controller % 3 == 0 ? 1 : 0;
    }
    settings.CC_Preset[0] = 99;
    settings.CC_Preset[5] = 33;
    settings.PitchBend = 1;
    settings.AfterTouch = 0;
    settings.SysEx_Mode = SysExMode::Specify;
    settings.SysEx_Count = 3;
    settings.SysEx_Pattern = {9, 8, 7, 200, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    return settings;
}

class PresetCommandTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(folder.isValid()); }

    QString pathOf(const QString& name) const { return folder.filePath(name); }

    QString writePreset(const QString& name, const std::string& text) {
        const QString path = pathOf(name);
        writeBytes(path, QByteArray::fromStdString(text));
        return path;
    }

    void load(const QString& path) {
        dialogs.answerNextFile(path);
        window.cmdLoad_Click();
    }

    void save(const QString& path) {
        dialogs.answerNextFile(path);
        window.cmdSave_Click();
    }

    QStringList folderEntries() const {
        return QDir(folder.path())
            .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    }

    QTemporaryDir folder;
    FakeMidiOutService service;
    MidiOutPort port{service};
    AnsweringDialogs dialogs;
    frmMain window{port, dialogs};
};

struct BadFileCase {
    const char* name;
    std::string text;
};

void PrintTo(const BadFileCase& c, std::ostream* os) {
    *os << c.name;
}

class BadPresetTest : public PresetCommandTest,
                      public ::testing::WithParamInterface<BadFileCase> {};

TEST_P(BadPresetTest, IsReportedAndChangesNothing) {
    window.applySettings(unusualSettings());
    window.findChild<QComboBox*>(QStringLiteral("cmbCCNumber"))->setCurrentIndex(9);
    const FilterSettings settingsBefore = window.GatherSettings();
    const QStringList statesBefore = controlStates(window);

    const QString path = pathOf(QStringLiteral("bad.cvp"));
    if (GetParam().text != "<missing>") {
        writePreset(QStringLiteral("bad.cvp"), GetParam().text);
    }
    load(path);

    EXPECT_EQ(dialogs.messages(), QStringList{kInvalidMessage});
    EXPECT_EQ(window.GatherSettings(), settingsBefore);
    EXPECT_EQ(controlStates(window), statesBefore);
}

INSTANTIATE_TEST_SUITE_P(
    Files, BadPresetTest,
    ::testing::Values(
        BadFileCase{"Missing", "<missing>"},
        BadFileCase{"OtherVersion", withLine(1, "\"* : Corvane, V1.1\"")},
        BadFileCase{"VelocityHeaderInOtherCase", withLine(6, "\"* : Note velocity\"")},
        BadFileCase{"EndsInsideTheSlots", cutInside(10, "3,1,2,5")},
        BadFileCase{"EndsInsideThePattern", cutInside(17, "5,65,0,66")},
        BadFileCase{"SysExHeaderMissing", withLine(16, "\"* : Sys\"")},
        BadFileCase{"ModeBeyondTheSlots", withLine(9, "19")},
        BadFileCase{"SelectedSlotBeyond127",
                    withLine(11, "128,1,2,5,7,10,11,64,65,66,67,80,81,91,93,120,121,123")},
        BadFileCase{"ValueBeyond16Bits", withLine(3, "40000")}),
    [](const auto& info) { return std::string(info.param.name); });

struct GoodFileCase {
    const char* name;
    std::string text;
    FilterSettings settings;
    QStringList states;
};

void PrintTo(const GoodFileCase& c, std::ostream* os) {
    *os << c.name;
}

FilterSettings goodFileSettings() {
    FilterSettings settings = defaultSettings();
    settings.Channel = 2;
    settings.Transpose = 15;
    settings.Velocity = 90;
    for (int controller = 0; controller < 8; ++controller) {
        settings.CC_Enable[controller] = 0;
    }
    settings.CC_Preset[0] = 3;
    settings.PitchBend = 0;
    return settings;
}

FilterSettings slotFiveSpecifySettings() {
    FilterSettings settings = defaultSettings();
    settings.Channel = 15;
    settings.Transpose = 0;
    settings.Velocity = 127;
    settings.CC_Mode = CcMode::One;
    settings.CC_Slot = 4;
    settings.AfterTouch = 0;
    settings.SysEx_Mode = SysExMode::Specify;
    settings.SysEx_Count = 4;
    settings.SysEx_Pattern = {1,   2,   3,   4,   255, 255, 255, 255,
                              255, 255, 255, 255, 255, 255, 255, 255};
    return settings;
}

class GoodPresetTest : public PresetCommandTest,
                       public ::testing::WithParamInterface<GoodFileCase> {};

TEST_P(GoodPresetTest, SetsEverySettingAndTheModeControls) {
    window.applySettings(unusualSettings());
    window.findChild<QComboBox*>(QStringLiteral("cmbCCNumber"))->setCurrentIndex(9);

    load(writePreset(QStringLiteral("good.cvp"), GetParam().text));

    EXPECT_TRUE(dialogs.messages().isEmpty());
    EXPECT_EQ(window.GatherSettings(), GetParam().settings);
    EXPECT_EQ(controlStates(window), GetParam().states);
}

INSTANTIATE_TEST_SUITE_P(
    Files, GoodPresetTest,
    ::testing::Values(
        GoodFileCase{"ModeAll",
                     joinLines(kGoodLines),
                     goodFileSettings(),
                     {"cmbChannel: 2 on", "cmbTranspose: 15 on", "cmbVelocity: 89 on",
                      "chkPitchBend: clear on", "chkAfterTouch: ticked on", "chkCCAll: ticked on",
                      "chkCCOne: clear on", "chkCC: clear on", "cmbCCNumber: 0 on",
                      "cmbPreset: 0 off", "cmbCC_Index: 3 off", "chkSysExSpecify: clear on",
                      "chkSysExAll: ticked on", "txtSysEx: \" 65, 0, 66, 18, 64,\" off"}},
        GoodFileCase{"SlotFiveSpecify",
                     joinLines({"\"* : Corvane, V1.0\"", "\"* : MIDI Channel\"", "15",
                                "\"* : Note Transpose\"", "0", "\"* : Note Velocity\"", "127",
                                "\"* : Control Change\"", "5",
                                "255,255,255,255,255,255,255,255,255,255,255,255,255,255,255,255",
                                "0,1,2,5,7,10,11,64,65,66,67,80,81,91,93,120,121,123",
                                "\"* : Pitch Bend Bit\"", "1", "\"* : After Touch Bit\"", "0",
                                "\"* : SysEx\"", "0",
                                "2,1,2,3,4,255,255,255,255,255,255,255,255,255,255,255,255"}),
                     slotFiveSpecifySettings(),
                     {"cmbChannel: 15 on", "cmbTranspose: 0 on", "cmbVelocity: 126 on",
                      "chkPitchBend: ticked on", "chkAfterTouch: clear on", "chkCCAll: clear on",
                      "chkCCOne: ticked on", "chkCC: ticked off", "cmbCCNumber: 0 off",
                      "cmbPreset: 4 on", "cmbCC_Index: 7 on", "chkSysExSpecify: ticked on",
                      "chkSysExAll: clear on", "txtSysEx: \" 1, 2, 3, 4,\" on"}}),
    [](const auto& info) { return std::string(info.param.name); });

// `corvane FILE`: the path came from the command line, so the message says what it names.
TEST_F(PresetCommandTest, FileGivenAtStartIsReportedWithItsReason) {
    QDir(folder.path()).mkdir(QStringLiteral("folder.cvp"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(pathOf(QStringLiteral("fifo.cvp"))).constData(), 0600), 0);
    writePreset(QStringLiteral("bad.cvp"), "\"* : Corvane, V1.0\"\r\n");
    const struct {
        QString name;
        QString reasonPart;
    } cases[] = {
        {QStringLiteral("missing.cvp"), QStringLiteral("missing.cvp: No such file or directory.")},
        {QStringLiteral("folder.cvp"), QStringLiteral("folder.cvp is a folder.")},
        {QStringLiteral("fifo.cvp"), QStringLiteral("fifo.cvp is a FIFO, not a regular file.")},
        {QStringLiteral("bad.cvp"), QStringLiteral("the file ends before")},
    };
    const FilterSettings settingsBefore = window.GatherSettings();
    for (const auto& c : cases) {
        const qsizetype shownBefore = dialogs.messages().size();
        window.loadPresetGivenAtStart(toFilePath(pathOf(c.name)));
        ASSERT_EQ(dialogs.messages().size(), shownBefore + 1) << c.name.toStdString();
        const QStringList lines = dialogs.messages().back().split(QLatin1Char('\n'));
        ASSERT_EQ(lines.size(), 2) << dialogs.messages().back().toStdString();
        EXPECT_EQ(lines[0], kInvalidMessage);
        EXPECT_TRUE(lines[1].contains(c.reasonPart)) << lines[1].toStdString();
        EXPECT_EQ(window.GatherSettings(), settingsBefore);
    }
}

// A file name that is not UTF-8 (Latin-1 "caf\xE9.cvp") loads however its path arrives: from the
// command line and from a set list as bytes, from a drop as a percent-encoded address, from the
// file dialog as the text Qt shows for it (U+FFFD in place of the byte).
TEST_F(PresetCommandTest, ANameThatIsNotUtf8LoadsFromEveryWay) {
    const std::string folderBytes = QFile::encodeName(folder.path()).toStdString();
    const std::filesystem::path latin1 = folderBytes + "/caf\xE9.cvp";
    std::ofstream(latin1, std::ios::binary) << joinLines(kGoodLines);
    const std::pair<const char*, std::function<void()>> ways[] = {
        {"command line", [&] { window.openAtStart({latin1}); }},
        {"set list", [&] { window.openAtStart({std::filesystem::path(folderBytes)}); }},
        {"file dialog", [&] { load(QFile::decodeName(QByteArray::fromStdString(latin1))); }},
        {"drop",
         [&] {
             QMimeData data;
             data.setUrls({QUrl::fromEncoded(
                 "file://" + QByteArray::fromStdString(latin1).toPercentEncoding("/"))});
             QDragEnterEvent enter({5, 5}, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
             QCoreApplication::sendEvent(&window, &enter);
             QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
             QCoreApplication::sendEvent(&window, &drop);
             QCoreApplication::processEvents();
         }},
    };
    for (const auto& [name, open] : ways) {
        SCOPED_TRACE(name);
        window.applySettings(unusualSettings());
        open();
        EXPECT_EQ(dialogs.messages(), QStringList{});
        EXPECT_EQ(window.GatherSettings(), goodFileSettings());
    }
}

TEST_F(PresetCommandTest, CommandsAskWithTheirTitleAndTheOneFilter) {
    window.cmdLoad_Click();
    window.cmdSave_Click();

    ASSERT_EQ(dialogs.fileRequests().size(), 2u);
    EXPECT_FALSE(dialogs.fileRequests()[0].save);
    EXPECT_EQ(dialogs.fileRequests()[0].title, QStringLiteral("Open"));
    EXPECT_EQ(dialogs.fileRequests()[0].filter, kFilter);
    EXPECT_TRUE(dialogs.fileRequests()[1].save);
    EXPECT_EQ(dialogs.fileRequests()[1].title, QStringLiteral("Save As"));
    EXPECT_EQ(dialogs.fileRequests()[1].filter, kFilter);
}

TEST_F(PresetCommandTest, SaveThenLoadRoundTripsEverySetting) {
    window.applySettings(unusualSettings());
    const QString path = pathOf(QStringLiteral("round.cvp"));
    save(path);

    frmMain other(port, dialogs);
    dialogs.answerNextFile(path);
    other.cmdLoad_Click();

    EXPECT_TRUE(dialogs.messages().isEmpty());
    EXPECT_EQ(other.GatherSettings(), unusualSettings());
}

TEST_F(PresetCommandTest, SpecifyWithAnEmptyPatternComesBackAsAll) {
    FilterSettings empty = unusualSettings();
    empty.SysEx_Count = 0;
    window.applySettings(empty);
    const QString path = pathOf(QStringLiteral("empty.cvp"));
    save(path);
    load(path);

    FilterSettings expected = empty;
    expected.SysEx_Mode = SysExMode::All;
    expected.SysEx_Count = 3;  // recounted from the stored entries: 9, 8, 7, then 200
    EXPECT_EQ(window.GatherSettings(), expected);
}

TEST_F(PresetCommandTest, NameWithoutExtensionIsUsedAsTyped) {
    save(pathOf(QStringLiteral("mypreset")));

    EXPECT_EQ(folderEntries(), QStringList{QStringLiteral("mypreset")});
    EXPECT_TRUE(readPresetFile(pathOf(QStringLiteral("mypreset")).toStdString()).ok());
}

TEST_F(PresetCommandTest, SaveReplacesAnExistingFile) {
    const QString path = pathOf(QStringLiteral("old.cvp"));
    writeBytes(path, "an older and much longer file that is not a preset at all\r\n");
    window.applySettings(unusualSettings());
    save(path);

    EXPECT_TRUE(dialogs.messages().isEmpty());
    EXPECT_EQ(readBytes(path), QByteArray::fromStdString(writePresetText(unusualSettings())));
    EXPECT_EQ(folderEntries(), QStringList{QStringLiteral("old.cvp")}) << "no temporary left";
}

TEST_F(PresetCommandTest, FailedSaveIsReportedAndLosesNothing) {
    const QString keep = pathOf(QStringLiteral("keep.cvp"));
    writeBytes(keep, "kept bytes\r\n");
    const QString impossible = keep + QStringLiteral("/inner.cvp");  // parent is a file
    save(impossible);

    ASSERT_EQ(dialogs.messages().size(), 1);
    const QString prefix = QStringLiteral("Couldn't save preset file.\n") + impossible + "\n";
    EXPECT_TRUE(dialogs.messages()[0].startsWith(prefix)) << dialogs.messages()[0].toStdString();
    EXPECT_GT(dialogs.messages()[0].size(), prefix.size()) << "the reason is missing";
    EXPECT_EQ(readBytes(keep), QByteArray("kept bytes\r\n"));
    EXPECT_EQ(folderEntries(), QStringList{QStringLiteral("keep.cvp")});
}

TEST_F(PresetCommandTest, CancelAfterEarlierCommandsLoadsAndWritesNothing) {
    const QString path = writePreset(QStringLiteral("good.cvp"), joinLines(kGoodLines));
    load(path);
    save(path);
    const QByteArray savedBytes = readBytes(path);
    window.applySettings(unusualSettings());
    const QStringList statesBefore = controlStates(window);

    window.cmdLoad_Click();
    window.cmdSave_Click();

    EXPECT_EQ(dialogs.fileRequests().size(), 4u);
    EXPECT_TRUE(dialogs.messages().isEmpty());
    EXPECT_EQ(window.GatherSettings(), unusualSettings());
    EXPECT_EQ(controlStates(window), statesBefore);
    EXPECT_EQ(readBytes(path), savedBytes);
    EXPECT_EQ(folderEntries(), QStringList{QStringLiteral("good.cvp")});
}

enum class DropOutcome { Loaded, Reported, Ignored };

struct DropCase {
    const char* name;
    QStringList urls;  // a bare name is a file in the test's folder: good* a preset, bad* not
    const char* target;
    DropOutcome outcome;
};

void PrintTo(const DropCase& c, std::ostream* os) {
    *os << c.name;
}

class DropTest : public PresetCommandTest, public ::testing::WithParamInterface<DropCase> {};

TEST_P(DropTest, LoadsAsLoadDoesOrIsIgnored) {
    window.applySettings(unusualSettings());
    const QStringList statesBefore = controlStates(window);
    QList<QUrl> urls;
    for (const QString& url : GetParam().urls) {
        if (url.contains(QLatin1Char(':'))) {
            urls.append(QUrl(url));
            continue;
        }
        writePreset(url, url.startsWith(QStringLiteral("good")) ? joinLines(kGoodLines)
                                                                : withLine(1, "\"* : Corvane\""));
        urls.append(QUrl::fromLocalFile(pathOf(url)));
    }
    QMimeData data;
    data.setUrls(urls);
    data.setText(urls.isEmpty() ? QString() : urls.front().toString());
    QWidget* target = window.findChild<QWidget*>(QString::fromLatin1(GetParam().target));
    if (target == nullptr) {
        target = &window;
    }

    QDragEnterEvent enter({5, 5}, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &enter);
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    if (enter.isAccepted()) {
        QCoreApplication::sendEvent(target, &drop);
    }
    QCoreApplication::processEvents();

    const DropOutcome outcome = GetParam().outcome;
    EXPECT_EQ(enter.isAccepted(), outcome != DropOutcome::Ignored);
    EXPECT_EQ(dialogs.messages(),
              outcome == DropOutcome::Reported ? QStringList{kInvalidMessage} : QStringList{});
    if (outcome == DropOutcome::Loaded) {
        EXPECT_EQ(window.GatherSettings(), goodFileSettings());
    } else {
        EXPECT_EQ(window.GatherSettings(), unusualSettings());
        EXPECT_EQ(controlStates(window), statesBefore);
    }
    EXPECT_TRUE(dialogs.fileRequests().empty()) << "a drop asks for no file";
}

INSTANTIATE_TEST_SUITE_P(
    Drops, DropTest,
    ::testing::Values(
        DropCase{"Preset", {"good.cvp"}, "frmMain", DropOutcome::Loaded},
        DropCase{"UpperCaseExtension", {"good.CVP"}, "frmMain", DropOutcome::Loaded},
        DropCase{"OnThePatternBox", {"good.cvp"}, "txtSysEx", DropOutcome::Loaded},
        DropCase{"BadPreset", {"bad.cvp"}, "frmMain", DropOutcome::Reported},
        DropCase{"MissingFile", {"file:///nonexistent/gone.cvp"}, "frmMain", DropOutcome::Reported},
        DropCase{"OtherExtension", {"good.txt"}, "frmMain", DropOutcome::Ignored},
        DropCase{"TwoFilesAsASetList", {"good2.cvp", "good.cvp"}, "frmMain", DropOutcome::Loaded},
        DropCase{"AFileAmongOthers", {"good.cvp", "good.txt"}, "frmMain", DropOutcome::Ignored},
        DropCase{
            "RemoteAddress", {"https://example.com/good.cvp"}, "frmMain", DropOutcome::Ignored},
        DropCase{"TextOnly", {}, "frmMain", DropOutcome::Ignored}),
    [](const auto& info) { return std::string(info.param.name); });

class PendingEditTest : public PresetCommandTest {
  protected:
    // Types text into the pattern box and leaves the focus in it.
    void typePattern(const QString& text) {
        window.applySettings(unusualSettings());
        window.show();
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
        auto* box = window.findChild<QLineEdit*>(QStringLiteral("txtSysEx"));
        box->setFocus(Qt::OtherFocusReason);
        box->setText(text);
        QApplication::processEvents();
        ASSERT_TRUE(box->hasFocus());
    }
};

TEST_F(PendingEditTest, SaveTakesThePendingPatternFirst) {
    typePattern(QStringLiteral(" 70, 71,"));
    const QString path = pathOf(QStringLiteral("pending.cvp"));
    save(path);

    const QList<QByteArray> lines = readBytes(path).split('\n');
    ASSERT_EQ(lines.size(), 19);
    EXPECT_TRUE(lines[17].startsWith("2,70,71,7,200,")) << lines[17].toStdString();
}

TEST_F(PendingEditTest, RejectedPendingPatternStopsLoadAndSaveBeforeTheirDialogs) {
    typePattern(QStringLiteral(" 7, 300,"));
    window.cmdSave_Click();
    window.cmdLoad_Click();

    EXPECT_TRUE(dialogs.fileRequests().empty());
    EXPECT_FALSE(dialogs.messages().isEmpty());
    EXPECT_EQ(window.GatherSettings(), unusualSettings());
}

}  // namespace
}  // namespace corvane
