#include "editor/EditorHistory.h"

#include <algorithm>
#include <utility>

namespace corvane {

namespace {

// Takes the newest state of from as the current one; the current one goes onto to.
std::optional<EditorModel> step(std::deque<EditorModel>& from, std::deque<EditorModel>& to,
                                EditorModel& current) {
    if (from.empty()) {
        return std::nullopt;
    }
    to.push_back(std::exchange(current, std::move(from.back())));
    from.pop_back();
    return current;
}

}  // namespace

EditorHistory::EditorHistory(std::size_t depth) : m_depth(std::max<std::size_t>(depth, 1)) {}

void EditorHistory::start(const EditorModel& state) {
    m_current = state;
    m_undo.clear();
    m_redo.clear();
}

bool EditorHistory::finishStep(const EditorModel& state) {
    if (state == m_current) {
        return false;
    }
    m_undo.push_back(std::exchange(m_current, state));
    if (m_undo.size() > m_depth) {
        m_undo.pop_front();
    }
    m_redo.clear();
    return true;
}

std::optional<EditorModel> EditorHistory::undo() {
    return step(m_undo, m_redo, m_current);
}

std::optional<EditorModel> EditorHistory::redo() {
    return step(m_redo, m_undo, m_current);
}

}  // namespace corvane
