#pragma once

#include <cstddef>
#include <deque>
#include <optional>

#include "editor/EditorModel.h"

namespace corvane {

// Undo and redo over whole editor states. A step is one user action with every rule it set
// off (a click, a list choice, a pattern taken, a Load). Steps that changed nothing are not
// kept; a new step forgets what could be redone; beyond the depth the oldest steps go.
class EditorHistory {
  public:
    static constexpr std::size_t kDefaultDepth = 100;

    explicit EditorHistory(std::size_t depth = kDefaultDepth);

    // The state the first step starts from, with nothing to undo or redo.
    void start(const EditorModel& state);
    // A user action has ended in state. True when it changed something: a step was kept.
    bool finishStep(const EditorModel& state);

    bool canUndo() const { return !m_undo.empty(); }
    bool canRedo() const { return !m_redo.empty(); }

    // The state before the last step, or after the last step undone; nothing when there is
    // none. The next step starts from the state returned.
    std::optional<EditorModel> undo();
    std::optional<EditorModel> redo();

  private:
    std::size_t m_depth;
    EditorModel m_current;           // the state the last step, undo or redo left
    std::deque<EditorModel> m_undo;  // newest last
    std::deque<EditorModel> m_redo;  // newest last
};

}  // namespace corvane
