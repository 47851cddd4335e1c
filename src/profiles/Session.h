#pragma once

#include <string>

#include "profiles/TestTable.h"

namespace zelto::profiles {

/// The run state the probes, the engine and the screens share.
struct RunState {
    /// 0 waiting, 2 connected, 9 connect error, 10 stop requested.
    int ConnectState = 0;
    int TargetPort = 0;
    bool AnyItemFailed = false;
    bool AnyItemPassed = false;
    /// Run number 0 to 999.
    int PassCount = 0;
    std::string RunSource;
    bool BalloonShown = false;
    bool FailureRepeated = false;
    std::string RunSummary;
};

inline constexpr int kWaiting = 0;
inline constexpr int kConnected = 2;
inline constexpr int kConnectError = 9;
inline constexpr int kStopRequested = 10;

/// The values that live for the whole process and that several subsystems read and write.
/// main() creates one; tests create fresh ones.
struct Session {
    /// The program folder, with a trailing '/'.
    std::string InstallDir;
    TestTable Table;
    /// Profile slot in use: 0 Out of Office, 1 In Office.
    int OfficeIndex = 0;
    /// Rows shown, Loop Back included.
    int TestCount = 0;
    bool Learnt = false;
    bool SettingUpTests = false;
    /// Names the file being read or written, for messages.
    std::string FilePath;
    /// This PC's address ("Blank!" when none); during a run the item under test.
    std::string LocalIP;
    RunState Run;
};

inline constexpr const char* kOutOfOfficeFile = "OutofOffice.ini";
inline constexpr const char* kInOfficeFile = "InOffice.ini";

/// Path of the profile file of a slot.
inline std::string profilePath(const Session& s, int slot) {
    return s.InstallDir + (slot != 0 ? kInOfficeFile : kOutOfOfficeFile);
}

}  // namespace zelto::profiles
