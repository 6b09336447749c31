#include <QLineEdit>
#include <QTest>

#include <vector>

#include "MainWindowFixture.h"
#include "settings/SettingsDump.h"

namespace corvane {
namespace {

using UndoTest = MainWindowFixture;

// Ten edits through the controls, each a step; Ctrl+Z takes them back one by one and Ctrl+Y
// and Ctrl+Shift+Z bring them back, every control and every dump as it was at that step.
TEST_F(UndoTest, KeysUndoAndRedoEachUserActionWithItsRules) {
    showActive();
    std::vector<EditorModel> states{window->model()};
    const auto step = [&](auto action) {
        action();
        leavePatternText();
        states.push_back(window->model());
    };
    step([&] { list("cmbChannel")->setCurrentIndex(4); });
    step([&] { box("chkCCOne")->click(); });
    step([&] { list("cmbPreset")->setCurrentIndex(6); });
    step([&] { list("cmbCC_Index")->setCurrentIndex(7); });
    step([&] { box("chkSysExSpecify")->click(); });
    step([&] {
        patternText()->setFocus(Qt::OtherFocusReason);
        patternText()->selectAll();
        QTest::keyClicks(patternText(), "240, 1, 2,");
    });
    step([&] { box("chkAfterTouch")->click(); });
    step([&] { list("cmbVelocity")->setCurrentIndex(9); });
    step([&] { box("chkCCAll")->click(); });
    step([&] { list("cmbTranspose")->setCurrentIndex(20); });
    ASSERT_EQ(states.size(), 11u);

    for (std::size_t i = states.size() - 1; i > 0; --i) {
        QTest::keyClick(window.get(), Qt::Key_Z, Qt::ControlModifier);
        EXPECT_EQ(window->model(), states[i - 1]) << "after undoing step " << i;
        EXPECT_EQ(BuildSettingsDump(window->GatherSettings()),
                  BuildSettingsDump(states[i - 1].GatherSettings()));
    }
    EXPECT_EQ(patternText()->text(), QString::fromStdString(states[0].txtSysEx().Text));
    EXPECT_FALSE(patternText()->isEnabled());
    for (std::size_t i = 1; i < states.size(); ++i) {
        const Qt::KeyboardModifiers redo =
            i % 2 == 0 ? Qt::ControlModifier : Qt::ControlModifier | Qt::ShiftModifier;
        QTest::keyClick(window.get(), i % 2 == 0 ? Qt::Key_Y : Qt::Key_Z, redo);
        EXPECT_EQ(window->model(), states[i]) << "after redoing step " << i;
    }
}

// In the pattern box, Ctrl+Z undoes the typing as in any text box; the pattern is not taken
// and no step of the window is undone.
TEST_F(UndoTest, CtrlZInThePatternBoxUndoesTheTyping) {
    showActive();
    box("chkSysExSpecify")->click();
    const EditorModel specified = window->model();
    patternText()->setFocus(Qt::OtherFocusReason);
    patternText()->end(false);
    QTest::keyClicks(patternText(), " 9,");
    QTest::keyClick(patternText(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(patternText()->text(), QString::fromStdString(specified.txtSysEx().Text));
    EXPECT_EQ(window->model(), specified);
    EXPECT_EQ(box("chkSysExSpecify")->isChecked(), true);
}

}  // namespace
}  // namespace corvane
