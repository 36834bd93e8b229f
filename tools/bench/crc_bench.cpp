// Throughput of the flash CRCs: the table-driven forms every download uses, and the
// bit-by-bit definitions they are checked against.

#include "protocol/crc.h"

#include <benchmark/benchmark.h>

#include <random>
#include <vector>

namespace {

std::vector<uint8_t> sector(size_t size)
{
    std::vector<uint8_t> bytes(size);
    std::mt19937 rng(1);
    for (auto& b : bytes)
        b = static_cast<uint8_t>(rng());
    return bytes;
}

// One 64 KB flash sector per iteration, and a 16 MB image for the whole-file case.
constexpr size_t kSector = 64 * 1024;

void BM_Crc16ArcTable(benchmark::State& state)
{
    const auto data = sector(static_cast<size_t>(state.range(0)));
    for (auto _ : state) {
        kyv::CrcAccumulator acc;
        acc.feedArc(data);
        benchmark::DoNotOptimize(acc.arcValue());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
}

void BM_CrcDirectTable(benchmark::State& state)
{
    const auto data = sector(static_cast<size_t>(state.range(0)));
    for (auto _ : state) {
        kyv::CrcAccumulator acc(1);
        acc.feedDirect(data);
        benchmark::DoNotOptimize(acc.directValue());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
}

void BM_Crc16ArcBitByBit(benchmark::State& state)
{
    const auto data = sector(kSector);
    for (auto _ : state) {
        kyv::CrcCells cells{};
        for (uint8_t b : data)
            kyv::crc16Arc(cells, b);
        benchmark::DoNotOptimize(kyv::packCells(cells));
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kSector));
}

void BM_CrcDirectBitByBit(benchmark::State& state)
{
    const auto data = sector(kSector);
    for (auto _ : state) {
        uint16_t direct = 0;
        for (uint8_t b : data)
            kyv::crc16CcittDirect(direct, b);
        benchmark::DoNotOptimize(direct);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kSector));
}

} // namespace

BENCHMARK(BM_Crc16ArcTable)->Arg(kSector)->Arg(16 << 20);
BENCHMARK(BM_CrcDirectTable)->Arg(kSector)->Arg(16 << 20);
BENCHMARK(BM_Crc16ArcBitByBit);
BENCHMARK(BM_CrcDirectBitByBit);
