#include <gtest/gtest.h>

#include <vector>

#include "editor/EditorHistory.h"
#include "settings/SettingsDump.h"

namespace corvane {
namespace {

// Ten different user actions in a row; each state's dump is kept, then every step is undone
// and redone: the states and their dumps come back exactly, Enabled and the pattern included.
TEST(EditorHistory, UndoAndRedoGiveBackEveryStateAndItsDump) {
    EditorModel model;
    model.Form_Load();
    EditorHistory history;
    history.start(model);
    std::vector<EditorModel> states{model};
    const auto act = [&](auto action) {
        action();
        history.finishStep(model);
        states.push_back(model);
    };
    act([&] { model.chooseListItem(EditorList::cmbChannel, 9); });
    act([&] { model.setCheck(EditorCheck::chkCCOne, 1); });
    act([&] { model.chooseListItem(EditorList::cmbPreset, 4); });
    act([&] { model.chooseListItem(EditorList::cmbCC_Index, 74); });
    act([&] { model.setCheck(EditorCheck::chkSysExSpecify, 1); });
    act([&] {
        model.typePatternText("240, 65, 16,");
        model.takePatternText();
    });
    act([&] { model.setCheck(EditorCheck::chkPitchBend, 0); });
    act([&] { model.chooseListItem(EditorList::cmbVelocity, 126); });
    act([&] { model.setCheck(EditorCheck::chkCCAll, 1); });
    act([&] { model.chooseListItem(EditorList::cmbTranspose, 0); });

    for (std::size_t i = states.size() - 1; i > 0; --i) {
        const auto back = history.undo();
        ASSERT_TRUE(back.has_value()) << i;
        model = *back;
        EXPECT_EQ(model, states[i - 1]) << i;
        EXPECT_EQ(BuildSettingsDump(model.GatherSettings()),
                  BuildSettingsDump(states[i - 1].GatherSettings()));
    }
    EXPECT_FALSE(history.undo().has_value());
    for (std::size_t i = 1; i < states.size(); ++i) {
        model = *history.redo();
        EXPECT_EQ(model, states[i]) << i;
    }
    EXPECT_FALSE(history.redo().has_value());
}

// Actions that change nothing are no step; a new step forgets the redo; depth bounds the past.
TEST(EditorHistory, KeepsOnlyChangesAndAtMostItsDepth) {
    EditorModel model;
    model.Form_Load();
    EditorHistory history(3);
    history.start(model);
    history.finishStep(model);
    EXPECT_FALSE(history.canUndo());

    for (int channel = 1; channel <= 5; ++channel) {
        model.chooseListItem(EditorList::cmbChannel, channel);
        history.finishStep(model);
    }
    int undone = 0;
    while (auto back = history.undo()) {
        model = *back;
        ++undone;
    }
    EXPECT_EQ(undone, 3);
    EXPECT_EQ(model.list(EditorList::cmbChannel).ListIndex, 2);

    model.chooseListItem(EditorList::cmbChannel, 15);
    history.finishStep(model);
    EXPECT_FALSE(history.canRedo());
}

}  // namespace
}  // namespace corvane
