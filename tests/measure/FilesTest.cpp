// Calibration files as microphones ship them and as they go wrong, stored measurements through
// save, list, load, a second save and delete, and what a damaged file gets.
#include "measure/Calibration.h"
#include "measure/Export.h"
#include "measure/MeasurementStore.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace quilbo {
namespace {

TEST(Calibration, PointsAreReadAndInterpolatedOnALogAxisHeldAtTheEnds) {
    const CalibrationResult read = parseCalibration(
        "\xEF\xBB\xBF\"Sens Factor =-1.5dB, SERNO: 7001234\"\r\n* Freq dB phase\r\n\r\n"
        "20\t-2.0\t10\r\n  200   +2.0  -10\r\n2000 2 0\r\n");
    ASSERT_TRUE(read.calibration) << read.error.line << ": "
                                  << describeCalibrationError(read.error);
    const Calibration& c = *read.calibration;
    EXPECT_EQ(c.sensitivityDb, -1.5);
    EXPECT_DOUBLE_EQ(c.dbAt(10), -2.0);
    EXPECT_NEAR(c.dbAt(std::sqrt(20.0 * 200)), 0.0, 1e-12);
    EXPECT_NEAR(c.phaseAt(std::sqrt(200.0 * 2000)), -5.0, 1e-12);
    EXPECT_DOUBLE_EQ(c.dbAt(30000), 2.0);
}

TEST(Calibration, MalformedFilesAreRefusedWithTheirLine) {
    const struct {
        const char* text;
        int line;
        MeasureProblem reason;
        const char* detail;
    } cases[] = {
        {"20 1\n\n100\n", 3, MeasureProblem::CalibrationFields, "1"},
        {"20 1\n100 1 0 5\n", 2, MeasureProblem::CalibrationFields, "4"},
        {"* x\n20 loud\n", 2, MeasureProblem::CalibrationNotNumber, "loud"},
        {"20 1\n1e5x 1\n", 2, MeasureProblem::CalibrationNotNumber, "1e5x"},
        {"0 1\n", 1, MeasureProblem::CalibrationFrequency, ""},
        {"20 1\n100 1\n100 2\n", 3, MeasureProblem::CalibrationOrder, ""},
        {"20 1\n100 1 30\n", 2, MeasureProblem::CalibrationPhase, ""},
        {"20 nan\n", 1, MeasureProblem::CalibrationNotNumber, "nan"},
        {"20 300\n", 1, MeasureProblem::CalibrationDeviation, ""},
        {"\"Sens Factor = loud\"\n20 1\n", 1, MeasureProblem::CalibrationSensFactor, ""},
        {"* only comments\n\n", 0, MeasureProblem::CalibrationEmpty, ""},
    };
    for (const auto& c : cases) {
        const CalibrationResult read = parseCalibration(c.text);
        EXPECT_FALSE(read.calibration) << c.text;
        EXPECT_EQ(read.error.line, c.line) << c.text;
        EXPECT_EQ(read.error.failure, (MeasureFailure{c.reason, c.detail})) << c.text;
    }
    const CalibrationError missing = loadCalibration("/nonexistent/mic.txt").error;
    EXPECT_EQ(missing.failure.code, MeasureProblem::CalibrationUnreadable);
    EXPECT_EQ(missing.readError, FileReadError::Missing);
}

class Folder : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/quilbo-measure-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        m_root = pattern;
    }
    void TearDown() override { std::filesystem::remove_all(m_root); }
    std::string m_root;
};

Measurement sample() {
    Measurement m;
    m.name = "Left\nwoofer \\ 1";
    m.date = "2026-12-07T17:15:22Z";
    m.output = "Built-in Audio";
    m.input = "UMIK-1";
    m.channel = 2;
    m.sweep.seconds = 2.5;
    m.sweep.levelDbfs = -18.5;
    m.calibration = "/home/u/7001234.txt";
    m.impulse = {0.0f, 1.0f, -0.25f, 1e-7f};
    m.response = {{20, 1000, 20000}, {-1.5, 0, 2.25}, {10, -170, 45}};
    return m;
}

