// Profile text as the text boxes show it: any bytes, shown in the encoding they appear to be
// in and stored back unedited, come back byte for byte; the UTF-8 cuts never split a character.
#include <cstdint>
#include <cstdlib>

#include "ScratchFolder.h"
#include "system/Utf8.h"
#include "ui/BoxText.h"

using namespace zelto;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes = fuzz::asText(data, size);
    const ui::TextEncoding encoding = ui::encodingOf(bytes);
    const std::string shown = ui::toUtf8(bytes, encoding);
    if (!ui::isValidUtf8(shown) || ui::fromUtf8(shown, encoding) != std::string(bytes))
        std::abort();

    const std::size_t limit = size == 0 ? 0 : data[0] % 16;
    const std::string_view cut = system::utf8::cutToBytes(shown, limit);
    if (cut.size() > limit || !shown.starts_with(cut) || !ui::isValidUtf8(cut))
        std::abort();
    const std::string_view first = system::utf8::firstCharacters(shown, limit);
    const std::size_t count = system::utf8::characterCount(shown);
    if (!shown.starts_with(first) || !ui::isValidUtf8(first) ||
        system::utf8::characterCount(first) != std::min(limit, count))
        std::abort();
    return 0;
}
