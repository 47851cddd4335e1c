// How long one gather of the network parameters and one interface listing take on this PC.
// The gather runs every second while the PC waits for an address, so it must stay cheap.
// Both only read the configuration (netlink dumps, sysfs, /etc, /proc): no packet is sent.

#include <benchmark/benchmark.h>

#include "netparams/AdpaterStatus.h"
#include "netparams/linux/LinuxNetParams.h"

namespace {

using zelto::netparams::LinuxNetParams;

void GatherNetParams(benchmark::State& state, const char* mode, bool explanation) {
    LinuxNetParams platform;
    for (auto _ : state) {
        platform.gatherer().GatherNetParams(mode, explanation);
        benchmark::DoNotOptimize(platform.gatherer().snapshot().NetParamReport.data());
    }
}
BENCHMARK_CAPTURE(GatherNetParams, Nothing, "Nothing", true)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(9)
    ->ReportAggregatesOnly(true);
BENCHMARK_CAPTURE(GatherNetParams, Everything, "Everything", true)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(9)
    ->ReportAggregatesOnly(true);

void InterfaceListing(benchmark::State& state) {
    LinuxNetParams platform;
    for (auto _ : state) {
        auto text = zelto::netparams::interfaceListing(platform.interfaces());
        benchmark::DoNotOptimize(text);
    }
}
BENCHMARK(InterfaceListing)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(9)
    ->ReportAggregatesOnly(true);

}  // namespace
