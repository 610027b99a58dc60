// quilbo-render run as a process: exit codes, the bytes it writes and its usage message.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "Reference.h"

namespace quilbo::test {
namespace {

struct ToolRun {
    int exitCode = -1;
    std::vector<std::uint8_t> out;
    std::string err;
};

std::vector<std::uint8_t> readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

ToolRun runRender(const std::string& arguments) {
    // ctest runs tests in parallel processes: every run gets its own files.
    static int runs = 0;
    const std::string stem = ::testing::TempDir() + "quilbo-render-" + std::to_string(::getpid()) +
                             "-" + std::to_string(++runs);
    const std::string outPath = stem + ".out";
    const std::string errPath = stem + ".err";
    const std::string command = std::string("'") + QUILBO_RENDER_PATH + "' " + arguments + " >'" +
                                outPath + "' 2>'" + errPath + "'";
    ToolRun run;
    const int status = std::system(command.c_str());
    if (status != -1 && WIFEXITED(status)) {
        run.exitCode = WEXITSTATUS(status);
    }
    run.out = readFile(outPath);
    const auto err = readFile(errPath);
    run.err.assign(err.begin(), err.end());
    std::remove(outPath.c_str());
    std::remove(errPath.c_str());
    return run;
}

TEST(RenderTool, WritesExactlyTheRenderedBlock) {
    const ToolRun tone = runRender("tone 16 44100 0 16 0 1000 1");
    EXPECT_EQ(tone.exitCode, 0) << tone.err;
    Request q;
    q.channelCode = 0;
    q.blockSize = 16;
    EXPECT_EQ(tone.out, synthesize(q).bytes);
    EXPECT_EQ(sample16(tone.out, 1), -32767);

    const ToolRun sweep = runRender("sweep 1001 44100 4 24 2 20 20000 0.5");
    EXPECT_EQ(sweep.exitCode, 0) << sweep.err;
    q = Request{Kind::Sweep, 1001, 44100, 4, 24, 2, 20, 20000, 0.5};
    EXPECT_EQ(sweep.out, synthesize(q).bytes);

    const ToolRun noise = runRender("--seed 0 noise 6 44100 2 16 3 1");
    EXPECT_EQ(noise.exitCode, 0) << noise.err;
    ASSERT_EQ(noise.out.size(), 6u);
    EXPECT_EQ(sample16(noise.out, 0), -9459);
    EXPECT_EQ(sample16(noise.out, 2), 3767);

    // BITS keeps its low 16 bits: 65552 is 16.
    EXPECT_EQ(runRender("--seed 0 noise 6 44100 2 65552 3 1").out, noise.out);
}

TEST(RenderTool, LargeBlockByteCountAndSeedReproducibility) {
    const ToolRun a = runRender("--seed 42 noise 882000 44100 0 16 4 0.5");
    EXPECT_EQ(a.exitCode, 0) << a.err;
    EXPECT_EQ(a.out.size(), 882000u);
    const ToolRun b = runRender("--seed 42 noise 882000 44100 0 16 4 0.5");
    EXPECT_EQ(a.out, b.out);
    const ToolRun c = runRender("--seed 43 noise 882000 44100 0 16 4 0.5");
    EXPECT_NE(a.out, c.out);

    const ToolRun clock = runRender("noise 1000 44100 2 8 5 1");
    EXPECT_EQ(clock.exitCode, 0);
    EXPECT_EQ(clock.out.size(), 1000u);

    const ToolRun empty = runRender("tone 0 44100 2 16 0 1000 1");
    EXPECT_EQ(empty.exitCode, 0);
    EXPECT_TRUE(empty.out.empty());
}

TEST(RenderTool, UnsupportedDepthWritesNothingAndExits3) {
    for (const char* args : {"tone 16 44100 2 12 0 1000 1", "noise 16 44100 2 65536 3 1",
                             "sweep 16 44100 2 4294967295 0 20 200 1"}) {
        const ToolRun run = runRender(args);
        EXPECT_EQ(run.exitCode, 3) << args;
        EXPECT_TRUE(run.out.empty()) << args;
    }
}

TEST(RenderTool, MalformedCommandLinesExit2WithUsage) {
    for (const char* args : {"", "tone", "beep 16 44100 2 16 0 1000 1", "tone 16 44100 2 16 0 1000",
                             "tone 16 44100 2 16 0 1000 1 9", "tone -16 44100 2 16 0 1000 1",
                             "tone 16 4294967296 2 16 0 1000 1", "tone 16 44100 2 16 0 1k 1",
                             "tone 16 +44100 2 16 0 1000 1", "tone 16 44100 2 16 0 1000 ''",
                             "--seed tone 16 44100 2 16 0 1000 1", "--seed -1 noise 8 8 2 16 3 1",
                             "noise 16 44100 2 16 3 0.5 --seed 1", "sweep 16 44100 2 16 0 20 1"}) {
        const ToolRun run = runRender(args);
        EXPECT_EQ(run.exitCode, 2) << args;
        EXPECT_TRUE(run.out.empty()) << args;
        EXPECT_NE(run.err.find("usage: quilbo-render [--seed N] tone  BLOCKSIZE"),
                  std::string::npos)
            << args;
    }
}

}  // namespace
}  // namespace quilbo::test
