// quilbo-correct run as a user runs it, on measurements stored in a private data folder: its
// figures, its exported files and its exit codes.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>

#include "tests/correct/SyntheticSpeaker.h"

namespace quilbo::test {
namespace {

struct CliOutcome {
    int exitCode = -1;
    std::map<std::string, std::string> figures;
    std::string output, errors;
};

class CorrectCli : public testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/quilbo-correct-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        folder = pattern;
    }
    void TearDown() override { std::filesystem::remove_all(folder); }
    CliOutcome run(const std::string& args) const {
        const std::string errors = folder + "/errors";
        const std::string command = "XDG_DATA_HOME='" + folder + "' " QUILBO_CORRECT_PROGRAM " " +
                                    args + " 2>'" + errors + "'";
        CliOutcome out;
        FILE* pipe = popen(command.c_str(), "r");
        for (char buffer[4096]; std::fgets(buffer, sizeof buffer, pipe) != nullptr;) {
            out.output += buffer;
            const std::string line(buffer, std::strcspn(buffer, "\n"));
            out.figures[line.substr(0, line.find('='))] = line.substr(line.find('=') + 1);
        }
        out.exitCode = WEXITSTATUS(pclose(pipe));
        out.errors = read(errors);
        return out;
    }
    static std::string read(const std::string& path) {
        std::ifstream in(path);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    void store(const SyntheticSpeaker& speaker, const std::string& name) const {
        Measurement m = speaker.measurement(name);
        ASSERT_TRUE(MeasurementStore(folder + "/quilbo/measurements").save(m));
    }
    std::string folder;
};

TEST_F(CorrectCli, PlansAndExportsAStoredRunAndSaysWhyWhenItCannot) {
    SyntheticSpeaker left = peakedSpeaker(), right = peakedSpeaker(-6);
    right.channel = 2, right.arrivalSeconds = 0.005, right.gain = -1;
    store(left, "room (channel 1)");
    store(right, "room (channel 2)");
    CliOutcome plan = run("plan room --max-boost 4");
    ASSERT_EQ(plan.exitCode, 0) << plan.errors;
    for (const char* channel : {"1.", "2."}) {
        EXPECT_GT(std::stod(plan.figures[channel + std::string("before_db")]), 5.0);
        EXPECT_GE(std::stod(plan.figures[channel + std::string("preamp_db")]), -4.0);
    }
    // The peak is cut away; the dip is deeper than the boost allowed, and its rest is said.
    EXPECT_LT(std::stod(plan.figures["1.predicted_db"]), 1.0);
    EXPECT_NEAR(std::stod(plan.figures["2.predicted_db"]), 2.0, 0.5);
    EXPECT_EQ(plan.figures["1.delay_ms"], "0.000");
    EXPECT_EQ(plan.figures["2.delay_ms"], "5.000");
    EXPECT_EQ(plan.figures["2.polarity"], "inverted");
    EXPECT_EQ(plan.figures["2.invert"], "no");
    EXPECT_NE(plan.errors.find("channel 2 was measured inverted"), std::string::npos);
    EXPECT_NE(plan.figures.count("1.filter_1"), 0U);

    CliOutcome exported = run("export room --format text '" + folder + "'");
    ASSERT_EQ(exported.exitCode, 0) << exported.errors;
    const std::string text = read(folder + "/room.FL.txt");
    EXPECT_EQ(text.substr(0, 8), "Preamp: ");
    EXPECT_NE(text.find("\nFilter 1: ON "), std::string::npos);
    EXPECT_EQ(exported.figures["2.file"], folder + "/room.FR.txt");
    ASSERT_EQ(run("export room --format pipewire '" + folder + "'").exitCode, 0);
    EXPECT_NE(read(folder + "/room.conf").find("libpipewire-module-filter-chain"),
              std::string::npos);

    std::ofstream(folder + "/bad.txt") << "20 0\n200 -1\n100 2\n";
    const std::tuple<std::string, int, std::string> cases[] = {
        {"--help", 0, ""},
        {"plan", 2, "plan needs a NAME"},
        {"plan room --bands 0", 2, "--bands needs a whole number from 1 to 20, not '0'"},
        {"plan room --target tilt:up", 2, "--target tilt: needs -20 to 20"},
        {"plan room --target '" + folder + "/bad.txt'", 2, "bad.txt:3: the frequency"},
        {"plan room --from 0", 2, "--from needs 1 to"},
        {"plan room --to 30000", 2, "--from/--to: the range must lie within"},
        {"export room --format json /tmp", 2, "--format needs text or pipewire"},
        {"install room", 2, "install needs --output SINK"},
        {"remove quilbo_correction.x --bands 3", 2, "unknown argument '--bands'"},
        {"plan hall", 3, "no stored measurement is named 'hall'"},
        {"export room --format text '" + folder + "/none'", 3, "none/room.FL.txt"}};
    for (const auto& [args, exitCode, message] : cases) {
        const CliOutcome out = run(args);
        EXPECT_EQ(out.exitCode, exitCode) << args;
        EXPECT_NE(out.errors.find(message), std::string::npos) << args << ": " << out.errors;
        EXPECT_EQ(out.output.starts_with("usage:"), args == "--help") << args;
    }
}

}  // namespace
}  // namespace quilbo::test
