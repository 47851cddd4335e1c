#pragma once

namespace zelto::run {

/// How a checked row ended in the last run: its status box says the same in words.
enum class RowOutcome { NotRun, Passed, Failed, Problem, Stopped };

}  // namespace zelto::run
