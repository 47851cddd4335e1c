#pragma once

#include "netparams/NetParamsGatherer.h"
#include "probes/NetworkServices.h"
#include "profiles/CheckerControls.h"
#include "profiles/Session.h"
#include "ui/ProgramEnd.h"
#include "ui/Prompter.h"

namespace zelto::profiles {

/// What the profile operations work on and talk through.
struct ProfileContext {
    Session& session;
    CheckerControls& controls;
    ui::Prompter& prompt;
    ui::ProgramEnd& end;
    netparams::NetParamsGatherer& net;
    probes::NetworkServices& probes;
};

/// Reads the profile of slot OfficeIndex into the table, learns "learn&save" items, offers to
/// save them and shows the slot. A profile with a problem ends the program.
void LoadProfile(ProfileContext& c);

/// Presents one slot on the main window and resets its run display.
void ShowTestSetup(ProfileContext& c, int index);

/// Fills the items of one row of the current slot from the PC's gateways, DHCP or DNS servers.
void AutoconfigTest(ProfileContext& c, int row);

/// Asks, then writes the current slot to its profile file. A failed write ends the program.
void SaveProfileFile(ProfileContext& c);

/// Shows this PC's address (or its absence) beside "This computer's IP address:".
void ShowLocalAddress(ProfileContext& c, const char* suffix);

}  // namespace zelto::profiles
