// Fuzz target over the Frequency page's inputs: the three list texts, the four numeric fields,
// the waveform box, the test type, Repeat and the level, typed into the real page (offscreen,
// fake wave output, recording message presenter) before Play. The input is text, one
// "name=value" line per control; a missing line leaves that control at a small valid value.
// Every Play must end in exactly one of: one message, a started playback, or (only for a block
// shorter than one frame) nothing at all; which one is predicted from the texts by the rules
// the page documents. Afterwards the page must be idle and a small Play must work.
#include "pages/DataExchange.h"
#include "pages/FrequencyPage.h"
#include "pages/VolumeSlider.h"
#include "tests/support/FakeWaveOut.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QMap>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <vector>

namespace quilbo::fuzz {
namespace {

using Page = CFrequencyPage;
using test::FakeWaveOut;

// Plays are kept small so that each input runs in milliseconds; larger requests take the
// page's own too-large path.
constexpr std::int64_t kBlockLimit = 256 * 1024;

#define FUZZ_CHECK(condition)                                                                  \
    do {                                                                                       \
        if (!(condition)) {                                                                    \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                      \
        }                                                                                      \
    } while (false)

const QString kChooseWaveform = QStringLiteral("Please choose a waveform from the list.");

struct Harness {
    QApplication& app;
    FakeWaveOut device;
    Page page{&device};
    std::vector<QString> messages;
    std::vector<std::size_t> allocations;

    explicit Harness(QApplication& application) : app(application) {
        page.setMessagePresenter(
            [this](QWidget*, const QString& text) { messages.push_back(text); });
        page.setBlockAllocator([this](std::size_t bytes) {
            allocations.push_back(bytes);
            return SampleBlock::allocate(bytes);
        });
        page.setBlockLimit(kBlockLimit);
        // Focus moves (and the box's end of editing) need an active window.
        page.show();
        page.activateWindow();
        for (int i = 0; i < 100 && !page.isActiveWindow(); ++i) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        }
        FUZZ_CHECK(page.isActiveWindow());
    }

    template <typename W>
    W* control(int id) {
        auto* w = qobject_cast<W*>(page.control(id));
        FUZZ_CHECK(w != nullptr);
        return w;
    }
    void click(int id) { control<QPushButton>(id)->click(); }
};

// Built once and never destroyed: by the time static destructors run, Qt's own globals are
// gone, and tearing widgets down then crashes. The process ends right after the last input.
QApplication* g_app = nullptr;
Harness* g_harness = nullptr;

QMap<QString, QString> parseLines(const std::uint8_t* data, std::size_t size) {
    QMap<QString, QString> values;
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    for (const QByteArray& line : bytes.split('\n')) {
        const qsizetype eq = line.indexOf('=');
        if (eq > 0) {
            values.insert(QString::fromLatin1(line.left(eq)), QString::fromUtf8(line.mid(eq + 1)));
        }
    }
    return values;
}

// The rule the numeric fields follow: blanks around, an optional sign, ASCII digits only.
std::optional<std::int64_t> integerValue(const QString& text) {
    const QString t = text.trimmed();
    qsizetype i = 0;
    if (i < t.size() && (t[i] == u'+' || t[i] == u'-')) {
        ++i;
    }
    if (i == t.size()) {
        return std::nullopt;
    }
    std::int64_t magnitude = 0;
    for (; i < t.size(); ++i) {
        if (t[i] < u'0' || t[i] > u'9') {
            return std::nullopt;
        }
        magnitude = std::min<std::int64_t>(magnitude * 10 + (t[i].unicode() - u'0'), 1LL << 40);
    }
    return t[0] == u'-' ? -magnitude : magnitude;
}

// The rule the list texts follow, as atoi reads them: ASCII blanks, a sign, leading digits.
std::int64_t leadingValue(const QString& text) {
    qsizetype i = 0;
    while (i < text.size() && (text[i] == u' ' || (text[i] >= u'\t' && text[i] <= u'\r'))) {
        ++i;
    }
    const bool negative = i < text.size() && text[i] == u'-';
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
        ++i;
    }
    std::int64_t magnitude = 0;
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
        magnitude = std::min<std::int64_t>(magnitude * 10 + (text[i].unicode() - u'0'), 1LL << 40);
    }
    const std::int64_t value = negative ? -magnitude : magnitude;
    return std::clamp<std::int64_t>(value, INT32_MIN, INT32_MAX);
}

