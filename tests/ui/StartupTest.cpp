#include <QApplication>
#include <QGuiApplication>
#include <QScreen>

#include <cstdio>
#include <string>
#include <vector>

#include "MainWindowFixture.h"
#include "ReferencePicture.h"
#include "StandardErrorCapture.h"
#include "ui/ControllerNames.h"
#include "ui/EditorCommandLine.h"

namespace corvane {
namespace {

using StartupTest = MainWindowFixture;

QStringList items(const QComboBox& list) {
    QStringList texts;
    for (int i = 0; i < list.count(); ++i) {
        texts.append(list.itemText(i));
    }
    return texts;
}

QStringList numbers(int first, int last, const QString& prefix = {}) {
    QStringList texts;
    for (int n = first; n <= last; ++n) {
        texts.append(prefix + QString::number(n));
    }
    return texts;
}

struct ListState {
    const char* name;
    int count;
    int position;
    const char* shown;
    bool enabled;
};

TEST_F(StartupTest, ListsShowTheDefaultsAndOnlyTheAllModeRowIsEnabled) {
    const ListState expected[] = {
        {"cmbChannel", 16, 0, "1", true},       {"cmbTranspose", 23, 11, "0", true},
        {"cmbVelocity", 127, 99, " 100", true}, {"cmbCCNumber", 128, 0, "0: Bank Select", true},
        {"cmbPreset", 18, 0, "1", false},       {"cmbCC_Index", 128, 0, "0: Bank Select", false},
    };
    for (const ListState& state : expected) {
        SCOPED_TRACE(state.name);
        const QComboBox* combo = list(state.name);
        EXPECT_EQ(combo->count(), state.count);
        EXPECT_EQ(combo->currentIndex(), state.position);
        EXPECT_EQ(combo->currentText(), QString::fromLatin1(state.shown));
        EXPECT_EQ(combo->isEnabled(), state.enabled);
        EXPECT_FALSE(combo->isEditable());
    }
}

TEST_F(StartupTest, CheckBoxesAndTextBoxStartInModeAllForBothFilters) {
    const struct {
        const char* name;
        bool ticked;
        bool enabled;
    } expected[] = {
        {"chkPitchBend", true, true},
        {"chkAfterTouch", true, true},
        {"chkCCAll", true, true},
        {"chkCCOne", false, true},
        {"chkCC", true, true},
        {"chkSysExAll", true, true},
        {"chkSysExSpecify", false, true},
    };
    for (const auto& state : expected) {
        SCOPED_TRACE(state.name);
        EXPECT_EQ(box(state.name)->isChecked(), state.ticked);
        EXPECT_EQ(box(state.name)->isEnabled(), state.enabled);
        EXPECT_TRUE(box(state.name)->text().isEmpty());
    }
    EXPECT_EQ(patternText()->text(), QStringLiteral(" 65, 0, 66, 18, 64,"));
    EXPECT_FALSE(patternText()->isEnabled());
    EXPECT_FALSE(port.isOpen());
    EXPECT_FALSE(port.state().bDeviceChosen);
}

TEST_F(StartupTest, SettingsAreTheDefaults) {
    EXPECT_EQ(window->GatherSettings(), defaultSettings());
}

TEST_F(StartupTest, ListItemsAreTheFixedTexts) {
    EXPECT_EQ(items(*list("cmbChannel")), numbers(1, 16));
    EXPECT_EQ(items(*list("cmbTranspose")), numbers(-11, 11));
    EXPECT_EQ(items(*list("cmbPreset")), numbers(1, 18));
    // Exactly one leading blank on every velocity, " 127" included; no item at 127.
    EXPECT_EQ(items(*list("cmbVelocity")), numbers(1, 127, QStringLiteral(" ")));
}

TEST_F(StartupTest, BothControllerListsHoldTheNameTableInOrder) {
    const QStringList numberList = items(*list("cmbCCNumber"));
    ASSERT_EQ(numberList.size(), kControllerCount);
    EXPECT_EQ(numberList, items(*list("cmbCC_Index")));
    EXPECT_EQ(numberList.front(), QStringLiteral("0: Bank Select"));
    EXPECT_EQ(numberList[64], QStringLiteral("64: Damper Pedal"));
    EXPECT_EQ(numberList.back(), QStringLiteral("127: Poly Mode On"));
    QStringList distinct = numberList;
    EXPECT_EQ(distinct.removeDuplicates(), 0);
    for (int k = 0; k < kControllerCount; ++k) {
        EXPECT_TRUE(numberList[k].startsWith(QString::number(k) + QStringLiteral(": ")))
            << numberList[k].toStdString();
    }
}

TEST(ControllerNames, TableKeepsItsSpellingsAndUndefinedPositions) {
    const auto& names = controllerNames();
    EXPECT_EQ(names[4], "4: Foot Controll");
    EXPECT_EQ(names[43], "43: LSB Exprssion");
    EXPECT_EQ(names[121], "121: Reset All Controller");
    int undefined = 0;
    for (const std::string_view name : names) {
        EXPECT_GE(name.size(), 7u);
        EXPECT_LE(name.size(), 25u);
        undefined += name.ends_with(": Undefined") ? 1 : 0;
    }
    EXPECT_EQ(undefined, 55);
    for (const int k : {3, 9, 14, 15, 20, 31, 35, 41, 46, 47, 52, 63, 85, 87, 89, 90, 102, 119}) {
        EXPECT_TRUE(names[static_cast<std::size_t>(k)].ends_with(": Undefined")) << k;
    }
}

// The size, captions, faces and colours are the reference picture's to judge.
TEST_F(StartupTest, WindowIsFramelessCentredAndHasAnIcon) {
    EXPECT_TRUE(window->windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_FALSE(window->windowIcon().isNull());
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    EXPECT_EQ(window->pos(), screen.topLeft() + centredWindowPosition(screen.size()));
}

TEST(EditorCommandLine, UsageErrorShowsTheArgumentWithItsControlsEscaped) {
    EditorCommandLine parsed;
    const std::string shown = testing::capturedStandardError([&] {
        parsed = parseEditorArguments({"corvane",
                                       "--x\x1B[2J\xC2\x9B"
                                       "2J\xE9"});
    });

    EXPECT_EQ(parsed.action, EditorCommandLine::Action::UsageError);
    EXPECT_NE(shown.find("x\\x1B[2J\\xC2\\x9B2J\\xE9"), std::string::npos) << shown;
}

// A Latin-1 name ("caf\xE9") is no UTF-8: it must still reach the file calls byte for byte.
TEST(EditorCommandLine, FileAndDeviceNamesKeepTheirBytes) {
    const EditorCommandLine parsed = parseEditorArguments(
        {"corvane", "--device", "caf\xE9 out", "caf\xE9.cvp", "--send-on-change", "\xC3\xA9"});
    ASSERT_EQ(parsed.action, EditorCommandLine::Action::Run);
    EXPECT_EQ(parsed.deviceName, "caf\xE9 out");
    ASSERT_EQ(parsed.presetPaths.size(), 2u);
    EXPECT_EQ(parsed.presetPaths[0].string(), "caf\xE9.cvp");
    EXPECT_EQ(parsed.presetPaths[1].string(), "\xC3\xA9");
    EXPECT_TRUE(parsed.sendOnChange);
}

TEST(WindowPosition, CentresOnTheFullScreenAndMayBeNegative) {
    const struct {
        QSize screen;
        QPoint corner;
    } cases[] = {
        // 9150 x 2362.5 twips
        {{1920, 1080}, {610, 158}},
        {{700, 765}, {0, 0}},
        {{800, 600}, {50, -83}},
        {{640, 480}, {-30, -143}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(centredWindowPosition(c.screen), c.corner)
            << c.screen.width() << "x" << c.screen.height();
    }
}

// The controls in tab order.
const char* const kTabOrder[] = {
    "cmbChannel",  "cmbTranspose", "cmbVelocity",     "chkPitchBend", "chkAfterTouch",
    "chkCCAll",    "chkCCOne",     "chkSysExSpecify", "chkSysExAll",  "cmdLoad",
    "cmdSave",     "cmdDevice",    "cmdUpdate",       "cmdExit",      "chkCC",
    "cmbCCNumber", "cmbPreset",    "cmbCC_Index",     "txtSysEx",
};

TEST_F(StartupTest, WindowLooksAsItsReferencePicture) {
    expectLooksLikeReference(*window, QStringLiteral("main-window"));
}

TEST_F(StartupTest, EveryControlHasATooltip) {
    for (const char* name : kTabOrder) {
        EXPECT_FALSE(control<QWidget>(name)->toolTip().isEmpty()) << name;
    }
}

TEST_F(StartupTest, FocusStartsOnTheChannelList) {
    showActive();
    EXPECT_EQ(QApplication::focusWidget(), list("cmbChannel"));
}

// Names of the controls that Tab visits, starting after the focused one, once round.
QStringList tabRound(QWidget* window) {
    QStringList visited;
    QWidget* first = QApplication::focusWidget();
    for (int step = 0; step < 40; ++step) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QWidget* now = QApplication::focusWidget();
        if (now == nullptr || now == first || now->window() != window) {
            break;
        }
        visited.append(now->objectName());
    }
    return visited;
}

TEST_F(StartupTest, TabFollowsTheTabOrderAndSkipsDisabledControls) {
    showActive();
    QStringList enabledInOrder;
    for (const char* name : kTabOrder) {
        enabledInOrder.append(QString::fromLatin1(name));
    }
    enabledInOrder.removeOne(QStringLiteral("cmbChannel"));
    const QStringList modeAllSkipped = {QStringLiteral("cmbPreset"), QStringLiteral("cmbCC_Index"),
                                        QStringLiteral("txtSysEx")};
    QStringList expected = enabledInOrder;
    for (const QString& skipped : modeAllSkipped) {
        expected.removeOne(skipped);
    }
    EXPECT_EQ(tabRound(window.get()), expected);

    box("chkCCOne")->click();
    box("chkSysExSpecify")->click();
    list("cmbChannel")->setFocus(Qt::OtherFocusReason);
    expected = enabledInOrder;
    expected.removeOne(QStringLiteral("chkCC"));
    expected.removeOne(QStringLiteral("cmbCCNumber"));
    EXPECT_EQ(tabRound(window.get()), expected);
}

}  // namespace
}  // namespace corvane
