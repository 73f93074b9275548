#include "tools/hvdtool/range/draw_blocks.h"

#include <atomic>
#include <system_error>
#include <thread>

#include "model/extended_math.h"

std::size_t DrawBlockCount(std::uint64_t samples)
{
    return static_cast<std::size_t>((samples + DrawBlockSize - 1) / DrawBlockSize);
}

std::uint64_t DrawBlockStart(std::size_t block)
{
    return static_cast<std::uint64_t>(block) * DrawBlockSize;
}

std::uint64_t DrawBlockLength(std::uint64_t samples, std::size_t block)
{
    std::uint64_t start = DrawBlockStart(block);
    return samples - start < DrawBlockSize ? samples - start : DrawBlockSize;
}

std::vector<RandomSource> DrawBlockSources(std::uint64_t seed, std::size_t blocks)
{
    std::vector<RandomSource> sources;
    sources.reserve(blocks);
    RandomSource source(seed);
    for (std::size_t i = 0; i < blocks; ++i) {
        sources.push_back(source);
        source.Jump();
    }
    return sources;
}

unsigned DefaultThreadCount()
{
    unsigned processors = std::thread::hardware_concurrency();
    return processors == 0 ? 1 : processors;
}

void RunBlocks(std::size_t blocks, unsigned threads, const std::function<void(std::size_t)>& work,
               const std::function<void()>& afterBlock)
{
    std::atomic<std::size_t> next(0);
    auto worker = [&next, blocks, &work](const std::function<void()>* after) {
        // A new thread on Windows computes with 53-bit significands.
        SetExtendedPrecision();
        for (std::size_t block = next++; block < blocks; block = next++) {
            work(block);
            if (after) (*after)();
        }
    };
    std::vector<std::thread> others;
    for (unsigned i = 1; i < threads && i < blocks; ++i) {
        try {
            others.emplace_back(worker, nullptr);
        } catch (const std::system_error&) {
            break;  // the threads started so far, and this one, do the work
        }
    }
    worker(&afterBlock);
    for (std::thread& t : others) t.join();
}