TEST_F(Folder, MeasurementsSurviveTheRoundTripAndDamageIsRefused) {
    const MeasurementStore store(m_root + "/quilbo/measurements");
    Measurement first = sample();
    Measurement second = sample();
    second.ok = false;
    second.failure = "The recording is clipped.";
    ASSERT_TRUE(store.save(first));
    ASSERT_TRUE(store.save(second));
    EXPECT_NE(first.id, second.id);

    const LoadResult loaded = store.load(first.id);
    ASSERT_TRUE(loaded.measurement) << describeMeasureFailure(loaded.error);
    const Measurement& m = *loaded.measurement;
    EXPECT_EQ(std::tie(m.name, m.date, m.output, m.input, m.calibration),
              std::tie(first.name, first.date, first.output, first.input, first.calibration));
    EXPECT_EQ(m.channel, 2);
    EXPECT_EQ(m.sweep.seconds, 2.5);
    EXPECT_EQ(m.sweep.levelDbfs, -18.5);
    EXPECT_EQ(m.impulse, first.impulse);
    EXPECT_EQ(m.response.phaseDeg, first.response.phaseDeg);

    second.name = "Right";  // saved again under its id: the file replaced, not a second one
    ASSERT_TRUE(store.save(second));
    const auto entries = store.list();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[1].name, "Right");
    EXPECT_FALSE(entries[1].ok);
    EXPECT_EQ(entries[1].problem, "The recording is clipped.");

    const std::string path = store.folder() + "/" + first.id + ".qmeas";
    std::filesystem::resize_file(path, std::filesystem::file_size(path) - 3);
    EXPECT_EQ(store.load(first.id).error, (MeasureFailure{MeasureProblem::StoredTruncated, "3"}));
    std::string bytes = serialiseMeasurement(first);
    bytes[bytes.size() - 5] ^= 1;
    EXPECT_EQ(parseMeasurement(bytes).error.code, MeasureProblem::StoredChecksum);
    EXPECT_EQ(parseMeasurement("quilbo-measurement 3\n").error,
              (MeasureFailure{MeasureProblem::StoredNewer, "quilbo-measurement 3"}));
    EXPECT_EQ(parseMeasurement("RIFF").error.code, MeasureProblem::StoredNotMeasurement);

    ASSERT_FALSE(store.remove(second.id).failed());
    EXPECT_EQ(store.list().size(), 1u);  // the damaged one, with its problem
    EXPECT_EQ(store.load("../x").error.code, MeasureProblem::StoredNoSuchId);
}

// A version-1 file: the same bytes without the session and the stage.
std::string version1(const std::string& bytes) {
    return "quilbo-measurement 1" + bytes.substr(20, bytes.find("\nsession=") - 20) +
           bytes.substr(bytes.find("\nimpulse="));
}

TEST(MeasurementFormat, TheSessionStageAndArrivalRoundTripAndAVersion1RunInNameStillGivesThem) {
    Measurement m = sample();
    m.arrivalSeconds = 0.0123456789;
    m.name = "Run-in 2026-12-07 18:30 after, channel 2";
    m.session = "2026-12-07T18:30:00Z";
    m.stage = MeasurementStage::After;
    const auto current = parseMeasurement(serialiseMeasurement(m)).measurement;
    const auto old = parseMeasurement(version1(serialiseMeasurement(m))).measurement;
    ASSERT_TRUE(current && old);
    EXPECT_EQ(std::tie(current->session, current->stage), std::tie(m.session, m.stage));
    EXPECT_EQ(current->arrivalSeconds, m.arrivalSeconds);
    EXPECT_FALSE(old->arrivalSeconds);  // a file without one has none
    EXPECT_EQ(old->session + " after", "Run-in 2026-12-07 18:30 after");
    EXPECT_EQ(old->stage, MeasurementStage::After);
}

TEST_F(Folder, ExportsHoldTheResponseAsTextAndTheImpulseAsFloats) {
    ASSERT_TRUE(exportResponseText(m_root + "/r.txt", sample().response));
    std::ifstream text(m_root + "/r.txt");
    std::string line, last;
    int lines = 0;
    while (std::getline(text, line)) {
        lines += line[0] != '*';
        last = line;
    }
    EXPECT_EQ(lines, 3);
    EXPECT_EQ(last, "20000 2.2500 45.000");

    const float impulse[] = {0.5f, -1.0f, 0.25f};
    ASSERT_TRUE(exportImpulseWav(m_root + "/ir.wav", impulse, 48000));
    std::ifstream wav(m_root + "/ir.wav", std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(wav)), {});
    ASSERT_EQ(bytes.size(), 80u + sizeof impulse);
    EXPECT_EQ(bytes.compare(bytes.size() - sizeof impulse, sizeof impulse,
                            reinterpret_cast<const char*>(impulse), sizeof impulse),
              0);
}

}  // namespace
}  // namespace quilbo
