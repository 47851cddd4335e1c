#pragma once

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "package/PackUnpack.h"
#include "profiles/TextFile.h"
#include "system/linux/SystemCalls.h"
#include "ui/Controls.h"
#include "ui/ProgramEnd.h"
#include "ui/Prompter.h"
#include "ui/ScreenWindow.h"

namespace zelto::package {

inline constexpr const char* kAgreementHeadline = "Accept or Decline the Zelto Agreement";
inline constexpr const char* kDeclinedText =
    "No files installed.  Setup.run will end when you press OK";
inline constexpr const char* kUnpackProblemText =
    "Problem unpacking a file: zelto, InOffice.ini, OutofOffice.ini, UserGuide.txt, Help.txt "
    "or zelto-cli.  Progam will end";
inline constexpr ui::Color kOrange = 0x0080FF;

/// Where the installer reads its package and what it writes to.
struct InstallPlaces {
    /// The package: the installer's own file, by the name the user started it under.
    std::string package;
    /// The folder the program is installed to, with a trailing '/'.
    std::string installDir;
    /// The user's desktop folder, for the launcher and the removal script.
    std::string desktopDir;
};

/// The installer screen as a model: the agreement, then one status line per packed file as
/// it is unpacked, then the launcher and the removal script on the desktop.
class Progress {
  public:
    /// FileNam: 0 the headline, 1 to 6 the packed files in record order, 8 the folder line.
    static constexpr int kFolderLine = 8;

    Progress(InstallPlaces places, ui::Prompter& prompt, ui::ProgramEnd& end,
             system::SystemCalls& calls);
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;

    ui::ScreenWindow window{"Unpack Zelto Files from Setup.run"};
    std::array<ui::Label, 9> FileNam;
    ui::TextBox Agreement;
    ui::Button AcceptAgreement{"I Accept the Agreement"};
    ui::Button DeclineAgreement{"I Do Not Accept the Agreement"};
    ui::Label Label1{"STATUS"};
    ui::Button btnCloseScreen{"Exit Install"};

    /// Draws pending changes now; the unpacking runs on the UI thread between repaints.
    std::function<void()> repaint;
    /// Names the file being read or written, for messages.
    std::string FilePath;

    /// Shows the screen with the agreement to accept or decline.
    void ShowAgreement();
    /// Unpacks every file, then writes the launcher and the removal script.
    void AcceptAgreement_Click();
    void DeclineAgreement_Click();
    void btnCloseScreen_Click();
    /// The user closed the window: the installer ends, unless it is unpacking just now.
    void Form_Unload();

    const InstallPlaces& places() const { return places_; }

  private:
    void showFileLabels(bool shown);
    void setFileLine(std::size_t record, const char* state, ui::Color color);
    void paint();
    [[noreturn]] void fail(const profiles::FileError& error);

    // The steps of accepting, in order.
    void showUnpackScreen();
    std::string readPackage(std::vector<Record>& records);
    void prepareFolder();
    void unpackFiles(const std::string& package, const std::vector<Record>& records);
    void writeDesktopFiles();

    InstallPlaces places_;
    ui::Prompter& prompt_;
    ui::ProgramEnd& end_;
    system::SystemCalls& calls_;
    bool unpacking_ = false;
};

/// The agreement shown before anything is installed.
const char* agreementText();

}  // namespace zelto::package
