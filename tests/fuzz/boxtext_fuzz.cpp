// Profile text as the text boxes show it: any bytes, shown in the encoding they appear to be
// in and stored back unedited, come back byte for byte; the UTF-8 cuts never split a character.
#include "Fuzz.h"
#include "system/Utf8.h"
#include "ui/BoxText.h"

void zelto::fuzz::one(std::string_view bytes) {
    const ui::TextEncoding encoding = ui::encodingOf(bytes);
    const std::string shown = ui::toUtf8(bytes, encoding);
    require(ui::isValidUtf8(shown) && ui::fromUtf8(shown, encoding) == bytes);

    const std::size_t limit = bytes.empty() ? 0 : static_cast<unsigned char>(bytes[0]) % 16;
    const std::string_view cut = system::utf8::cutToBytes(shown, limit);
    require(cut.size() <= limit && shown.starts_with(cut) && ui::isValidUtf8(cut));
    const std::string_view first = system::utf8::firstCharacters(shown, limit);
    const std::size_t count = system::utf8::characterCount(shown);
    require(shown.starts_with(first) && ui::isValidUtf8(first) &&
            system::utf8::characterCount(first) == std::min(limit, count));
}
