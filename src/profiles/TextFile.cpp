#include "profiles/TextFile.h"

#include <cerrno>
#include <exception>
#include <new>
#include <system_error>

#include "system/linux/WholeFile.h"
#include "ui/Prompter.h"

namespace zelto::profiles {

std::string fileErrorMessage(const std::string& filePath, const FileError& error) {
    return std::string("Error for ") + ui::kAppTitle + ": File error for " + filePath + " " +
           ". Description=" + error.description + " - Error number=" + std::to_string(error.number);
}

FileError currentExceptionError() {
    constexpr int kInternalErrorNumber = 51;
    try {
        throw;
    } catch (const std::system_error& e) {
        return {e.code().value(), e.code().message()};
    } catch (const std::bad_alloc&) {
        return systemError(ENOMEM);
    } catch (const std::exception& e) {
        return {kInternalErrorNumber, e.what()};
    } catch (...) {
        return {kInternalErrorNumber, "Internal error"};
    }
}

ReadLinesResult readLines(const std::string& path) {
    ReadLinesResult result;
    system::FileRead file = system::readWholeFile(path, kTextFileLimit);
    if (file.error) {
        result.error = std::move(file.error);
        return result;
    }
    const std::string& text = file.bytes;
    std::string line;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '\r' || c == '\n') {
            result.lines.push_back(std::move(line));
            line.clear();
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
        } else {
            line.push_back(c);
        }
    }
    if (!line.empty())
        result.lines.push_back(std::move(line));
    return result;
}

}  // namespace zelto::profiles
