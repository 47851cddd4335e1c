#include "screens/Progress.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string_view>
#include <utility>
#include <variant>

#include "package/CopyShortCuts.h"
#include "package/PackUnpack.h"
#include "system/linux/FileReplacement.h"
#include "system/linux/Folders.h"
#include "system/linux/WholeFile.h"

namespace zelto::package {

using system::FileError;
using system::makeFolders;
using system::replaceFile;

const char* agreementText() {
    return "Conditions of use\r\n"
           "Zelto is provided to you by your IT group for checking the network connection of "
           "this PC. You may install and use it on PCs you are allowed to use for that purpose. "
           "You may not sell it or pass it on outside your organisation.\r\n"
           "\r\n"
           "No warranty\r\n"
           "Zelto is provided \"as is\", without warranty of any kind, express or implied, "
           "including but not limited to the warranties of merchantability, fitness for a "
           "particular purpose and non-infringement. Its results describe the network as it "
           "answered at the time of the test and may be incomplete or wrong.\r\n"
           "\r\n"
           "Limitation of liability\r\n"
           "In no event shall the authors or distributors be liable for any claim, damages or "
           "other liability arising from, out of or in connection with Zelto or its use, "
           "including loss of data, loss of connection or loss of business.\r\n"
           "\r\n"
           "Governing law\r\n"
           "This agreement is governed by the law of the country in which the organisation "
           "that gave you Zelto has its seat.\r\n";
}

namespace {

bool isFolder(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool exists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

std::string withSlash(std::string dir) {
    if (dir.empty() || dir.back() != '/')
        dir += '/';
    return dir;
}

}  // namespace

Progress::Progress(InstallPlaces places, ui::Prompter& prompt, ui::ProgramEnd& end,
                   system::SystemCalls& calls)
    : places_(std::move(places)), prompt_(prompt), end_(end), calls_(calls) {
    places_.installDir = withSlash(places_.installDir);
    places_.desktopDir = withoutTrailingSlash(places_.desktopDir);
    window.setSize(9600, 6600);
    window.setVisible(false);
    FileNam[kFolderLine].setColor(ui::kBlue);
    AcceptAgreement.onClick = [this] { AcceptAgreement_Click(); };
    DeclineAgreement.onClick = [this] { DeclineAgreement_Click(); };
    btnCloseScreen.onClick = [this] { btnCloseScreen_Click(); };
}

void Progress::paint() {
    if (repaint)
        repaint();
}

void Progress::showFileLabels(bool shown) {
    for (std::size_t i = 1; i <= kFileNames.size(); ++i)
        FileNam[i].setVisible(shown);
}

void Progress::setFileLine(std::size_t record, const char* state, ui::Color color) {
    ui::Label& label = FileNam[record + 1];
    label.setText(state + places_.installDir + kFileNames[record]);
    label.setColor(color);
}

void Progress::ShowAgreement() {
    window.show();
    showFileLabels(false);
    FileNam[kFolderLine].setVisible(false);
    btnCloseScreen.setVisible(false);
    Agreement.setVisible(true);
    AcceptAgreement.setVisible(true);
    DeclineAgreement.setVisible(true);
    FileNam[0].setText(kAgreementHeadline);
    Agreement.setText(agreementText());
}

void Progress::DeclineAgreement_Click() {
    prompt_.tell(kDeclinedText);
    end_.end(0);
}

void Progress::btnCloseScreen_Click() {
    end_.end(0);
}

void Progress::Form_Unload() {
    // Ending between two files would leave a temporary file behind and the user unsure what
    // was installed; the unpacking takes seconds at most.
    if (unpacking_)
        return;
    end_.end(0);
}

void Progress::fail(const FileError& error) {
    prompt_.setBusy(false);
    prompt_.tell(profiles::fileErrorMessage(FilePath, error));
    prompt_.tell(kUnpackProblemText);
    end_.end(1);
}

void Progress::showUnpackScreen() {
    const std::string& dir = places_.installDir;
    Agreement.setVisible(false);
    AcceptAgreement.setVisible(false);
    DeclineAgreement.setVisible(false);
    FileNam[kFolderLine].setText("");
    showFileLabels(true);
    FileNam[kFolderLine].setVisible(true);
    FileNam[0].setText(
        "Setup.run unpacks the Zelto program and its support files and copies "
        "them to " +
        dir +
        ". The files are packed within Setup.run and are listed left and right "
        "on this screen. As the files are copied they will turn green.");
    for (std::size_t r = kFileNames.size(); r-- > 0;)
        setFileLine(r, "Not Unpacked ", ui::kRed);
    paint();
}

std::string Progress::readPackage(std::vector<Record>& records) {
    // The whole package is read and checked before anything is created or replaced: a cut
    // download or a damaged copy must not leave a half-installed program over a working one.
    FilePath = places_.package;
    system::FileRead read = system::readWholeFile(
        places_.package, kFileNames.size() * (kMaxRecordLength + kTrailerSize), calls_);
    if (read.error)
        fail(*read.error);
    std::optional<std::vector<Record>> found = FindPackageRecords(read.bytes);
    if (!found)
        fail({EBADMSG, "The package at the end of this file is damaged or incomplete"});
    records = std::move(*found);
    // An older package has no command-line checker: its line would only ever stay red.
    for (std::size_t r = records.size(); r < kFileNames.size(); ++r)
        FileNam[r + 1].setVisible(false);
    return std::move(read.bytes);
}

void Progress::prepareFolder() {
    const std::string& dir = places_.installDir;
    ui::Label& folderLine = FileNam[kFolderLine];
    if (isFolder(dir)) {
        folderLine.setText(dir + " already exists.  ");
        paint();
        if (prompt_.ask("Setup.run will write over existing files in " + dir +
                            ". Do you want to continue (No ends the program)",
                        ui::Buttons::YesNo, "Go") != ui::Answer::Yes)
            end_.end(0);
    } else {
        FilePath = dir;
        if (auto e = makeFolders(withoutTrailingSlash(dir), calls_))
            fail(*e);
        folderLine.setText("Creating Folder.  " + dir);
        paint();
    }
    folderLine.append(".       zelto and support files will be copied to " + dir);
    paint();
}

void Progress::unpackFiles(const std::string& package, const std::vector<Record>& records) {
    const std::string& dir = places_.installDir;
    prompt_.setBusy(true);
    for (std::size_t r = records.size(); r-- > 0;) {
        const std::string name = kFileNames[r];
        FilePath = dir + name;
        if (exists(FilePath) && (name == "InOffice.ini" || name == "OutofOffice.ini")) {
            // The question comes with the hourglass showing; the prompter keeps it answerable.
            if (prompt_.ask("Do you want to keep your current " + name, ui::Buttons::YesNo, "Go") ==
                ui::Answer::Yes)
                continue;
        }
        setFileLine(r, "Unpacking ", kOrange);
        paint();
        const Record& rec = records[r];
        // Each file replaces the old one in a single rename, so a full disk leaves the old
        // file whole instead of a cut one. Both programs are executables.
        const bool program = name == kFileNames.front() || name == kFileNames.back();
        if (auto e = replaceFile(FilePath, std::string_view(package).substr(rec.offset, rec.length),
                                 program ? 0755 : 0644, calls_))
            fail(*e);
        setFileLine(r, "Unpacked ", ui::kGreen);
        paint();
    }
    prompt_.setBusy(false);
}

void Progress::writeDesktopFiles() {
    FilePath = places_.desktopDir;
    if (auto e = makeFolders(places_.desktopDir, calls_))
        fail(*e);
    const std::string launcher = places_.desktopDir + "/" + kLauncherName;
    FilePath = launcher;
    // Desktops start only launchers marked executable.
    if (auto e =
            replaceFile(launcher, launcherText(places_.installDir + kFileNames[0]), 0755, calls_))
        fail(*e);
    FilePath = places_.desktopDir + "/" + kRemovalScriptName;
    if (auto e = replaceFile(FilePath, removalScript(places_.installDir, launcher), 0755, calls_))
        fail(*e);
}

void Progress::AcceptAgreement_Click() {
    unpacking_ = true;
    showUnpackScreen();
    std::vector<Record> records;
    const std::string package = readPackage(records);
    prepareFolder();
    unpackFiles(package, records);

    const bool withCli = records.size() == kFileNames.size();
    ui::Label& folderLine = FileNam[kFolderLine];
    folderLine.setText(std::string("The program zelto, ") +
                       (withCli ? "the command-line checker zelto-cli, " : "") +
                       "the profiles InOffice.ini and OutofOffice.ini, the help file Help.txt "
                       "and the user guide UserGuide.txt were unpacked to " +
                       places_.installDir);
    folderLine.setColor(ui::kGreen);
    paint();

    writeDesktopFiles();
    unpacking_ = false;
    btnCloseScreen.setVisible(true);
    paint();
}

}  // namespace zelto::package
