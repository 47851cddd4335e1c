#include <string>

#include "profiles/ProfileContext.h"
#include "profiles/ProfileMessages.h"
#include "profiles/TextFile.h"

namespace zelto::profiles {

namespace {

void resetSlot(TestTable& t, int slot) {
    for (int row = 0; row <= MaxTestRow; ++row) {
        for (int f = 0; f < MessageField; ++f)
            t.at(slot, row, f) = kBlank;
        t.at(slot, row, MessageField) = kNoMessage;
    }
    t.at(slot, 0, 0) = "1) Loop Back";
    t.at(slot, 0, 1) = "127.0.0.1";
    t.at(slot, 0, MessageField) = "use your network device for TCP/IP networking";
}

[[noreturn]] void failLoad(ProfileContext& c, const FileError& e) {
    c.prompt.tell(fileErrorMessage(c.session.FilePath, e));
    c.prompt.tell(msg::kIniProblem);
    c.end.end(1);
}

}  // namespace

void LoadProfile(ProfileContext& c) {
    Session& s = c.session;
    const int slot = s.OfficeIndex;
    s.FilePath = profilePath(s, slot);
    resetSlot(s.Table, slot);
    int testCount = 0;
    int itemCount = 0;
    s.Learnt = false;
    bool problem = false;

    ReadLinesResult file = readLines(s.FilePath);
    if (file.error)
        failLoad(c, *file.error);
    const auto& lines = file.lines;
    if (lines.size() < 2)
        failLoad(c, {msg::kPastEndNumber, msg::kPastEnd});
    s.Table.at(slot, 0, 4) = lines[1];

    for (std::size_t i = 2; i < lines.size(); ++i) {
        std::string line = trimSpaces(lines[i]);
        if (isHeader(line)) {
            itemCount = 0;
            ++testCount;
            if (testCount > MaxTestRow)
                failLoad(c, {msg::kOutOfRangeNumber, msg::kOutOfRange});
            s.Table.at(slot, testCount, 0) =
                std::to_string(testCount + 1) + ") " + line.substr(1, line.size() - 2);
            if (++i >= lines.size())
                failLoad(c, {msg::kPastEndNumber, msg::kPastEnd});
            s.Table.at(slot, testCount, MessageField) = lines[i];
            continue;
        }
        ++itemCount;
        if (itemCount > MaxItemField) {
            problem = true;
            break;
        }
        s.Table.at(slot, testCount, itemCount) = line;
        if (lower(line) == "learn&save")
            AutoconfigTest(c, testCount);
    }

    if (problem) {
        c.prompt.tell(std::string("Check the ") + (slot != 0 ? "InOffice" : "OutofOffice") +
                      msg::kProfileProblemTail);
        c.end.end(1);
    }
    if (s.Learnt) {
        ui::Answer a =
            c.prompt.ask("Zelto has learnt and loaded some of your basic network parameters for " +
                             s.FilePath + ".  Do you want to permanently save these values?",
                         ui::Buttons::YesNo, "Update " + s.FilePath);
        if (a == ui::Answer::Yes)
            SaveProfileFile(c);
    }
    ShowTestSetup(c, s.OfficeIndex);
    c.controls.Banner.setText("Configured by " + s.Table.at(s.OfficeIndex, 0, 4));
}

}  // namespace zelto::profiles
