#pragma once

#include <string>

namespace zelto::run {

/// Traffic-light icons: red when a test failed, amber for a problem, green when all passed.
inline constexpr int kIconFailed = 101;
inline constexpr int kIconProblem = 102;
inline constexpr int kIconPassed = 103;

/// The tray operations a run needs. The tray itself sits above the run library, so the main
/// window hands the engine an adapter over it.
class TrayActions {
  public:
    virtual ~TrayActions() = default;
    /// Makes `iconId` the window's icon with `tip`; the tray shows it at once only while the
    /// window is minimised.
    virtual void SetTrayIcon(int iconId, const std::string& tip) = 0;
    /// Keeps the current icon and raises a balloon; always handed to the tray.
    virtual void ShowTrayBalloon(const std::string& tip, const std::string& info, int timeout,
                                 const std::string& title, int infoFlags) = 0;
    /// Brings the window back from the tray in normal state.
    virtual void mnuShow_Click() = 0;
};

}  // namespace zelto::run
