// Fuzz target over the Frequency page's inputs: "name=value" lines (wave, type, repeat, level,
// precision, rate, channels, to, from, time, frequency, device, complete) typed into the real
// page on the fake wave output before Play; a missing line leaves a small valid value. Every Play
// must end in one message or one playback (or nothing, for a block shorter than one frame), the
// playback must be of the block and format the page rendered, Stop must leave the page idle, and
// a small Play must work afterwards.
#include "pages/FrequencyPage.h"
#include "pages/LevelSlider.h"
#include "tests/support/FakeWaveOut.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QMap>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>

#include <array>
#include <cstdio>
#include <cstdlib>

namespace {

using quilbo::CFrequencyPage;
using quilbo::WaveResult;
using Page = quilbo::CFrequencyPage;

void check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "check failed: %s\n", what);
        std::abort();
    }
}

// Built once and never destroyed: by the time static destructors run, Qt's globals are gone.
struct Harness {
    quilbo::test::FakeWaveOut device;
    Page page{&device};
    QStringList messages;
    std::vector<std::size_t> allocations;

    Harness() {
        page.setMessagePresenter([this](QWidget*, const QString& text) { messages << text; });
        page.setBlockAllocator([this](std::size_t bytes) {
            allocations.push_back(bytes);
            return quilbo::SampleBlock::allocate(bytes);
        });
        page.setBlockLimit(256 * 1024);  // larger plays take the too-large path: quick runs
        page.show();
        page.activateWindow();  // focus moves need an active window
        for (int i = 0; i < 100 && !page.isActiveWindow(); ++i) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        }
    }
    template <typename W = QAbstractButton>
    W* control(int id) {
        return qobject_cast<W*>(page.control(id));
    }
};
Harness* g_harness = nullptr;

}  // namespace

// Fontconfig keeps a few allocations of its own for the life of the process.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Harness& h = *g_harness;
    QMap<QString, QString> in;
    for (const QByteArray& line :
         QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)).split('\n')) {
        if (const qsizetype eq = line.indexOf('='); eq > 0) {
            in.insert(QString::fromLatin1(line.left(eq)), QString::fromUtf8(line.mid(eq + 1)));
        }
    }
    const auto value = [&in](const char* key, const char* fallback) {
        return in.value(QString::fromLatin1(key), QString::fromLatin1(fallback));
    };
    // A waveform other than an index is typed into the focused box, which then loses the focus.
    auto* wave = h.control<QComboBox>(Page::IDC_WAVE);
    const QString waveText = value("wave", "0");
    const bool indexed = waveText.size() == 1 && waveText[0] >= u'0' && waveText[0] <= u'5';
    wave->setCurrentIndex(indexed ? waveText[0].unicode() - u'0' : 0);
    if (!indexed) {
        wave->setFocus();
        wave->setEditText(waveText);
    }
    h.control(Page::IDC_PLAY)->setFocus();
    h.control(value("type", "0") == "1" ? Page::IDC_SCAN : Page::IDC_SIMPLE)->setChecked(true);
    h.control(Page::IDC_REPEAT)->setChecked(value("repeat", "0") == "1");
    h.page.m_level->setValue(value("level", "20").toInt());
    const int texts[] = {Page::IDC_PRECISION, Page::IDC_SAMPLE_RATE, Page::IDC_CHANNELS,
                         Page::IDC_SCAN_TO,   Page::IDC_SCAN_FROM,   Page::IDC_TIME,
                         Page::IDC_FREQUENCY};
    const auto typeAll = [&](const std::array<QString, 7>& values) {
        for (int i = 0; i < 7; ++i) {
            if (auto* edit = h.control<QLineEdit>(texts[i])) {
                edit->setText(values[i]);
            } else {
                h.control<QComboBox>(texts[i])->setEditText(values[i]);
            }
        }
    };
    typeAll({value("precision", "16"), value("rate", "8000"), value("channels", "2"),
             value("to", "20000"), value("from", "20"), value("time", "1"),
             value("frequency", "1000")});
    const QString mode = value("device", "ok");
    h.device.setQueryResult(mode == "badformat" ? WaveResult::BadFormat : WaveResult::Ok);
    h.device.setOpenResult(mode == "nodevice" ? WaveResult::NoDevice : WaveResult::Ok);
    h.device.setWriteResult(mode == "writefail" ? WaveResult::Failed : WaveResult::Ok);

    const int opens = h.device.opens();
    h.control(Page::IDC_PLAY)->click();
    const bool playing = h.page.isPlaying();
    check(h.messages.size() <= 1 && !(playing && !h.messages.isEmpty()), "one outcome");
    check(h.allocations.size() <= 1, "one render");
    check(!h.page.m_progress->isVisible(), "the bar is hidden again");
    if (playing) {
        const auto f = h.device.lastFormat();
        check(h.allocations[0] == std::size_t(h.page.blockSize()), "the rendered block plays");
        check(std::int64_t(h.page.blockSize()) == std::int64_t(h.page.m_nTime) * f.nChannels *
                                                      f.wValidBitsPerSample * f.nSamplesPerSec / 8,
              "the format is the block's");
        for (int i = std::clamp(value("complete", "0").toInt(), 0, 64); i > 0; --i) {
            h.device.completeNext();
        }
        QCoreApplication::processEvents();
    } else if (h.messages.isEmpty()) {
        check(h.device.opens() == opens, "silently nothing only for less than a frame");
    }
    h.control(Page::IDC_STOP)->click();
    check(!h.page.isPlaying() && !h.device.deviceOpen() && h.device.queued() == 0,
          "idle after Stop");

    // The page still plays one second of 8-bit stereo at 8000 Hz.
    h.messages.clear();
    h.allocations.clear();
    h.device.setQueryResult(WaveResult::Ok);
    h.device.setOpenResult(WaveResult::Ok);
    h.device.setWriteResult(WaveResult::Ok);
    wave->setCurrentIndex(0);
    typeAll({"8", "8000", "2", "20000", "20", "1", "1000"});
    h.control(Page::IDC_PLAY)->click();
    check(h.messages.isEmpty() && h.page.isPlaying(), "the small Play plays");
    check(h.allocations == std::vector<std::size_t>{16000}, "the small block");
    h.control(Page::IDC_STOP)->click();
    h.messages.clear();
    h.allocations.clear();
    h.device.clearCalls();
    return 0;
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // libFuzzer's flags are not Qt's: the application gets a command line of its own.
    static int argc = 1;
    static char name[] = "fuzz_frequency_page";
    static char* argv[] = {name, nullptr};
    qputenv("QT_QPA_PLATFORM", "offscreen");
    new QApplication(argc, argv);
    g_harness = new Harness;
    // One Play first, so that Qt's lazily built caches exist before inputs are counted.
    LLVMFuzzerTestOneInput(nullptr, 0);
    return 0;
}
