#include "profiles/Startup.h"

namespace zelto::profiles {

namespace {

std::string baseName(const std::string& path) {
    std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

std::string programFolder(const std::string& exePath) {
    std::size_t slash = exePath.find_last_of('/');
    return slash == std::string::npos ? std::string("./") : exePath.substr(0, slash + 1);
}

int CheckExeName(const std::string& exePath, ui::Prompter& prompt, ui::ProgramEnd& end,
                 const std::function<void()>& runInstaller) {
    std::string name = baseName(exePath);
    std::size_t dot = name.find_last_of('.');
    if (dot != std::string::npos && dot > 0)
        name.resize(dot);
    name = lower(name);
    if (name == "setup") {
        if (prompt.ask("Do you want to install Zelto (No ends the program)", ui::Buttons::YesNo,
                       "Go") != ui::Answer::Yes) {
            end.end(0);
        }
        runInstaller();
        return 1;
    }
    if (name == "zelto")
        return 0;
    prompt.tell(kWrongNameText);
    end.end(1);
}

void OfficeOption_Click(ProfileContext& c, int index) {
    c.controls.Continuous.setValue(false);
    c.controls.BeepifPassed.setValue(false);
    if (index == 1 && c.session.Table.at(1, 0, 0).empty()) {
        c.session.OfficeIndex = 1;
        LoadProfile(c);
    } else {
        ShowTestSetup(c, index);
    }
}

}  // namespace zelto::profiles
