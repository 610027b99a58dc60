// The player's start, refill, completion routine and stop.
#include "audio/WavePlayer.h"

#include <algorithm>
#include <utility>

namespace quilbo {

namespace {

constexpr int kPiecesAtStart = 4;
constexpr std::int32_t kDefaultPieceSize = 24000;
// Four pieces of 24000 bytes hold half a second at the usual rates but only 21 ms at 192000 Hz x
// 6 channels x 32 bits, less than a server's wake-up under load. Pieces stay 24000 bytes where
// the three still queued when one comes back hold 200 ms or more; at higher data rates they are
// 100 ms long (whole frames), so that some 300 ms stay queued, 200 ms with a wake-up late.
constexpr std::int64_t kLeastQueuedMs = 200;
constexpr std::int64_t kLongPieceMs = 100;

std::int32_t pieceSizeFor(const WaveFormatExtensible& format) {
    const std::int64_t frame = std::max<std::int64_t>(format.nBlockAlign, 1);
    const std::int64_t bytesPerSecond = static_cast<std::int64_t>(format.nSamplesPerSec) * frame;
    if ((kPiecesAtStart - 1) * kDefaultPieceSize * 1000 >= kLeastQueuedMs * bytesPerSecond) {
        return kDefaultPieceSize;
    }
    const std::int64_t frames = bytesPerSecond * kLongPieceMs / 1000 / frame;
    return static_cast<std::int32_t>(std::min<std::int64_t>(frames * frame, 64 * 1024 * 1024));
}

// A piece with the block offset it was taken from, so that a piece handed back after a lost
// output says where to go on from, faded copy or not.
struct PlayerPiece : WaveHeader {
    std::int32_t offset = 0;
};

}  // namespace

CWavePlayer::CWavePlayer(WaveOutBackend* backend, WindowThreadPoster poster)
    : m_backend(backend), m_poster(std::move(poster)) {}

CWavePlayer::~CWavePlayer() {
    OnStop();
}

void CWavePlayer::setWaveOutBackend(WaveOutBackend* backend) {
    m_backend = backend;
}

void CWavePlayer::setWindowThreadPoster(WindowThreadPoster poster) {
    std::lock_guard lock(m_mutex);
    m_poster = std::move(poster);
}

void CWavePlayer::setOutputLostHandler(OutputLostHandler handler) {
    std::lock_guard lock(m_mutex);
    m_onOutputLost = std::move(handler);
}

void CWavePlayer::setOpenFailedHandler(OpenFailedHandler handler) {
    std::lock_guard lock(m_mutex);
    m_onOpenFailed = std::move(handler);
}

void CWavePlayer::setOpenedHandler(OpenedHandler handler) {
    std::lock_guard lock(m_mutex);
    m_onOpened = std::move(handler);
}

bool CWavePlayer::isPlaying() const {
    std::lock_guard lock(m_mutex);
    return !m_bStopped;
}

bool CWavePlayer::canResume() const {
    std::lock_guard lock(m_mutex);
    return m_bStopped && m_resumable;
}

CWavePlayer::StartResult CWavePlayer::startPlayer(const WaveFormatExtensible& format,
                                                  const std::string& sink) {
    if (!m_bStopped) {
        return StartResult::Started;
    }
    {
        std::lock_guard lock(m_mutex);
        m_resumable = false;  // a new block replaces one kept for a resume
    }
    return begin(format, sink, 0, false);
}

CWavePlayer::StartResult CWavePlayer::resumePlayer(const std::string& sink) {
    std::int32_t offset = 0;
    WaveFormatExtensible format;
    {
        std::lock_guard lock(m_mutex);
        if (!m_bStopped || !m_resumable) {
            return m_bStopped ? StartResult::NothingToPlay : StartResult::Started;
        }
        offset = std::max<std::int32_t>(m_resumeOffset, 0);
        format = m_format;
    }
    const StartResult result = begin(format, sink, offset, true);
    if (result == StartResult::Started) {
        std::lock_guard lock(m_mutex);
        m_resumable = false;
    }
    return result;
}

CWavePlayer::StartResult CWavePlayer::begin(const WaveFormatExtensible& format,
                                            const std::string& sink, std::int32_t offset,
                                            bool keepBlock) {
    auto fail = [this, keepBlock](StartResult result) {
        if (!keepBlock) {
            m_pBlock.reset();
        }
        return result;
    };

    // Only whole frames play: a trailing part frame would shift the channels at every loop seam.
    std::size_t playable =
        std::min<std::size_t>(std::max<std::int32_t>(m_nBlockSize, 0), m_pBlock.size());
    if (format.nBlockAlign != 0) {
        playable -= playable % format.nBlockAlign;
    }
    if (playable == 0) {
        return fail(StartResult::NothingToPlay);
    }
    if (m_backend == nullptr) {
        return fail(StartResult::OpenFailed);
    }
    if (m_backend->queryFormat(format, sink) == WaveResult::BadFormat) {
        return fail(StartResult::UnsupportedFormat);
    }
    offset = std::clamp<std::int32_t>(offset, 0, static_cast<std::int32_t>(playable));
    if (format.nBlockAlign != 0) {
        offset -= offset % format.nBlockAlign;
    }
    if (offset >= static_cast<std::int32_t>(playable)) {
        offset = 0;  // lost right at the end: the block again from its start
    }

    bool anyQueued = false;
    {
        // Held from the open on: a device that does not wait for the server may tell Open,
        // OpenFailed or Lost on its own thread at once, and the routine must find this start.
        std::lock_guard lock(m_mutex);
        std::unique_ptr<WaveOutDevice> device =
            m_backend->open(format, &WaveOutProc, this, nullptr, sink);
        if (!device) {
            return fail(StartResult::OpenFailed);
        }
        m_hWaveOut = std::move(device);
        m_nBlockSize = static_cast<std::int32_t>(playable);
        m_nPieceSize = pieceSizeFor(format);
        m_nNextOffset = offset;
        m_nPiecesQueued = 0;
        m_bStopped = false;
        m_repeatPlaying = keepBlock ? m_repeatPlaying : m_bRepeat;  // a resume goes on as it was
        m_endPosted = false;
        m_lost = false;
        m_openFailed = false;
        m_resuming = keepBlock;
        m_resumeOffset = -1;
        m_format = format;
        m_fadeLayout = fadeLayoutOf(format);
        m_fadeFrames = 0;
        m_fadeInStart = 0;
        m_firstPass = true;
        if (m_fade && m_fadeLayout.valid()) {
            // A block played once needs room for both fades; a loop fades in once only.
            const std::size_t frames = playable / m_fadeLayout.frameBytes();
            m_fadeFrames =
                std::min(fadeFrames(format.nSamplesPerSec), m_repeatPlaying ? frames : frames / 2);
            m_fadeInStart = offset / static_cast<std::int64_t>(m_fadeLayout.frameBytes());
        }
        ++m_generation;
        for (int i = 0; i < kPiecesAtStart && m_nNextOffset < m_nBlockSize; ++i) {
            if (!queuePiece()) {
                break;
            }
        }
        anyQueued = m_nPiecesQueued > 0;
    }
    if (!anyQueued) {
        // The device took nothing (it went away right after the open): nothing would ever
        // come back to move the player on, so this is an open failure.
        SampleBlock kept = keepBlock ? std::move(m_pBlock) : SampleBlock();
        OnStop();
        m_pBlock = std::move(kept);
        return StartResult::OpenFailed;
    }
    return StartResult::Started;
}

bool CWavePlayer::queuePiece() {
    const std::int32_t length = std::min(m_nPieceSize, m_nBlockSize - m_nNextOffset);
    auto header = std::make_unique<PlayerPiece>();
    header->offset = m_nNextOffset;
    header->data = pieceData(length);
    header->bufferLength = static_cast<std::uint32_t>(length);
    header->flags = 0;
    header->loops = 0;
    m_hWaveOut->prepare(header.get());
    if (m_hWaveOut->write(header.get()) != WaveResult::Ok) {
        m_hWaveOut->unprepare(header.get());
        if (header->data != m_pBlock.data() + m_nNextOffset) {
            m_fadedCopies.pop_back();
        }
        return false;
    }
    header.release();  // the device hands it back through WaveOutProc, which frees it
    m_nNextOffset += length;
    ++m_nPiecesQueued;
    if (m_repeatPlaying && m_nNextOffset >= m_nBlockSize) {
        m_nNextOffset = 0;
        m_firstPass = false;
    }
    return true;
}

const std::uint8_t* CWavePlayer::pieceData(std::int32_t length) {
    const std::uint8_t* data = m_pBlock.data() + m_nNextOffset;
    if (m_fadeFrames == 0) {
        return data;
    }
    // In frames; a piece may begin or end inside one.
    const auto frameBytes = static_cast<std::int64_t>(m_fadeLayout.frameBytes());
    const auto fade = static_cast<std::int64_t>(m_fadeFrames);
    const std::int64_t first = m_nNextOffset / frameBytes;
    const std::int64_t end = (std::int64_t{m_nNextOffset} + length + frameBytes - 1) / frameBytes;
    const std::int64_t blockFrames = m_nBlockSize / frameBytes;
    const bool fadeIn = m_firstPass && first < m_fadeInStart + fade && end > m_fadeInStart;
    const bool fadeOut = !m_repeatPlaying && end > blockFrames - fade;
    if (!fadeIn && !fadeOut) {
        return data;
    }
    std::vector<std::uint8_t>& copy = m_fadedCopies.emplace_back(data, data + length);
    const auto position = static_cast<std::uint64_t>(m_nNextOffset);
    if (fadeIn) {
        applyFade(copy.data(), copy.size(), m_fadeLayout, position, m_fadeInStart, m_fadeFrames,
                  true);
    }
    if (fadeOut) {
        applyFade(copy.data(), copy.size(), m_fadeLayout, position, blockFrames - fade,
                  m_fadeFrames, false);
    }
    return copy.data();
}

void CWavePlayer::WaveOutProc(WaveOutDevice* /*device*/, WaveOutMessage message, void* instance,
                              WaveHeader* header) {
    if (instance == nullptr) {
        return;
    }
    auto* player = static_cast<CWavePlayer*>(instance);
    if (message == WaveOutMessage::Lost || message == WaveOutMessage::OpenFailed) {
        player->onOutputLost(message == WaveOutMessage::OpenFailed);
    } else if (message == WaveOutMessage::Open) {
        player->onOpened();
    } else if (message == WaveOutMessage::Done && header != nullptr) {
        player->onPieceDone(header);
    }
}

void CWavePlayer::onOutputLost(bool openFailed) {
    WindowThreadPoster poster;
    std::uint64_t generation = 0;
    {
        std::lock_guard lock(m_mutex);
        if (m_bStopped || m_lost) {
            return;
        }
        m_lost = true;
        m_openFailed = openFailed;
        if (m_nPiecesQueued > 0) {
            return;  // told once the last of them is back
        }
        m_resumeOffset = m_nNextOffset;
        m_endPosted = true;
        poster = m_poster;
        generation = m_generation;
    }
    if (poster) {
        poster([this, generation] { lostGeneration(generation); });
    }
}

void CWavePlayer::onOpened() {
    WindowThreadPoster poster;
    std::uint64_t generation = 0;
    {
        std::lock_guard lock(m_mutex);
        if (m_bStopped || m_lost || !m_onOpened) {
            return;
        }
        poster = m_poster;
        generation = m_generation;
    }
    if (poster) {
        poster([this, generation] {
            OpenedHandler handler;
            {
                std::lock_guard lock(m_mutex);
                if (m_bStopped || m_lost || generation != m_generation) {
                    return;  // stopped, lost or started again since
                }
                handler = m_onOpened;
            }
            handler();
        });
    }
}

void CWavePlayer::onPieceDone(WaveHeader* header) {
    std::unique_ptr<PlayerPiece> owned(static_cast<PlayerPiece*>(header));
    WindowThreadPoster poster;
    std::uint64_t generation = 0;
    bool lost = false;
    {
        std::lock_guard lock(m_mutex);
        if (!m_bStopped) {
            m_hWaveOut->unprepare(header);
        }
        m_fadedCopies.remove_if([header](const std::vector<std::uint8_t>& copy) {
            return copy.data() == header->data;
        });
        if (m_lost && m_resumeOffset < 0) {
            m_resumeOffset = owned->offset;  // the first piece back after the loss
        }
        owned.reset();
        --m_nPiecesQueued;
        bool ended = false;
        if (m_lost) {
            ended = !m_bStopped && m_nPiecesQueued <= 0;
        } else if (m_nNextOffset >= m_nBlockSize) {
            ended = !m_bStopped && m_nPiecesQueued <= 0;
        } else if (!m_bStopped) {
            // A refused piece means the device is gone; once nothing is left queued, nothing
            // would ever come back, so the player ends as at the end of a block.
            ended = !queuePiece() && m_nPiecesQueued <= 0;
        }
        if (!ended || m_endPosted) {
            return;
        }
        m_endPosted = true;
        poster = m_poster;
        generation = m_generation;
        lost = m_lost;
    }
    // Posted outside the lock: the poster may take locks of its own (an event queue's).
    if (poster && lost) {
        poster([this, generation] { lostGeneration(generation); });
    } else if (poster) {
        poster([this, generation] { stopGeneration(generation); });
    }
}

void CWavePlayer::lostGeneration(std::uint64_t generation) {
    std::function<void()> handler;
    bool keepBlock = true;
    {
        std::lock_guard lock(m_mutex);
        if (m_bStopped || generation != m_generation) {
            return;
        }
        handler = m_openFailed ? m_onOpenFailed : m_onOutputLost;
        // A start that never opened ends as a failed start does, a resume as a failed resume.
        keepBlock = !m_openFailed || m_resuming;
    }
    // The device is closed as at a stop (it has nothing left to play), the block is kept.
    SampleBlock block;
    if (keepBlock) {
        std::lock_guard lock(m_mutex);
        block = std::move(m_pBlock);
    }
    OnStop();
    if (keepBlock) {
        std::lock_guard lock(m_mutex);
        m_pBlock = std::move(block);
        m_resumable = true;
    }
    if (handler) {
        handler();
    }
}

void CWavePlayer::stopGeneration(std::uint64_t generation) {
    {
        std::lock_guard lock(m_mutex);
        if (m_bStopped || generation != m_generation) {
            return;  // stopped already, and maybe started anew: this stop is not for that one
        }
    }
    OnStop();
}

void CWavePlayer::OnStop() {
    {
        std::lock_guard lock(m_mutex);
        if (m_bStopped) {
            if (m_resumable) {
                m_resumable = false;
                m_pBlock.reset();
            }
            return;
        }
        m_bStopped = true;
    }
    // From here on WaveOutProc only frees what comes back and never touches the device, so
    // the device is used without the lock (a reset waits for the routine, which needs it).
    if (m_fadeFrames != 0) {
        m_hWaveOut->fadeOut();
    } else {
        m_hWaveOut->reset();
    }
    m_hWaveOut->close();
    std::unique_ptr<WaveOutDevice> device;
    {
        std::lock_guard lock(m_mutex);
        device = std::move(m_hWaveOut);
        m_pBlock.reset();
        m_fadedCopies.clear();  // every piece has come back
    }
}

}  // namespace quilbo
