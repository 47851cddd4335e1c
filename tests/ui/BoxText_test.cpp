#include "ui/BoxText.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace zelto::ui {
namespace {

// Every text a box may be given comes back byte for byte through display and edit, and only
// strict UTF-8 is edited as UTF-8.
TEST(BoxText, BytesSurviveTheWayThroughTheBox) {
    std::string everyByte;
    for (int b = 1; b < 256; ++b)
        everyByte += static_cast<char>(b);
    struct Case {
        std::string bytes;
        TextEncoding encoding;
        std::string shown;  // empty: not checked
    };
    const std::vector<Case> cases{
        {"plain", TextEncoding::Utf8, "plain"},
        {"caf\xc3\xa9 \xf0\x9f\x98\x80", TextEncoding::Utf8, "caf\xc3\xa9 \xf0\x9f\x98\x80"},
        {"caf\xe9", TextEncoding::Windows1252, "caf\xc3\xa9"},
        {"\x80\x81\x9f", TextEncoding::Windows1252, "\xe2\x82\xac\xc2\x81\xc5\xb8"},
        {"\xc0\xaf", TextEncoding::Windows1252, ""},          // overlong "/"
        {"\xed\xa0\x80", TextEncoding::Windows1252, ""},      // a surrogate
        {"\xf4\x90\x80\x80", TextEncoding::Windows1252, ""},  // above U+10FFFF
        {"\xe2\x82", TextEncoding::Windows1252, ""},          // cut short
        {everyByte, TextEncoding::Windows1252, ""},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.bytes);
        EXPECT_EQ(encodingOf(k.bytes), k.encoding);
        const std::string shown = toUtf8(k.bytes, k.encoding);
        EXPECT_TRUE(isValidUtf8(shown));
        if (!k.shown.empty()) {
            EXPECT_EQ(shown, k.shown);
        }
        EXPECT_EQ(fromUtf8(shown, k.encoding), k.bytes);
    }
}

TEST(BoxText, ACharacterWindows1252CannotHoldIsRefused) {
    EXPECT_EQ(fromUtf8("\xe2\x82\xac 5", TextEncoding::Windows1252), "\x80 5");
    EXPECT_EQ(fromUtf8("\xe4\xb8\xad", TextEncoding::Windows1252), std::nullopt);
    EXPECT_EQ(fromUtf8("\xe4\xb8\xad", TextEncoding::Utf8), "\xe4\xb8\xad");
}

}  // namespace
}  // namespace zelto::ui
