#pragma once

#include <cstddef>
#include <deque>
#include <optional>

#include "editor/EditorModel.h"

namespace corvane {

// Undo and redo over whole editor states. A step is one user action with every rule it set
// off (a click, a list choice, a pattern taken, a Load): the caller keeps the state from
// before the action and records it with the state after. Steps that changed nothing are not
// kept; a new step forgets what could be redone; the oldest steps go beyond the depth.
class EditorHistory {
  public:
    static constexpr std::size_t kDefaultDepth = 100;

    explicit EditorHistory(std::size_t depth = kDefaultDepth);

    void record(const EditorModel& before, const EditorModel& after);

    bool canUndo() const { return !m_undo.empty(); }
    bool canRedo() const { return !m_redo.empty(); }

    // The state to show instead of current, or nothing when there is no step to take back.
    std::optional<EditorModel> undo(const EditorModel& current);
    std::optional<EditorModel> redo(const EditorModel& current);

  private:
    std::size_t m_depth;
    std::deque<EditorModel> m_undo;  // newest last
    std::deque<EditorModel> m_redo;  // newest last
};

}  // namespace corvane
