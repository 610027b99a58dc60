// The planner held against the true responses of synthetic loudspeakers: what a correction does
// to them is computed from exact biquads, not from the planner's own curves.
#include <gtest/gtest.h>

#include <algorithm>
#include <clocale>
#include <regex>
#include <sstream>

#include "measure/CorrectionFit.h"
#include "measure/CorrectionPlan.h"
#include "measure/CorrectionText.h"
#include "tests/correct/SyntheticSpeaker.h"

namespace quilbo::test {
namespace {

std::vector<Biquad> biquadsOf(const ChannelCorrection& c, int rate) {
    std::vector<Biquad> out;
    for (const CorrectionFilter& f : c.filters) {
        out.push_back(biquadOf(f, rate));
    }
    return out;
}

double median(std::vector<double> v) {
    std::nth_element(v.begin(), v.begin() + v.size() / 2, v.end());
    return v[v.size() / 2];
}

// The corrected speaker's true deviation from `shape` (at its median level) within the range,
// and the largest boost of the filters alone, anywhere.
struct Outcome {
    double deviationDb = 0, boostDb = 0, levelDb = 0;
};

Outcome outcomeOf(const SyntheticSpeaker& speaker, const ChannelCorrection& c,
                  const ChannelPlan& plan, const CorrectionTarget& shape) {
    const std::vector<Biquad> filters = biquadsOf(c, 48000);
    std::vector<double> frequency, miss;
    Outcome out;
    for (double f = 10; f < 23000; f *= std::exp2(1.0 / 96)) {
        out.boostDb = std::max(out.boostDb, SyntheticSpeaker{filters}.db(f));
        if (f >= plan.from && f <= plan.to) {
            frequency.push_back(f);
            miss.push_back(speaker.db(f, filters) - shape.dbAt(f));
        }
    }
    const double level = median(miss);
    for (const double m : miss) {
        out.deviationDb = std::max(out.deviationDb, std::abs(m - level));
    }
    out.levelDb = level + c.preampDb + c.trimDb;
    return out;
}

TEST(Correction, FollowsFlatTiltAndCurveTargetsWithinTheBoostLimit) {
    CorrectionTarget tilt{TargetKind::Tilt, -1, {}};
    CorrectionTarget curve = *parseTargetFile("# house curve\n20 2\n200 2\n\n2000\t0\r\n").target;
    for (const auto& [target, maxBoost] : {std::pair{CorrectionTarget{}, 6.0},
                                           {tilt, 6.0},
                                           {curve, 6.0},
                                           {CorrectionTarget{}, 3.0}}) {
        const SyntheticSpeaker speaker = peakedSpeaker();
        PlanOptions options;
        options.target = target;
        options.maxBoostDb = maxBoost;
        const CorrectionPlan plan = planCorrection({speaker.measurement()}, options);
        ASSERT_FALSE(plan.failure.failed()) << describePlanFailure(plan.failure);
        const ChannelCorrection& c = plan.correction.channels[0];
        const Outcome out = outcomeOf(speaker, c, plan.channels[0], target);
        RecordProperty("deviation_db_" + std::to_string(static_cast<int>(target.kind)) + "_" +
                           std::to_string(static_cast<int>(maxBoost)),
                       std::to_string(out.deviationDb));
        // The range starts where the roll-off is 3 dB down: at 50 Hz.
        EXPECT_NEAR(plan.channels[0].from, 50, 5);
        EXPECT_DOUBLE_EQ(plan.channels[0].to, plan.channels[0].frequency.back());
        EXPECT_LT(out.deviationDb, maxBoost == 6 ? 1.0 : 2.0);
        EXPECT_LT(plan.channels[0].deviationDb, out.deviationDb + 0.3);
        EXPECT_GT(plan.channels[0].beforeDb, 5);
        EXPECT_LE(out.boostDb, maxBoost + 1e-6);
        EXPECT_LE(out.boostDb + c.preampDb, 1e-6);  // full scale stays full scale
        EXPECT_LE(c.filters.size(), 10U);
        for (const CorrectionFilter& f : c.filters) {
            EXPECT_GE(f.gainDb, -20);
            EXPECT_TRUE(f.q >= 0.5 && f.q <= 10) << f.q;
        }
    }
}

TEST(Correction, TrimsARunToTheFarthestAndQuietestAndNamesTheInvertedSpeaker) {
    std::vector<SyntheticSpeaker> run = {peakedSpeaker(), peakedSpeaker(3), peakedSpeaker()};
    run[0].arrivalSeconds = 0.010;
    run[1].arrivalSeconds = 0.0071, run[1].gain = 0.5, run[1].channel = 2;
    run[2].arrivalSeconds = 0.0125, run[2].gain = -0.8, run[2].channel = 3;
    std::vector<Measurement> measurements;
    for (const SyntheticSpeaker& s : run) {
        measurements.push_back(s.measurement());
    }
    for (const bool invert : {false, true}) {
        PlanOptions options;
        options.invert = invert;
        const CorrectionPlan plan = planCorrection(measurements, options);
        ASSERT_FALSE(plan.failure.failed()) << describePlanFailure(plan.failure);
        ASSERT_EQ(plan.correction.channels.size(), 3U);
        const double delays[] = {2.5, 5.4, 0};
        const char* positions[] = {"FL", "FR", "RL"};
        for (std::size_t k = 0; k < 3; ++k) {
            const ChannelCorrection& c = plan.correction.channels[k];
            EXPECT_NEAR(c.delayMs, delays[k], 1e-9);
            EXPECT_EQ(c.position, positions[k]);
            EXPECT_EQ(plan.channels[k].measuredInverted, k == 2);
            EXPECT_EQ(c.invert, invert && k == 2);
            const Outcome out = outcomeOf(run[k], c, plan.channels[k], {});
            // The quietest sets the level: nobody is raised, everybody meets it.
            EXPECT_NEAR(out.levelDb, 20 * std::log10(0.5) + plan.correction.channels[1].preampDb,
                        0.2);
            EXPECT_LE(c.trimDb, 0);
        }
        EXPECT_EQ(plan.correction.channels[1].trimDb, 0);
    }
    measurements[1].arrivalSeconds.reset();
    const CorrectionPlan unknown = planCorrection(measurements, {});
    EXPECT_FALSE(unknown.delaysKnown);
    EXPECT_EQ(unknown.correction.channels[2].delayMs, 0);
}

TEST(Correction, RefusesWhatItCannotCorrect) {
    Measurement silent = peakedSpeaker().measurement();
    std::fill(silent.impulse.begin(), silent.impulse.end(), 0.0F);
    Measurement failed = peakedSpeaker().measurement();
    failed.ok = false;
    PlanOptions narrow;
    narrow.from = 1000, narrow.to = 1100;
    PlanOptions outside;
    outside.to = 30000;
    PlanOptions noBands;
    noBands.bands = 0;
    const std::tuple<std::vector<Measurement>, PlanOptions, PlanProblem> cases[] = {
        {{}, {}, PlanProblem::NoMeasurements},
        {{silent}, {}, PlanProblem::NoImpulse},
        {{failed}, {}, PlanProblem::MeasurementFailed},
        {{peakedSpeaker().measurement(), peakedSpeaker().measurement()},
         {},
         PlanProblem::ChannelTwice},
        {{peakedSpeaker().measurement()}, narrow, PlanProblem::Range},
        {{peakedSpeaker().measurement()}, outside, PlanProblem::Range},
        {{peakedSpeaker().measurement()}, noBands, PlanProblem::Bands}};
    for (const auto& [measurements, options, problem] : cases) {
        EXPECT_EQ(planCorrection(measurements, options).failure.problem, problem)
            << static_cast<int>(problem);
    }
}

TEST(Correction, TargetFilesAreRefusedWithTheirLine) {
    const std::tuple<const char*, TargetFileProblem, int> cases[] = {
        {"100 0\n50 1\n", TargetFileProblem::NotIncreasing, 2},
        {"# a comment\n100 0\n200 loud\n", TargetFileProblem::NotNumbers, 3},
        {"100 0,5\n200 0\n", TargetFileProblem::NotNumbers, 1},
        {"20 0\n0 1\n", TargetFileProblem::OutOfRange, 2},
        {"20 0\n# 30 1\n", TargetFileProblem::TooFewPoints, 0}};
    for (const auto& [text, problem, line] : cases) {
        const TargetFileResult result = parseTargetFile(text);
        EXPECT_FALSE(result.target) << text;
        EXPECT_EQ(result.error.problem, problem) << text;
        EXPECT_EQ(result.error.line, line) << text;
    }
    const CorrectionTarget target = *parseTargetFile("100 -2 extra\n1000 2 # ok\n").target;
    EXPECT_NEAR(target.dbAt(316.227766), 0, 1e-6);
    EXPECT_DOUBLE_EQ(target.dbAt(10), -2);
    EXPECT_DOUBLE_EQ(target.dbAt(5000), 2);
}

// The text read back by the format's rules, under a locale that writes decimal commas.
TEST(Correction, TextExportReadsBackAsEqualiserProgramsReadIt) {
    ChannelCorrection c;
    c.preampDb = -3.2, c.trimDb = -0.46;
    c.filters = {{CorrectionFilterKind::LowShelf, 80, -4, kShelfQ},
                 {CorrectionFilterKind::Peaking, 1000, -3.5, 1.41},
                 {CorrectionFilterKind::HighShelf, 8000, -1.2, kShelfQ}};
    std::setlocale(LC_ALL, "de_DE.UTF-8");
    std::istringstream text(correctionText(c));
    std::setlocale(LC_ALL, "C");
    std::string line;
    std::getline(text, line);
    EXPECT_EQ(line, "Preamp: -3.7 dB");  // the trim in it, rounded down
    const std::regex rule(
        R"(Filter (\d+): ON (PK|LSC|HSC) Fc (\d+) Hz Gain (-?\d+\.\d) dB Q (\d+\.\d\d))");
    const char* types[] = {"LSC", "PK", "HSC"};
    std::size_t k = 0;
    for (std::smatch m; std::getline(text, line); ++k) {
        ASSERT_TRUE(std::regex_match(line, m, rule)) << line;
        ASSERT_LT(k, c.filters.size());
        EXPECT_EQ(std::stoi(m[1]), k + 1);
        EXPECT_EQ(m[2], types[k]);
        EXPECT_EQ(std::stod(m[3]), c.filters[k].frequency);
        EXPECT_EQ(std::stod(m[4]), c.filters[k].gainDb);
        EXPECT_EQ(std::stod(m[5]), k == 1 ? 1.41 : 0.71);
    }
    EXPECT_EQ(k, c.filters.size());
}

}  // namespace
}  // namespace quilbo::test
