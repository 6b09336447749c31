#include "files/MessageText.h"

#include <gtest/gtest.h>

#include <string>

namespace corvane {
namespace {

TEST(MessageText, EscapesControlBytesAndKeepsEverythingElse) {
    const struct {
        std::string text;
        std::string shown;
    } cases[] = {
        {"plain * : SysEx, 1", "plain * : SysEx, 1"},
        {"\x1B]0;title\x07", "\\x1B]0;title\\x07"},
        {std::string("a\0b", 3), "a\\x00b"},
        {"\t\r\n\x1F", "\\x09\\x0D\\x0A\\x1F"},
        {" ~\x7F", " ~\\x7F"},
        {"\xC3\xA9\x80\xFF", "\xC3\xA9\x80\xFF"},  // UTF-8 and other high bytes stay
        {"back\\slash", "back\\slash"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(escapeControlBytes(c.text), c.shown) << c.shown;
    }
}

}  // namespace
}  // namespace corvane
