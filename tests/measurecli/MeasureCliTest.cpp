// quilbo-measure as a user runs it, against emulated loudspeakers on a private PulseAudio and
// PipeWire: the figures it prints and the response and impulse files it writes, held against
// the emulated paths' exact responses, and its exit codes.
#include <QFile>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <map>

#include "measure/Biquad.h"
#include "tests/support/EmulatedSpeaker.h"
#include "tools/measure/WavReader.h"

namespace quilbo::test {
namespace {

constexpr int kRate = 48000;

struct Outcome {
    int exitCode = -1;
    std::map<std::string, std::string> figures;
    QString errors;
    double number(const std::string& name) const {
        return figures.count(name) ? std::stod(figures.at(name)) : NAN;
    }
};

struct Point {
    double frequency, db;
};

class MeasureCli : public testing::TestWithParam<ServerKind> {
protected:
    void SetUp() override {
        server = std::make_unique<SoundServer>(GetParam(), SinkOptions{"float32le", kRate, 2, {}});
        ASSERT_TRUE(server->start()) << server->log();
        speaker = std::make_unique<EmulatedSpeaker>(*server);
    }
    QString file(const QString& name) const { return server->directory() + "/" + name; }
    // PipeWire's loaded graph may miss a cycle and damage a sweep: up to three runs.
    Outcome measure(QStringList args, bool retry = true) {
        Outcome run;
        for (int attempt = 0; attempt < (retry ? 3 : 1) && run.exitCode != 0; ++attempt) {
            QProcess process;
            process.setProcessEnvironment(server->environment());
            process.start(QUILBO_MEASURE_PROGRAM, args);
            process.waitForFinished(120000);
            run = {process.exitCode(), {}, process.readAllStandardError()};
            for (const QString& line : QString(process.readAllStandardOutput()).split('\n')) {
                if (const auto at = line.indexOf('='); at > 0) {
                    run.figures[line.left(at).toStdString()] = line.mid(at + 1).toStdString();
                }
            }
        }
        return run;
    }
    std::vector<Point> response(const QString& path, double from, double to) const {
        std::ifstream in(path.toStdString());
        std::vector<Point> points;
        for (std::string line; std::getline(in, line);) {
            double f = 0, db = 0;
            if (line[0] != '*' && std::sscanf(line.c_str(), "%lf %lf", &f, &db) == 2 && f >= from &&
                f <= to) {
                points.push_back({f, db});
            }
        }
        // 48 points to the octave: the band must come back whole.
        EXPECT_GE(points.size(), std::size_t(48 * std::log2(to / from)));
        return points;
    }
    std::unique_ptr<SoundServer> server;
    std::unique_ptr<EmulatedSpeaker> speaker;
};

TEST_P(MeasureCli, APerfectLoudspeakerIsFlatAndClean) {
    ASSERT_TRUE(speaker->startPerfect()) << speaker->log();
    const Outcome run = measure({"--response", file("flat.txt")});
    ASSERT_EQ(run.exitCode, 0) << run.errors.toStdString();
    double worst = 0;
    for (const Point& p : response(file("flat.txt"), 30, 18000)) {
        worst = std::max(worst, std::abs(p.db));
    }
    RecordProperty("max_db_error", QString::number(worst, 'g', 3).toStdString());
    EXPECT_LT(worst, 0.1);
    EXPECT_LT(run.number("thd_db"), -90);
    EXPECT_EQ(run.figures.at("polarity"), "normal");
    EXPECT_EQ(run.figures.at("clipped"), "no");
}

TEST_P(MeasureCli, BadArgumentsAndMissingInputsSayWhyAndTheSweepFileIsAWire) {
    ASSERT_TRUE(speaker->startPerfect()) << speaker->log();
    const struct {
        QStringList args;
        int exitCode;
        QString message;
    } cases[] = {{{"--level", "loud"}, 2, "--level needs a number"},
                 {{"--seconds", "0.5"}, 2, "outside 1 to 30 s"},
                 {{"--input", "nowhere"}, 3, "no input named nowhere"}};
    for (const auto& c : cases) {
        const Outcome run = measure(c.args, false);
        EXPECT_EQ(run.exitCode, c.exitCode) << c.message.toStdString();
        EXPECT_TRUE(run.errors.contains(c.message)) << run.errors.toStdString();
    }
    ASSERT_EQ(measure({"--write-sweep", file("sweep.wav")}, false).exitCode, 0);
    const Outcome wire = measure({"--analyse", file("sweep.wav")}, false);
    EXPECT_EQ(wire.exitCode, 0) << wire.errors.toStdString();
    EXPECT_EQ(wire.figures.at("delay_ms"), "0.000");
    EXPECT_EQ(wire.figures.at("polarity"), "normal");
    EXPECT_LT(wire.number("thd_db"), -120);
}

TEST_P(MeasureCli, FiltersDelaysAndAConvolverAreMeasuredAsTheyAre) {
    if (GetParam() == ServerKind::PulseAudio) {
        GTEST_SKIP() << "PulseAudio has no filters or delays to emulate a loudspeaker with";
    }
    // A peak at 1 kHz over a Butterworth high-pass at 80 Hz, against the filters' exact
    // response. PipeWire 0.3.65's high-pass reads its "Q" as a resonance in dB: 0 is Q 0.7071.
    ASSERT_TRUE(speaker->startPaths(
        {{0, 1, {{"bq_peaking", 1000, 1.4, 6}, {"bq_highpass", 80, 0, 0}}, {}}}))
        << speaker->log();
    Outcome run = measure({"--response", file("eq.txt")});
    ASSERT_EQ(run.exitCode, 0) << run.errors.toStdString();
    const Biquad peak = Biquad::peaking(kRate, 1000, 6, 1.4);
    const Biquad highPass = Biquad::highPass(kRate, 80, M_SQRT1_2);
    double worst = 0;
    for (const Point& p : response(file("eq.txt"), 40, 16000)) {
        const double exact =
            20 * std::log10(std::abs(peak.response(p.frequency) * highPass.response(p.frequency)));
        worst = std::max(worst, std::abs(p.db - exact));
    }
    RecordProperty("filter_max_db_error", QString::number(worst, 'g', 3).toStdString());
    EXPECT_LT(worst, 0.3);

    // Channel 2 is 5.00 ms further away and wired the wrong way round.
    speaker = std::make_unique<EmulatedSpeaker>(*server);
    ASSERT_TRUE(speaker->startPaths({{0, 1, {}, {}}, {5, -1, {}, {}}})) << speaker->log();
    run = measure({"--channel", "1,2"});
    ASSERT_EQ(run.exitCode, 0) << run.errors.toStdString();
    RecordProperty("delay_difference_ms",
                   run.figures.at("2.delay_ms") + " - " + run.figures.at("1.delay_ms"));
    EXPECT_NEAR(run.number("2.delay_ms") - run.number("1.delay_ms"), 5.00, 0.05);
    EXPECT_EQ(run.figures.at("1.polarity"), "normal");
    EXPECT_EQ(run.figures.at("2.polarity"), "inverted");

    // A 50 ms room of three decaying tones, through PipeWire's convolver.
    std::vector<float> room(kRate / 20);
    double sum = 0;
    for (std::size_t n = 0; n < room.size(); ++n) {
        const double t = double(n) / kRate, rise = std::min(1.0, t / 0.001);
        const double fall = std::min(1.0, (0.05 - t) / 0.005);
        room[n] = float(rise * rise * fall * std::exp(-t / 0.012) *
                        (std::sin(2 * M_PI * 300 * t) + 0.5 * std::sin(2 * M_PI * 2100 * t + 1) +
                         0.25 * std::sin(2 * M_PI * 7000 * t + 2)));
        sum += std::abs(room[n]);
    }
    for (float& sample : room) {
        sample = float(sample / sum);  // at most unity gain at any frequency
    }
    QFile wav(file("room.wav"));
    ASSERT_TRUE(wav.open(QIODevice::WriteOnly));
    const auto le32 = [&](std::uint32_t v) { wav.write(reinterpret_cast<const char*>(&v), 4); };
    wav.write("RIFF"), le32(36 + room.size() * 4), wav.write("WAVEfmt "), le32(16);
    le32(3 | 1 << 16), le32(kRate), le32(kRate * 4), le32(4 | 32 << 16), wav.write("data");
    le32(room.size() * 4), wav.write(reinterpret_cast<const char*>(room.data()), room.size() * 4);
    wav.close();
    speaker = std::make_unique<EmulatedSpeaker>(*server);
    ASSERT_TRUE(speaker->startPaths({{0, 1, {}, file("room.wav")}})) << speaker->log();
    run = measure({"--impulse", file("room-measured.wav")});
    ASSERT_EQ(run.exitCode, 0) << run.errors.toStdString();
    const std::vector<float> heard =
        measurecli::readWavRecording(file("room-measured.wav").toStdString()).samples;
    double best = 0;
    for (std::size_t lag = 0; lag + room.size() <= heard.size(); ++lag) {
        double xy = 0, xx = 0, yy = 0;
        for (std::size_t n = 0; n < room.size(); ++n) {
            xy += room[n] * heard[lag + n], xx += room[n] * room[n];
            yy += heard[lag + n] * heard[lag + n];
        }
        best = std::max(best, yy > 0 ? xy / std::sqrt(xx * yy) : 0);
    }
    RecordProperty("impulse_one_minus_correlation",
                   QString::number(1 - best, 'g', 3).toStdString());
    EXPECT_GT(best, 0.999);
}

}  // namespace
QUILBO_ON_BOTH_SERVERS(MeasureCli);
}  // namespace quilbo::test
