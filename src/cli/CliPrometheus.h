#pragma once

#include <optional>
#include <string>

#include "cli/CliReport.h"
#include "system/FileError.h"

namespace zelto::cli {

/// The run as Prometheus text-exposition metrics, for node_exporter's textfile collector: the
/// outcome of every checked test (0 passed, 1 problem, 2 failed, 3 stopped or not run), the
/// counts per outcome, the run's status (the exit status), duration and end time
/// (`endTime`, seconds since the Unix epoch). Profile and test names are escaped labels.
std::string prometheusText(const RunReport& report, double endTime);

/// The metrics of a run that could not happen for `profile`: status 3 and the end time only,
/// so an alert sees a fresh failure instead of the last good run's values.
std::string prometheusFailure(const std::string& profile, double endTime);

/// Writes `text` to `path` atomically: a collector reading at any moment sees the old file or
/// the new one, never half of one.
std::optional<system::FileError> writeMetricsFile(const std::string& path, const std::string& text);

}  // namespace zelto::cli
