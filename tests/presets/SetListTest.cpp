#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "presets/SetList.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;

// A folder stands for its .cvp files by name, other files left out, and files named beside it
// keep their places; the moves stop at both ends, and the label counts from 1.
TEST(SetList, FoldersGiveTheirPresetFilesInNameOrderAndMovesStopAtTheEnds) {
    const fs::path folder = fs::path(testing::TempDir()) / "corvane-set-list";
    fs::remove_all(folder);
    fs::create_directories(folder / "gig");
    for (const char* name : {"b-verse.cvp", "a-intro.CVP", "notes.txt", "c-outro.cvp"}) {
        std::ofstream(folder / "gig" / name) << "x";
    }
    SetList list = SetList::fromPaths({folder / "first.cvp", folder / "gig", folder / "last.cvp"});

    std::vector<std::string> names;
    do {
        names.push_back(list.current().filename().string());
    } while (list.next());
    EXPECT_EQ(names, (std::vector<std::string>{"first.cvp", "a-intro.CVP", "b-verse.cvp",
                                               "c-outro.cvp", "last.cvp"}));
    EXPECT_EQ(list.label(), "5/5  last.cvp");
    EXPECT_FALSE(list.next());
    EXPECT_EQ(list.position(), 4u);
    while (list.previous()) {
    }
    EXPECT_EQ(list.label(), "1/5  first.cvp");
    fs::remove_all(folder);
}

}  // namespace
}  // namespace corvane
