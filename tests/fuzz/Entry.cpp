// The entry point libFuzzer calls, and the corpus replay too: each input to the harness as text.
#include <cstddef>
#include <cstdint>

#include "Fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    zelto::fuzz::one({reinterpret_cast<const char*>(data), size});
    return 0;
}
