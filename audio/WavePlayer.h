// The player: streams one rendered sample block to the wave output device in pieces, refilled
// from the device's completion routine, looped or stopped at its end. The pages derive from it.
#pragma once

#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "audio/Fade.h"
#include "audio/WaveOutDevice.h"
#include "media/SampleBlock.h"
#include "media/WaveFormat.h"

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
//
// A lost output (its sink removed, the server gone) ends the sound but not the playback's block:
// the player becomes idle-but-resumable and tells the page through the output-lost handler, on
// the window thread (through the poster). resumePlayer then plays the same block on from about
// where it was lost (the first piece not known to have played), on a (re)opened output, rising
// as a start does with m_fade; a failed resume leaves it resumable, so the page may retry. OnStop,
// or a new startPlayer, gives the block up.
//
// A device may open before the server has answered, and fail later (the OpenFailed message): the
// player then goes idle as after a failed start, the block released (a resume: kept, resumable as
// after a failed resume), and tells the page through the open-failed handler, on the window
// thread. The start itself returned Started: the page words the failure in the handler.
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
    // Told on the window thread, after the player has gone idle, that the output was lost.
    using OutputLostHandler = std::function<void()>;
    // Told on the window thread, after the player has gone idle, that the device of the last
    // start or resume failed to open after all; canResume() says which of the two it was.
    using OpenFailedHandler = std::function<void()>;
    // Told on the window thread that the device of the last start or resume is there and playing:
    // until then a start that returned Started may still fail.
    using OpenedHandler = std::function<void()>;

    CWavePlayer() = default;
    CWavePlayer(WaveOutBackend* backend, WindowThreadPoster poster);
    // Stops a playback still running, so that no completion can reach a player that is gone.
    virtual ~CWavePlayer();
    CWavePlayer(const CWavePlayer&) = delete;
    CWavePlayer& operator=(const CWavePlayer&) = delete;

    // The back end is not owned and must outlive every playback.
    void setWaveOutBackend(WaveOutBackend* backend);
    void setWindowThreadPoster(WindowThreadPoster poster);
    void setOutputLostHandler(OutputLostHandler handler);
    void setOpenFailedHandler(OpenFailedHandler handler);
    void setOpenedHandler(OpenedHandler handler);

    // The start steps: format check, open, queue four pieces. On any result but Started the
    // block is released and the player stays idle. Ignored (returns Started) while playing.
    // sink: the output to open (an OutputList name); empty: the system's default.
    StartResult startPlayer(const WaveFormatExtensible& format, const std::string& sink = {});

    // After a lost output: opens sink (empty: the default) and plays the block on from where it
    // was lost. NothingToPlay when there is nothing to resume; OpenFailed leaves it resumable.
    StartResult resumePlayer(const std::string& sink = {});
    bool canResume() const;

    // The stop: gives up a block kept for a resume; nothing else while idle; otherwise stops the
    // output (at once, or with m_fade by a short fade the device plays out on its own), takes every
    // queued piece back, closes the device and releases the block. The player is idle when it
    // returns.
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
    void onOutputLost(bool openFailed);
    void onOpened();
    void stopGeneration(std::uint64_t generation);
    void lostGeneration(std::uint64_t generation);
    // The start steps from byte offset on (the fade rising there); keeps the block on failure
    // when keepBlock.
    StartResult begin(const WaveFormatExtensible& format, const std::string& sink,
                      std::int32_t offset, bool keepBlock);

    WaveOutBackend* m_backend = nullptr;
    WindowThreadPoster m_poster;
    OutputLostHandler m_onOutputLost;
    OpenFailedHandler m_onOpenFailed;
    OpenedHandler m_onOpened;
    // Guards the player members between the window thread and the device's thread.
    mutable std::mutex m_mutex;
    bool m_repeatPlaying = false;    // m_bRepeat as it was at the start
    std::uint64_t m_generation = 0;  // counts starts, so a late end-of-block stop hits no newer one
    bool m_endPosted = false;
    // A lost output: told by the device (m_lost), then, once every piece is back, idle with the
    // block kept (m_resumable) to go on from m_resumeOffset in m_format.
    bool m_lost = false;
    bool m_openFailed = false;  // the loss was a late open failure: nothing was heard
    bool m_resuming = false;    // the playback running is a resume
    bool m_resumable = false;
    std::int32_t m_resumeOffset = -1;
    WaveFormatExtensible m_format{};
    // The fades of the playback running: layout, frames per fade (0: none), and whether the
    // pieces queued belong to the block's first pass.
    FadeLayout m_fadeLayout;
    std::size_t m_fadeFrames = 0;
    std::int64_t m_fadeInStart = 0;  // the frame the first rise begins at
    bool m_firstPass = true;
    std::list<std::vector<std::uint8_t>> m_fadedCopies;  // the data of faded pieces still queued
};

}  // namespace quilbo
