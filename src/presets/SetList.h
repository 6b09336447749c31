#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

namespace corvane {

// The preset files of a performance in their order, and the one the musician is at. Moving
// does not depend on whether a file loads: after a bad file the next move passes it.
class SetList {
  public:
    SetList() = default;
    explicit SetList(std::vector<std::filesystem::path> files);

    // The files that the paths name, in their order; a folder stands for its .cvp files
    // (any letter case) in name order. Paths that name nothing are kept, to be reported when
    // they are reached.
    static SetList fromPaths(const std::vector<std::filesystem::path>& paths);

    bool empty() const { return m_files.empty(); }
    std::size_t size() const { return m_files.size(); }
    std::size_t position() const { return m_position; }  // counted from 0
    const std::filesystem::path& current() const { return m_files.at(m_position); }

    // Moves one file on or back; false, without moving, at the end or the start.
    bool next();
    bool previous();

    // "2/5  verse.cvp": the position counted from 1, the count and the file's name.
    std::string label() const;

  private:
    std::vector<std::filesystem::path> m_files;
    std::size_t m_position = 0;
};

}  // namespace corvane
