// The chunked render: worker threads and the calling thread take chunks in order; the calling
// thread prepares sequential sources' starting states and reports the finished prefix.
#include "synth/RenderThreads.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <cfenv>
#include <cstdlib>
#include <thread>

namespace quilbo::synth {

unsigned renderThreadCount() noexcept {
    if (const char* text = std::getenv("QUILBO_RENDER_THREADS"); text != nullptr) {
        char* end = nullptr;
        errno = 0;
        const unsigned long n = std::strtoul(text, &end, 10);
        if (end != text && *end == '\0' && errno == 0 && n >= 1 && text[0] != '-') {
            return static_cast<unsigned>(std::min<unsigned long>(n, kMaxRenderThreads));
        }
    }
    return std::clamp(std::thread::hardware_concurrency(), 1u, kMaxRenderThreads);
}

ChunkPlan planChunks(std::uint64_t frames, std::uint64_t blockBytes) noexcept {
    ChunkPlan plan;
    plan.frames = frames;
    plan.chunkFrames = frames;
    if (blockBytes < kThreadedMinBytes || frames < 2 * kMinChunkFrames) {
        return plan;
    }
    const unsigned threads = renderThreadCount();
    if (threads <= 1) {
        return plan;
    }
    plan.chunkFrames = std::max((frames + kMaxChunks - 1) / kMaxChunks, kMinChunkFrames);
    plan.chunks = static_cast<unsigned>((frames + plan.chunkFrames - 1) / plan.chunkFrames);
    plan.threads = std::min(threads, plan.chunks);
    return plan;
}

namespace {

// What the threads share. Chunks are taken from `next`; a chunk may start once `prepared`
// exceeds its index; `finished` flags tell the calling thread which are done.
struct Shared {
    const ChunkPlan& plan;
    const ChunkJob& job;
    std::fenv_t environment;  // the caller's rounding: every thread computes as it would
    std::atomic<unsigned> next{0};
    std::atomic<unsigned> prepared{0};
    std::atomic<unsigned> finishedCount{0};
    std::array<std::atomic<bool>, kMaxChunks> finished{};

    // Renders chunks until none is left to take; false once there is none.
    bool renderOne() noexcept {
        const unsigned c = next.fetch_add(1, std::memory_order_relaxed);
        if (c >= plan.chunks) {
            return false;
        }
        for (unsigned ready = prepared.load(std::memory_order_acquire); ready <= c;
             ready = prepared.load(std::memory_order_acquire)) {
            prepared.wait(ready, std::memory_order_acquire);
        }
        const std::uint64_t first = std::uint64_t{c} * plan.chunkFrames;
        job.render(job.context, c, first, std::min(first + plan.chunkFrames, plan.frames));
        finished[c].store(true, std::memory_order_release);
        finishedCount.fetch_add(1, std::memory_order_release);
        finishedCount.notify_one();
        return true;
    }

    void work() noexcept {
        std::fesetenv(&environment);
        while (renderOne()) {
        }
    }
};

// The calling thread's reports: the samples of the unbroken run of finished chunks from the
// block's start, each count only once and only when it grows.
struct Reporter {
    const Shared& shared;
    std::uint64_t totalSamples;
    std::uint32_t channels;
    ProgressCallback progress;
    unsigned done = 0;

    void report() noexcept {
        const unsigned before = done;
        while (done < shared.plan.chunks && shared.finished[done].load(std::memory_order_acquire)) {
            ++done;
        }
        if (progress != nullptr && done != before) {
            const std::uint64_t frames = std::uint64_t{done} * shared.plan.chunkFrames;
            progress(static_cast<std::uint32_t>(std::min(frames * channels, totalSamples)));
        }
    }
};

}  // namespace

void runChunks(const ChunkPlan& plan, std::uint64_t totalSamples, std::uint32_t channels,
               const ChunkJob& job, ProgressCallback progress) noexcept {
    Shared shared{plan, job, {}};
    std::fegetenv(&shared.environment);
    shared.prepared.store(job.prepareNext == nullptr ? plan.chunks : 1, std::memory_order_release);
    Reporter reporter{shared, totalSamples, channels, progress};
    {
        std::array<std::jthread, kMaxRenderThreads> workers;
        for (unsigned t = 1; t < plan.threads; ++t) {
            try {
                workers[t] = std::jthread([&shared] { shared.work(); });
            } catch (...) {
                break;  // no thread to spare: the threads running (or this one) do the rest
            }
        }
        if (job.prepareNext != nullptr) {
            for (unsigned c = 0; c + 1 < plan.chunks; ++c) {
                job.prepareNext(job.context, c);
                shared.prepared.store(c + 2, std::memory_order_release);
                shared.prepared.notify_all();
                reporter.report();
            }
        }
        while (shared.renderOne()) {
            reporter.report();
        }
        for (unsigned seen = shared.finishedCount.load(std::memory_order_acquire);
             seen < plan.chunks; seen = shared.finishedCount.load(std::memory_order_acquire)) {
            reporter.report();
            shared.finishedCount.wait(seen, std::memory_order_acquire);
        }
    }  // the workers are joined here
    reporter.report();
}

}  // namespace quilbo::synth
