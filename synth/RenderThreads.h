// Sharing one render among threads: the block is cut into chunks of whole frames, handed out in
// order to worker threads and to the calling thread, which alone reports progress.
#pragma once

#include <cstdint>

#include "synth/Synthesis.h"

namespace quilbo::synth {

// Blocks smaller than this render on the calling thread alone: starting threads would cost more
// than they save.
inline constexpr std::uint64_t kThreadedMinBytes = std::uint64_t{1} << 21;
// More chunks than threads, so that a thread slowed by other work on the machine is made up for
// by the others, and so that progress moves in small steps.
inline constexpr unsigned kMaxChunks = 256;
inline constexpr std::uint64_t kMinChunkFrames = 8192;
inline constexpr unsigned kMaxRenderThreads = 64;
// A source whose state must be walked frame by frame to a chunk's start is shared only when its
// frames are at least this wide (the walk is then a small part of the work).
inline constexpr std::uint64_t kSequentialMinFrameBytes = 12;

// The threads a render may use: the environment variable QUILBO_RENDER_THREADS when it holds a
// whole number from 1 up (1 renders everything on the calling thread, as benchmarks compare),
// otherwise every hardware thread. At most kMaxRenderThreads.
unsigned renderThreadCount() noexcept;

struct ChunkPlan {
    std::uint64_t frames = 0;       // frames in the block, a cut-short last one included
    std::uint64_t chunkFrames = 0;  // every chunk but the last has exactly this many
    unsigned chunks = 1;
    unsigned threads = 1;  // 1: the calling thread renders the whole block with full progress
};

// How a block of `blockBytes` holding `frames` frames is shared among renderThreadCount()
// threads (not asked for a block below kThreadedMinBytes).
ChunkPlan planChunks(std::uint64_t frames, std::uint64_t blockBytes) noexcept;

// The work of one render, as plain functions on a context, so that the thread machinery is
// written once for every source and depth.
struct ChunkJob {
    void* context = nullptr;
    // Makes chunk c + 1's starting state ready; called for c = 0, 1, ... in order on the calling
    // thread while workers render the chunks already prepared. Null when every chunk can start
    // at once.
    void (*prepareNext)(void* context, unsigned chunk) noexcept = nullptr;
    // Renders chunk c, frames [first, end), without progress reports.
    void (*render)(void* context, unsigned chunk, std::uint64_t first,
                   std::uint64_t end) noexcept = nullptr;
};

// Runs the job's chunks on plan.threads threads (the calling thread among them; fewer when a
// thread cannot be started) and reports to `progress` on the calling thread the samples of the
// finished chunks at the block's start, in rising counts that end with totalSamples.
void runChunks(const ChunkPlan& plan, std::uint64_t totalSamples, std::uint32_t channels,
               const ChunkJob& job, ProgressCallback progress) noexcept;

}  // namespace quilbo::synth
