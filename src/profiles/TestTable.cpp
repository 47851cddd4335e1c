#include "profiles/TestTable.h"

#include <algorithm>

namespace zelto::profiles {

std::string lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) {
        return static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    });
    return text;
}

std::string trimSpaces(const std::string& line) {
    const std::size_t b = line.find_first_not_of(' ');
    if (b == std::string::npos)
        return {};
    return line.substr(b, line.find_last_not_of(' ') - b + 1);
}

}  // namespace zelto::profiles
