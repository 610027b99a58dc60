// Fuzz target over the Frequency page's inputs: "name=value" lines (see playWith) typed into the
// real page on the fake wave output before Play, a small valid value for a missing one. Every Play
// ends in one message or one playback of the block and format rendered (or nothing, for less than
// a frame); Stop leaves the page idle, and a small Play works afterwards.
#include "pages/LevelSlider.h"
#include "tests/support/PageFixture.h"

#include <QApplication>
#include <QMap>
#include <QProgressBar>

#include <cstdio>
#include <cstdlib>

namespace {

using namespace quilbo;
using Page = CFrequencyPage;

void check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "check failed: %s\n", what);
        std::abort();
    }
}

// Built once and never destroyed: by the time static destructors run, Qt's globals are gone.
test::Pages* g_pages = nullptr;

}  // namespace

// Fontconfig keeps a few allocations of its own for the life of the process.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}

namespace {

// Types the inputs into the page, a small valid value for a missing one, and clicks Play.
void playWith(test::Pages& h, const QMap<QString, QString>& in) {
    Page& page = h.freq();
    const auto value = [&in](const char* key, const char* fallback) {
        return in.value(QString::fromLatin1(key), QString::fromLatin1(fallback));
    };
    // A waveform other than an index is typed into the focused box, which then loses the focus.
    auto* wave = h.ctl<QComboBox>(page, Page::IDC_WAVE);
    const QString waveText = value("wave", "0");
    const bool indexed = waveText.size() == 1 && waveText[0] >= u'0' && waveText[0] <= u'5';
    wave->setCurrentIndex(indexed ? waveText[0].unicode() - u'0' : 0);
    if (!indexed) {
        wave->setFocus();
        wave->setEditText(waveText);
    }
    h.ctl(page, Page::IDC_PLAY)->setFocus();
    h.ctl(page, value("type", "0") == "1" ? Page::IDC_SCAN : Page::IDC_SIMPLE)->setChecked(true);
    h.ctl(page, Page::IDC_REPEAT)->setChecked(value("repeat", "0") == "1");
    page.m_level->setValue(value("level", "20").toInt());
    const std::pair<int, const char*> texts[] = {
        {Page::IDC_PRECISION, "precision"}, {Page::IDC_SAMPLE_RATE, "rate"},
        {Page::IDC_CHANNELS, "channels"},   {Page::IDC_SCAN_TO, "to"},
        {Page::IDC_SCAN_FROM, "from"},      {Page::IDC_TIME, "time"},
        {Page::IDC_FREQUENCY, "frequency"}};
    const char* small[] = {"16", "8000", "2", "20000", "20", "1", "1000"};
    for (int i = 0; i < 7; ++i) {
        h.type(page, texts[i].first, value(texts[i].second, small[i]));
    }
    const QString mode = value("device", "ok");
    h.waveOut.queryResult = mode == "badformat" ? WaveResult::BadFormat : WaveResult::Ok;
    h.waveOut.openResult = mode == "nodevice" ? WaveResult::NoDevice : WaveResult::Ok;
    h.waveOut.writeResult = mode == "writefail" ? WaveResult::Failed : WaveResult::Ok;
    h.click(page, Page::IDC_PLAY);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    test::Pages& h = *g_pages;
    Page& page = h.freq();
    QMap<QString, QString> in;
    for (const QByteArray& line :
         QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)).split('\n')) {
        if (const qsizetype eq = line.indexOf('='); eq > 0) {
            in.insert(QString::fromLatin1(line.left(eq)), QString::fromUtf8(line.mid(eq + 1)));
        }
    }
    const int opens = h.waveOut.opens();
    playWith(h, in);
    const bool playing = page.isPlaying();
    check(h.messages.size() <= 1 && !(playing && !h.messages.isEmpty()), "one outcome");
    check(h.allocations.size() <= 1, "one render");
    check(!page.m_progress->isVisible(), "the bar is hidden again");
    check(in.value("device") != "badformat" || (h.messages.size() == 1 && h.allocations.empty()),
          "a format the device refuses is refused before anything is rendered");
    if (playing) {
        const auto f = h.waveOut.lastFormat();
        // The player plays the block's whole frames: a partial frame at its end is left out.
        check(h.allocations.size() == 1 && f.nBlockAlign != 0 &&
                  std::size_t(page.blockSize()) ==
                      h.allocations[0] - h.allocations[0] % f.nBlockAlign,
              "the rendered block plays");
        check(std::int64_t(h.allocations[0]) == std::int64_t(page.m_nTime) * f.nChannels *
                                                    f.wValidBitsPerSample * f.nSamplesPerSec / 8,
              "the format is the block's");
        h.waveOut.completeAll(std::clamp(in.value("complete").toInt(), 0, 64));
        QCoreApplication::processEvents();
    } else if (h.messages.isEmpty()) {
        check(h.waveOut.opens() == opens, "silently nothing only for less than a frame");
    }
    h.click(page, Page::IDC_STOP);
    check(!page.isPlaying() && !h.waveOut.deviceOpen() && h.waveOut.queued() == 0,
          "idle after Stop");

    // The page still plays one second of 16-bit stereo at 8000 Hz.
    h.messages.clear();
    h.allocations.clear();
    playWith(h, {});
    check(h.messages.isEmpty() && page.isPlaying(), "the small Play plays");
    check(h.allocations == std::vector<std::size_t>{32000}, "the small block");
    h.click(page, Page::IDC_STOP);
    h.messages.clear();
    h.allocations.clear();
    h.waveOut.clearCalls();
    return 0;
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // libFuzzer's flags are not Qt's: the application gets a command line of its own.
    static int argc = 1;
    static char name[] = "fuzz_frequency_page";
    static char* argv[] = {name, nullptr};
    qputenv("QT_QPA_PLATFORM", "offscreen");
    new QApplication(argc, argv);
    g_pages = new test::Pages;
    g_pages->freq().setBlockLimit(256 * 1024);  // larger plays take the too-large path: quick
    g_pages->freq().activateWindow();           // focus moves need an active window
    check(QTest::qWaitForWindowActive(g_pages->frequency.get()), "an active window");
    // One Play first, so that Qt's lazily built caches exist before inputs are counted.
    LLVMFuzzerTestOneInput(nullptr, 0);
    return 0;
}
