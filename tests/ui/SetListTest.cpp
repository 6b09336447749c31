#include <QDir>
#include <QFile>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>

#include <filesystem>
#include <fstream>
#include <random>
#include <vector>

#include "MainWindowFixture.h"
#include "RandomSettings.h"
#include "editor/EditorModel.h"
#include "presets/PresetFile.h"
#include "presets/SetList.h"
#include "settings/SettingsDump.h"

namespace corvane {
namespace {

// What the window holds after loading a file of random settings.
FilterSettings loadedRandomSettings(std::mt19937& random) {
    return settingsAsLoaded(
        *readPresetText(writePresetText(testing::randomValidSettings(random))).settings);
}

std::vector<std::uint8_t> flatDump(const FilterSettings& settings) {
    const auto bytes = flattenDump(BuildSettingsDump(settings));
    return {bytes.begin(), bytes.end()};
}

class SetListTest : public MainWindowFixture {
  protected:
    QString writeFile(const char* name, const std::string& text) {
        const QString path = folder.filePath(QString::fromLatin1(name));
        std::ofstream(path.toStdString(), std::ios::binary) << text;
        return path;
    }
    // The bytes sent since the last call, one dump's packets joined.
    std::vector<std::uint8_t> takeSent() {
        std::vector<std::uint8_t> joined;
        const auto sent = service.sentMessages();
        for (std::size_t i = m_seen; i < sent.size(); ++i) {
            joined.insert(joined.end(), sent[i].begin(), sent[i].end());
        }
        m_seen = sent.size();
        return joined;
    }
    QString strip() const { return window->findChild<QLabel*>("lblSetList")->text(); }

    QTemporaryDir folder;

  private:
    std::size_t m_seen = 0;
};

// Three files, the middle one bad: the first loads at start and nothing is sent; each Page
// Down loads and sends the next file's exact dump, wherever the focus is; the bad file is
// reported, changes nothing and sends nothing, and the next key passes it.
TEST_F(SetListTest, PageDownLoadsAndSendsEachFileAndPassesABadOne) {
    std::mt19937 random(7);
    const FilterSettings first = loadedRandomSettings(random);
    const FilterSettings third = loadedRandomSettings(random);
    const QStringList paths = {writeFile("1-intro.cvp", writePresetText(first)),
                               writeFile("2-broken.cvp", "not a preset\r\n"),
                               writeFile("3-outro.cvp", writePresetText(third))};
    showActive();
    chooseDevice();
    window->openAtStart({toFilePath(folder.path())});
    EXPECT_EQ(window->GatherSettings(), first);
    EXPECT_TRUE(takeSent().empty());
    EXPECT_EQ(strip(), QStringLiteral("1/3  1-intro.cvp"));

    list("cmbCCNumber")->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_PageDown);
    EXPECT_EQ(dialogs.messages(), QStringList{QStringLiteral("Invalid Corvane Preset File!")});
    EXPECT_EQ(window->GatherSettings(), first);
    EXPECT_TRUE(takeSent().empty());
    EXPECT_EQ(strip(), QStringLiteral("2/3  2-broken.cvp"));

    QTest::keyClick(QApplication::focusWidget(), Qt::Key_PageDown);
    EXPECT_EQ(window->GatherSettings(), third);
    EXPECT_EQ(takeSent(), flatDump(third));
    endDump();

    QTest::keyClick(QApplication::focusWidget(), Qt::Key_PageUp);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_PageUp);
    EXPECT_EQ(window->GatherSettings(), first);
    EXPECT_EQ(takeSent(), flatDump(first));
    EXPECT_EQ(strip(), QStringLiteral("1/3  1-intro.cvp"));
}

// The strip shows a file's name as messages do, on one line, and shortens a long name, never
// the position; screen readers get the whole name.
TEST_F(SetListTest, TheStripEscapesTheNameAndKeepsThePositionVisible) {
    const std::string longName(240, 'x');
    const struct {
        std::string file;
        QString shownName;  // empty: shortened
    } cases[] = {
        {"caf\xE9.cvp", QStringLiteral("caf\\xE9.cvp")},
        {"a\x1B[2J\x07\nb.cvp", QStringLiteral("a\\x1B[2J\\x07\\x0Ab.cvp")},
        {longName + ".cvp", QString()},
    };
    const std::string folderBytes = QFile::encodeName(folder.path()).toStdString();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        const std::filesystem::path file = folderBytes + "/" + c.file;
        std::ofstream(file, std::ios::binary) << writePresetText(defaultSettings());
        window->startSetList(SetList({file, file}));
        const auto* label = window->findChild<QLabel*>("lblSetList");
        const QString shown = label->text();
        EXPECT_TRUE(shown.startsWith(QStringLiteral("1/2  "))) << shown.toStdString();
        EXPECT_FALSE(shown.contains(QLatin1Char('\n')));
        EXPECT_LE(label->fontMetrics().horizontalAdvance(shown), label->contentsRect().width());
        if (c.shownName.isEmpty()) {
            EXPECT_TRUE(shown.endsWith(QStringLiteral("x.cvp"))) << shown.toStdString();
            EXPECT_TRUE(shown.contains(QChar(0x2026))) << shown.toStdString();
            EXPECT_EQ(label->accessibleName(),
                      QStringLiteral("Set list 1/2  ") + QString::fromStdString(c.file));
        } else {
            EXPECT_EQ(shown, QStringLiteral("1/2  ") + c.shownName);
            EXPECT_EQ(label->accessibleName(), QStringLiteral("Set list ") + shown);
        }
        EXPECT_EQ(dialogs.messages(), QStringList{});
        std::filesystem::remove(file);
    }
}

// With one file and no set list, Page Down is the lists' own key, and the strip stays empty.
TEST_F(SetListTest, OneFileMakesNoSetList) {
    std::mt19937 random(8);
    const FilterSettings only = loadedRandomSettings(random);
    window->openAtStart({toFilePath(writeFile("only.cvp", writePresetText(only)))});
    showActive();
    EXPECT_FALSE(window->findChild<QLabel*>("lblSetList")->isVisible());
    list("cmbVelocity")->setFocus();
    const int before = list("cmbVelocity")->currentIndex();
    QTest::keyClick(list("cmbVelocity"), Qt::Key_PageDown);
    EXPECT_NE(list("cmbVelocity")->currentIndex(), before);
}

}  // namespace
}  // namespace corvane
