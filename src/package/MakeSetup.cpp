#include "package/MakeSetup.h"

#include <unistd.h>

#include <cerrno>
#include <variant>

#include "package/PackUnpack.h"
#include "profiles/TextFile.h"
#include "system/linux/FileReplacement.h"
#include "system/linux/WholeFile.h"

namespace zelto::package {

using system::FileError;
using system::systemError;

std::string setupCreatedText(const std::string& folder) {
    return std::string(kSetupName) + " created. To deploy Zelto and this configuration, send " +
           folder + kSetupName + " to your users. " + kSetupName +
           " can be executed from any folder. ";
}

namespace {

std::optional<FileError> buildPackage(profiles::Session& s, const std::string& programPath,
                                      ui::Prompter& prompt, system::FileReplacement& target) {
    for (std::size_t i = 0; i < kFileNames.size(); ++i) {
        s.FilePath = i == 0 ? programPath : s.InstallDir + kFileNames[i];
        system::FileRead file = system::readWholeFile(s.FilePath, kMaxRecordLength);
        if (file.error) {
            if (file.error->number == EFBIG)
                prompt.tell(kTooBigText);
            return file.error;
        }
        const std::string& data = file.bytes;
        std::optional<Trailer> trailer =
            WriteLengthTrailer(static_cast<std::uint32_t>(data.size()));
        if (!trailer) {
            prompt.tell(kTooBigText);
            return systemError(EFBIG);
        }
        if (auto e = target.write(data))
            return e;
        if (auto e = target.write(
                std::string_view(reinterpret_cast<const char*>(trailer->data()), trailer->size())))
            return e;
    }
    return std::nullopt;
}

}  // namespace

bool MakeSetup(profiles::Session& s, const std::string& programPath, ui::Prompter& prompt,
               system::SystemCalls& calls) {
    std::optional<FileError> error;
    {
        ui::BusyPointer busy(prompt);
        const std::string setupPath = s.InstallDir + kSetupName;
        s.FilePath = setupPath;
        // An old package is never left to be mistaken for the new one, whether or not this
        // build succeeds; the new one is built aside and renamed in only when complete.
        if (::unlink(setupPath.c_str()) != 0 && errno != ENOENT) {
            error = systemError(errno);
        } else {
            system::FileReplacement target(setupPath, calls);
            error = target.open();
            if (!error)
                error = buildPackage(s, programPath, prompt, target);
            if (!error) {
                s.FilePath = setupPath;
                error = target.commit(0755);
            }
        }
    }
    if (error) {
        prompt.tell(profiles::fileErrorMessage(s.FilePath, *error));
        prompt.tell(kMakeSetupProblemText);
        return false;
    }
    prompt.tell(setupCreatedText(s.InstallDir));
    return true;
}

}  // namespace zelto::package
