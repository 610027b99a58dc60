// The player: streams one rendered sample block to the wave output device in pieces, refilled
// from the device's completion routine, looped or stopped at its end. The pages derive from it.
#pragma once

#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <vector>

#include "audio/Fade.h"
#include "audio/SampleBlock.h"
#include "audio/WaveFormat.h"
#include "audio/WaveOutDevice.h"

namespace quilbo {

// A plain base class (no widget) so that the Frequency and Run In pages share one player and the
// player can be tested without a window.
//
// Threads: startPlayer and OnStop run on the window thread; WaveOutProc runs on the device's
// thread. A mutex keeps a refill and a stop from interleaving. The stop at the end of a block
// without Repeat is detected on the device's thread and handed to the window thread through the
// poster (a device cannot be reset or closed from inside its own routine).
//
// The page sets m_pBlock, m_nBlockSize, m_bRepeat and m_fade only while the player is idle
// (m_bStopped true); the values at startPlayer hold for the whole playback.
//
// With m_fade the sound rises over its first 10 ms, falls over the last 10 ms of a block played
// once, and a stop falls over about 10 ms from where the sound is. The fades are applied to
// copies of the pieces they touch; the block itself, and a loop's seams, stay as rendered.
class CWavePlayer {
public:
    enum class StartResult {
        Started,
        UnsupportedFormat,  // the page shows "UnSupported Format."
        OpenFailed,         // the page shows "Failed to open waveform output device."
        NothingToPlay,      // no block or an empty one: nothing happens, no message
    };

    // Runs a task on the window thread later (in the program, a queued call to the page). It is
    // called on the device's thread and must not run the task before it returns.
    using WindowThreadPoster = std::function<void(std::function<void()>)>;

    CWavePlayer() = default;
    CWavePlayer(WaveOutBackend* backend, WindowThreadPoster poster);
    // Stops a playback still running, so that no completion can reach a player that is gone.
    virtual ~CWavePlayer();
    CWavePlayer(const CWavePlayer&) = delete;
    CWavePlayer& operator=(const CWavePlayer&) = delete;

    // The back end is not owned and must outlive every playback.
    void setWaveOutBackend(WaveOutBackend* backend);
    void setWindowThreadPoster(WindowThreadPoster poster);

    // The start steps: format check, open, queue four pieces. On any result but Started the
    // block is released and the player stays idle. Ignored (returns Started) while playing.
    StartResult startPlayer(const WaveFormatExtensible& format);

    // The stop: nothing while idle; otherwise stops the output (at once, or with m_fade by a
    // short fade the device plays out on its own), takes every queued piece back, closes the
    // device and releases the block. The player is idle when it returns.
    void OnStop();

    bool isPlaying() const;

    // The completion routine; instance is the player.
    static void WaveOutProc(WaveOutDevice* device, WaveOutMessage message, void* instance,
                            WaveHeader* header);

protected:
    std::unique_ptr<WaveOutDevice> m_hWaveOut;
    SampleBlock m_pBlock;
    std::int32_t m_nBlockSize = 0;
    bool m_bStopped = true;
    std::int32_t m_nPieceSize = 24000;
    std::int32_t m_nNextOffset = 0;
    std::int32_t m_nPiecesQueued = 0;
    bool m_bRepeat = false;
    bool m_fade = false;

private:
    bool queuePiece();  // with m_mutex held; false when the device refused the piece
    // With m_mutex held: the data of the piece at m_nNextOffset, a faded copy where it touches a
    // fade.
    const std::uint8_t* pieceData(std::int32_t length);
    void onPieceDone(WaveHeader* header);
    void stopGeneration(std::uint64_t generation);

    WaveOutBackend* m_backend = nullptr;
    WindowThreadPoster m_poster;
    // Guards the player members between the window thread and the device's thread.
    mutable std::mutex m_mutex;
    bool m_repeatPlaying = false;    // m_bRepeat as it was at the start
    std::uint64_t m_generation = 0;  // counts starts, so a late end-of-block stop hits no newer one
    bool m_endPosted = false;
    // The fades of the playback running: layout, frames per fade (0: none), and whether the
    // pieces queued belong to the block's first pass.
    FadeLayout m_fadeLayout;
    std::size_t m_fadeFrames = 0;
    bool m_firstPass = true;
    std::list<std::vector<std::uint8_t>> m_fadedCopies;  // the data of faded pieces still queued
};

}  // namespace quilbo
