// message_test.cpp - names made safe to echo: control characters and stray bytes escaped, long names shortened
// in the middle, nothing else changed.
#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "message.h"

namespace {

TEST(Printable, EscapesWhatSteersATerminalAndShortensLongTextsKeepingTheirEnds)
{
    const std::string hundredAndOne = std::string(97, 'a') + ".png";
    const std::string megabyte = std::string(1 << 20, 'x') + std::string(56, 'e') + ".png";
    const std::pair<std::string, std::string> cases[] = {
        {"", ""},
        {"sub/Bild mit Ümlaut – 1.png", "sub/Bild mit Ümlaut – 1.png"},
        {"a\nb\rc\td", "a\\nb\\rc\\td"},
        {"\x1b[2J\x7f.png", "\\x1B[2J\\x7F.png"},
        {"\xc2\x9b" "31m", "\\xC2\\x9B31m"},          // a C1 control, written in UTF-8
        {"\xff\xc0\xaf\xe0\x80\xaf\xed\xa0\x80", "\\xFF\\xC0\\xAF\\xE0\\x80\\xAF\\xED\\xA0\\x80"}, // stray, overlong twice, a surrogate
        {"\xe2\x82", "\\xE2\\x82"},                   // cut short
        {"\xf0\x9f\x8e\xb5", "\xf0\x9f\x8e\xb5"},    // past the basic plane
        {hundredAndOne, hundredAndOne},
        {hundredAndOne + "x", std::string(40, 'a') + "…" + std::string(55, 'a') + ".pngx"},
        {megabyte, std::string(40, 'x') + "…" + std::string(56, 'e') + ".png"},
        {std::string(300, '\n'), [] {
             std::string escaped;
             for (int i = 0; i < 100; ++i)
                 escaped += i == 40 ? "…\\n" : "\\n";
             return escaped;
         }()},
    };
    for (const auto &[text, shown] : cases)
        EXPECT_EQ(Printable(text), shown) << text.substr(0, 80);
}

} // namespace
