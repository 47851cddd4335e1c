#include "profiles/ProfileContext.h"
#include "profiles/ProfileMessages.h"
#include "profiles/TextFile.h"
#include "system/linux/FileReplacement.h"

namespace zelto::profiles {

namespace {

std::string profileText(const Session& s) {
    const int slot = s.OfficeIndex;
    std::string out = "[Configured By]\r\n" + s.Table.at(slot, 0, 4) + "\r\n";
    for (int row = 1; row <= MaxTestRow; ++row) {
        const std::string& name = s.Table.at(slot, row, 0);
        if (name == kBlank)
            break;
        out += "[" + bareName(name) + "]\r\n";
        out += s.Table.at(slot, row, MessageField) + "\r\n";
        for (int f = 1; f <= MaxItemField; ++f) {
            const std::string& item = s.Table.at(slot, row, f);
            if (item == kBlank)
                break;
            out += item + "\r\n";
        }
    }
    return out;
}

}  // namespace

void SaveProfileFile(ProfileContext& c) {
    Session& s = c.session;
    s.FilePath = profilePath(s, s.OfficeIndex);
    ui::Answer a = c.prompt.ask("Do you want to update the contents of the " + s.FilePath +
                                    " configuration file.  This is permanent. ",
                                ui::Buttons::YesNo, "Save to File");
    if (a != ui::Answer::Yes)
        return;
    std::optional<FileError> error;
    {
        ui::BusyPointer busy(c.prompt);
        error = system::replaceFile(s.FilePath, profileText(s));
    }
    if (error) {
        c.prompt.tell(fileErrorMessage(s.FilePath, *error));
        c.prompt.tell(msg::kIniSaveProblem);
        c.end.end(1);
    }
}

}  // namespace zelto::profiles
