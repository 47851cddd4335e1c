#pragma once

#include <cstdlib>

namespace zelto::ui {

/// Ends the program. Nothing after a call to end() runs.
class ProgramEnd {
  public:
    virtual ~ProgramEnd() = default;
    [[noreturn]] void end(int status) {
        doEnd(status);
        std::abort();  // an implementation that returned would break the promise above
    }

  protected:
    virtual void doEnd(int status) = 0;
};

/// Leaves the process with `status`.
class ExitProgramEnd : public ProgramEnd {
  protected:
    void doEnd(int status) override;
};

/// Thrown by ThrowingProgramEnd, so a test sees the end and the status.
struct ProgramEnded {
    int status;
};

class ThrowingProgramEnd : public ProgramEnd {
  protected:
    void doEnd(int status) override { throw ProgramEnded{status}; }
};

}  // namespace zelto::ui
