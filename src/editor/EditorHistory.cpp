#include "editor/EditorHistory.h"

#include <algorithm>

namespace corvane {

namespace {

// Moves the newest state of from to to, leaving current in its place on to.
std::optional<EditorModel> step(std::deque<EditorModel>& from, std::deque<EditorModel>& to,
                                const EditorModel& current) {
    if (from.empty()) {
        return std::nullopt;
    }
    EditorModel shown = std::move(from.back());
    from.pop_back();
    to.push_back(current);
    return shown;
}

}  // namespace

EditorHistory::EditorHistory(std::size_t depth) : m_depth(std::max<std::size_t>(depth, 1)) {}

void EditorHistory::record(const EditorModel& before, const EditorModel& after) {
    if (before == after) {
        return;
    }
    m_undo.push_back(before);
    if (m_undo.size() > m_depth) {
        m_undo.pop_front();
    }
    m_redo.clear();
}

std::optional<EditorModel> EditorHistory::undo(const EditorModel& current) {
    return step(m_undo, m_redo, current);
}

std::optional<EditorModel> EditorHistory::redo(const EditorModel& current) {
    return step(m_redo, m_undo, current);
}

}  // namespace corvane
