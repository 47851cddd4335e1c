#pragma once

namespace zelto::lab {

/// Brings link `name` of the current network namespace up: 0, or the errno of the failure.
/// Only system calls, so a freshly forked child may use it.
int bringLinkUp(const char* name) noexcept;

}  // namespace zelto::lab
