// The draws of hvdtool range in blocks, for several threads: a partition
// that depends on the number of draws only, a generator of its own for each
// block, and the threads that work through the blocks in any order. Each
// block writes only its own results, so the outcome is the same on one
// thread or many.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "tools/hvdtool/range/range_sampler.h"

// Accepted draws per block; the last block takes what is left.
const std::uint64_t DrawBlockSize = 2048;

std::size_t DrawBlockCount(std::uint64_t samples);

// The first draw of a block and the number of its draws.
std::uint64_t DrawBlockStart(std::size_t block);
std::uint64_t DrawBlockLength(std::uint64_t samples, std::size_t block);

// The blocks' generators: block 0 the seed's own, as a run on one block
// always drew, each next one 2^128 draws further on (RandomSource::Jump),
// so no block ever draws another's numbers.
std::vector<RandomSource> DrawBlockSources(std::uint64_t seed, std::size_t blocks);

// Whether a block should give up on draws the wizard refuses nearly
// always: below one accepted draw in 100, looked at every 10,000 attempts,
// what is drawn leaves the wizard almost no room.
inline bool DrawsHopeless(std::uint64_t attempts, std::uint64_t accepted)
{
    return attempts % 10000 == 0 && accepted < attempts / 100;
}

// The threads a run uses unless told: one per processor the system reports.
unsigned DefaultThreadCount();

// Runs work(block) for every block, on the calling thread and up to
// threads - 1 more (fewer where the system refuses to start one), each
// taking the next block that none has taken. Every thread sets the x87
// control word for the model before its first block. afterBlock runs on
// the calling thread after each block that thread ran (the progress).
void RunBlocks(std::size_t blocks, unsigned threads, const std::function<void(std::size_t)>& work,
               const std::function<void()>& afterBlock);
