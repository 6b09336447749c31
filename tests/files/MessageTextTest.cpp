#include "files/MessageText.h"

#include <gtest/gtest.h>

#include <string>

namespace corvane {
namespace {

TEST(MessageText, EscapesControlsAndBytesThatAreNoUtf8AndKeepsEverythingElse) {
    const struct {
        std::string text;
        std::string shown;
    } cases[] = {
        {"plain * : SysEx, 1", "plain * : SysEx, 1"},
        {"\x1B]0;title\x07", "\\x1B]0;title\\x07"},
        {std::string("a\0b", 3), "a\\x00b"},
        {"\t\r\n\x1F", "\\x09\\x0D\\x0A\\x1F"},
        {" ~\x7F", " ~\\x7F"},
        {"\xC3\xA9\xE2\x82\xAC\xF0\x9F\x8E\xB9",
         "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x8E\xB9"},     // UTF-8 stays
        {"caf\xE9 \xA0\xFF", "caf\\xE9 \\xA0\\xFF"},  // stray bytes (Latin-1) do not
        {"\xC2\x9B"
         "2J \xC2\x85",
         "\\xC2\\x9B"
         "2J \\xC2\\x85"},  // C1 controls in UTF-8
        {"\x9B"
         "2J \x80\xC3",
         "\\x9B"
         "2J \\x80\\xC3"},                               // and as single bytes
        {"\xC0\x9B \xE2\x82", "\\xC0\\x9B \\xE2\\x82"},  // an overlong form is no UTF-8
        {"back\\slash", "back\\slash"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(escapeControlBytes(c.text), c.shown) << c.shown;
    }
}

}  // namespace
}  // namespace corvane