void run(const std::uint8_t* data, std::size_t size) {
    Harness& h = *g_harness;
    const QMap<QString, QString> in = parseLines(data, size);
    auto value = [&in](const char* key, const char* fallback) {
        return in.value(QString::fromLatin1(key), QString::fromLatin1(fallback));
    };

    // Type the texts into the controls. A typed waveform is typed as a user would: into the
    // focused box, which then loses the focus to Play.
    auto* play = h.control<QPushButton>(Page::IDC_PLAY);
    play->setFocus();
    auto* wave = h.control<QComboBox>(Page::IDC_WAVE);
    const QString waveText = value("wave", "0");
    const bool waveIndexed = waveText.size() == 1 && waveText[0] >= u'0' && waveText[0] <= u'5';
    wave->setCurrentIndex(waveIndexed ? waveText[0].unicode() - u'0' : 0);
    if (!waveIndexed) {
        wave->setFocus();
        wave->setEditText(waveText);
    }
    // An entry's exact name selects that entry as the box finishes its editing.
    const QString typedWave = wave->currentText();
    const bool waveNamed =
        waveIndexed ||
        wave->findText(typedWave, Qt::MatchFixedString | Qt::MatchCaseSensitive) >= 0;
    play->setFocus();
    const bool scan = value("type", "0") == QStringLiteral("1");
    h.control<QRadioButton>(scan ? Page::IDC_SCAN : Page::IDC_SIMPLE)->setChecked(true);
    const bool repeat = value("repeat", "0") == QStringLiteral("1");
    h.control<QAbstractButton>(Page::IDC_REPEAT)->setChecked(repeat);
    h.page.m_level->setValue(value("level", "20").toInt());

    h.control<QComboBox>(Page::IDC_PRECISION)->setEditText(value("precision", "16"));
    h.control<QComboBox>(Page::IDC_SAMPLE_RATE)->setEditText(value("rate", "8000"));
    h.control<QComboBox>(Page::IDC_CHANNELS)->setEditText(value("channels", "2"));
    struct Numeric {
        int id;
        const char* key;
        const char* fallback;
        std::int32_t min, max;
    };
    // In the order the page checks them.
    const Numeric numerics[] = {{Page::IDC_SCAN_TO, "to", "20000", 20, 40000},
                                {Page::IDC_SCAN_FROM, "from", "20", 20, 40000},
                                {Page::IDC_TIME, "time", "1", 1, 300},
                                {Page::IDC_FREQUENCY, "frequency", "1000", 20, 40000}};
    for (const Numeric& n : numerics) {
        h.control<QLineEdit>(n.id)->setText(value(n.key, n.fallback));
    }

    const QString deviceMode = value("device", "ok");
    h.device.setQueryResult(deviceMode == QStringLiteral("badformat") ? WaveResult::BadFormat
                                                                      : WaveResult::Ok);
    h.device.setOpenResult(deviceMode == QStringLiteral("nodevice") ? WaveResult::NoDevice
                                                                    : WaveResult::Ok);
    h.device.setWriteResult(deviceMode == QStringLiteral("writefail") ? WaveResult::Failed
                                                                      : WaveResult::Ok);

    // What the page's rules say must happen, from the texts the controls now hold.
    std::optional<QString> expectedMessage;
    bool expectRender = false;
    std::int64_t expectedBytes = 0;
    std::int64_t time = 0;
    for (const Numeric& n : numerics) {
        const std::optional<std::int64_t> v = integerValue(h.control<QLineEdit>(n.id)->text());
        if (!v) {
            expectedMessage = DataExchange::integerExpected();
            break;
        }
        if (*v < n.min || *v > n.max) {
            expectedMessage = DataExchange::integerBetween(n.min, n.max);
            break;
        }
        if (n.id == Page::IDC_TIME) {
            time = *v;
        }
    }
    const std::int64_t precision =
        leadingValue(h.control<QComboBox>(Page::IDC_PRECISION)->currentText());
    const std::int64_t rate =
        leadingValue(h.control<QComboBox>(Page::IDC_SAMPLE_RATE)->currentText());
    const std::int64_t channels =
        leadingValue(h.control<QComboBox>(Page::IDC_CHANNELS)->currentText());
    const std::int64_t blockChannels = channels == 0 ? 2 : channels;
    if (!expectedMessage && !waveNamed) {
        expectedMessage = kChooseWaveform;
    }
    const bool supported = (precision == 8 || precision == 16 || precision == 20 ||
                            precision == 24 || precision == 32) &&
                           rate > 0 && channels >= 0 && channels <= 32;
    if (!expectedMessage && (!supported || deviceMode == QStringLiteral("badformat"))) {
        expectedMessage = Page::unsupportedFormatText();
    }
    if (!expectedMessage) {
        expectedBytes = time * blockChannels * precision * rate / 8;
        if (expectedBytes > kBlockLimit) {
            expectedMessage = QStringLiteral("too large");
        } else {
            expectRender = true;
        }
    }
    const std::int64_t frameBytes = blockChannels * (precision == 8 ? 1 : precision == 16 ? 2 : 4);
    const bool wholeFrame = expectRender && expectedBytes >= frameBytes;
    if (wholeFrame &&
        (deviceMode == QStringLiteral("nodevice") || deviceMode == QStringLiteral("writefail"))) {
        expectedMessage = Page::openFailedText();
    }
    const bool expectStart = wholeFrame && !expectedMessage;

    play->click();

    // Exactly the predicted outcome, and never a message together with a playback.
    const bool started = h.page.isPlaying();
    FUZZ_CHECK(started == expectStart);
    FUZZ_CHECK(h.messages.size() == (expectedMessage ? 1u : 0u));
    if (expectedMessage == QStringLiteral("too large")) {
        FUZZ_CHECK(h.messages[0].contains(QString::number(expectedBytes)));
    } else if (expectedMessage) {
        FUZZ_CHECK(h.messages[0] == *expectedMessage);
    }
    FUZZ_CHECK(h.allocations.size() == (expectRender ? 1u : 0u));
    if (expectRender) {
        FUZZ_CHECK(h.allocations[0] == static_cast<std::size_t>(expectedBytes));
    }
    FUZZ_CHECK(!h.page.m_progress->isVisible());

    if (started) {
        const WaveFormatExtensible format = h.device.lastFormat();
        FUZZ_CHECK(format.nChannels == blockChannels);
        FUZZ_CHECK(format.nSamplesPerSec == rate);
        FUZZ_CHECK(format.wValidBitsPerSample == precision);
        // Return some pieces on this thread, as the device's thread would, then let the
        // window thread take any end-of-block stop.
        const int pieces = std::clamp(value("complete", "0").toInt(), 0, 64);
        for (int i = 0; i < pieces && h.device.completeNext(); ++i) {
        }
        QCoreApplication::processEvents();
        const std::int64_t playable = expectedBytes - expectedBytes % frameBytes;
        const std::int64_t total = (playable + 23999) / 24000;
        FUZZ_CHECK(h.page.isPlaying() == (repeat || pieces < total));
        h.click(Page::IDC_STOP);
    }
    FUZZ_CHECK(!h.page.isPlaying());
    FUZZ_CHECK(!h.device.deviceOpen());
    FUZZ_CHECK(h.device.queued() == 0);

    // The page is still usable: one second of 8-bit stereo at 8000 Hz plays.
    h.messages.clear();
    h.allocations.clear();
    h.device.setQueryResult(WaveResult::Ok);
    h.device.setOpenResult(WaveResult::Ok);
    h.device.setWriteResult(WaveResult::Ok);
    wave->setCurrentIndex(0);
    h.control<QComboBox>(Page::IDC_PRECISION)->setEditText(QStringLiteral("8"));
    h.control<QComboBox>(Page::IDC_SAMPLE_RATE)->setEditText(QStringLiteral("8000"));
    h.control<QComboBox>(Page::IDC_CHANNELS)->setEditText(QStringLiteral("2"));
    for (const Numeric& n : numerics) {
        h.control<QLineEdit>(n.id)->setText(QString::fromLatin1(n.fallback));
    }
    h.click(Page::IDC_PLAY);
    FUZZ_CHECK(h.messages.empty());
    FUZZ_CHECK(h.page.isPlaying());
    FUZZ_CHECK(h.allocations == std::vector<std::size_t>{16000});
    h.click(Page::IDC_STOP);
    FUZZ_CHECK(!h.page.isPlaying());

    h.messages.clear();
    h.allocations.clear();
    h.device.clearCalls();
}

}  // namespace
}  // namespace quilbo::fuzz

// Fontconfig keeps a few allocations of its own for the life of the process, unreachable from
// anything of ours; nothing else is excused.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // The fuzzer's own flags are not the application's: Qt gets a command line of its own.
    static int argc = 1;
    static char name[] = "fuzz_frequency_page";
    static char* argv[] = {name, nullptr};
    qputenv("QT_QPA_PLATFORM", "offscreen");
    quilbo::fuzz::g_app = new QApplication(argc, argv);
    quilbo::fuzz::g_harness = new quilbo::fuzz::Harness(*quilbo::fuzz::g_app);
    // One ordinary Play first, so that Qt's lazily built caches (fonts, styles) exist before
    // the fuzzer starts counting allocations per input.
    quilbo::fuzz::run(nullptr, 0);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    quilbo::fuzz::run(data, size);
    return 0;
}
