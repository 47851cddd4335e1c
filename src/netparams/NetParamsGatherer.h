#pragma once

#include <string>

#include "netparams/Snapshot.h"

namespace zelto::netparams {

/// GatherNetParams as its callers see it: refresh the snapshot (and, as every gather does,
/// the main window's adapter indicator) and read the result.
class NetParamsGatherer {
  public:
    virtual ~NetParamsGatherer() = default;
    virtual void GatherNetParams(const std::string& mode, bool explanation) = 0;
    virtual const Snapshot& snapshot() const = 0;
};

}  // namespace zelto::netparams
