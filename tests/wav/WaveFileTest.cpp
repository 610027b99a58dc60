// WAV files read back by SoX and by hand: from the writer and from Save. (Targets that are no
// regular file, a full disk and a missing folder: tests/files, for every writer.)
#include "media/WaveFile.h"
#include "pages/LevelSlider.h"
#include "synth/Synthesis.h"
#include "tests/support/PageFixture.h"
#include "tests/support/SoundServer.h"

#include <QTemporaryDir>

#include <fstream>
#include <iterator>

namespace quilbo::test {
namespace {

using Page = CFrequencyPage;

std::vector<std::uint8_t> fileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The samples SoX decodes, in the block's own encoding (20 and 24 bits left-justified in 32).
std::vector<std::uint8_t> decoded(const std::string& wav, int bits) {
    const char* encoding = bits == 8 ? "unsigned" : bits == 32 ? "float" : "signed";
    const auto done =
        runCommand({"sox", "-D", QString::fromStdString(wav), "-t", "raw", "-e", encoding, "-b",
                    QString::number(bits <= 16 ? bits : 32), QString::fromStdString(wav + ".raw")},
                   QProcessEnvironment::systemEnvironment());
    EXPECT_TRUE(done.ok()) << done.output.toStdString();
    return fileBytes(wav + ".raw");
}

// Every field of the header as a program that reads WAV files by hand sees it: the chunk sizes, the
// rates and alignment, the extensible record, the speaker mask, the sub-format (integer PCM, or
// IEEE floats for 32 bits) and the frame count, for 1000 frames.
void expectHeader(const std::vector<std::uint8_t>& f, int channels, int rate, int bits,
                  unsigned mask) {
    ASSERT_GE(f.size(), 80u);
    auto at = [&](std::size_t i, int width) {
        std::uint32_t v = 0;
        for (int b = width - 1; b >= 0; --b) {
            v = v << 8 | f[i + b];
        }
        return v;
    };
    const std::uint32_t sample = bits == 8 ? 1 : bits == 16 ? 2 : bits == 32 ? 4 : 3;
    const std::uint32_t align = channels * sample, data = 1000 * align;
    // Each field as its offset, width and value.
    const std::uint32_t fields[] = {4,  4, std::uint32_t(f.size() - 8),
                                    16, 4, 40,
                                    20, 2, 0xFFFE,
                                    22, 2, std::uint32_t(channels),
                                    24, 4, std::uint32_t(rate),
                                    28, 4, rate * align,
                                    32, 2, align,
                                    34, 2, 8 * sample,
                                    36, 2, 22,
                                    38, 2, 8 * sample,
                                    40, 4, mask,
                                    44, 4, bits == 32 ? 3u : 1u,
                                    48, 4, 0x00100000,
                                    52, 4, 0xAA000080,
                                    56, 4, 0x719B3800,
                                    64, 4, 4,
                                    68, 4, 1000,
                                    76, 4, data};
    for (std::size_t i = 0; i < std::size(fields); i += 3) {
        EXPECT_EQ(at(fields[i], int(fields[i + 1])), fields[i + 2])
            << "offset " << fields[i] << ", " << bits << " bits, " << channels << " channels";
    }
    EXPECT_EQ(std::string(f.begin(), f.begin() + 4) + std::string(f.begin() + 8, f.begin() + 16) +
                  std::string(f.begin() + 60, f.begin() + 64) +
                  std::string(f.begin() + 72, f.begin() + 76),
              "RIFFWAVEfmt factdata");
    EXPECT_EQ(f.size(), 80u + data);
}

TEST(WaveFile, EveryHeaderFieldIsRightAndSoxReadsBackTheWholeFramesOfTheBlock) {
    QTemporaryDir dir;
    const std::string path = dir.filePath("t.wav").toStdString();
    for (auto [bits, rate] :
         {std::pair{8, 11025}, {16, 44100}, {20, 48000}, {24, 96000}, {32, 192000}}) {
        const std::size_t container = bits == 8 ? 1 : bits == 16 ? 2 : 4;
        for (auto [code, mask] : {std::pair{0, 0x3}, {4, 0x33}, {6, 0x3F}}) {
            const int channels = code == 0 ? 2 : code;
            // 1000 frames and the first sample of another, which the file leaves out. A square
            // wave: SoX carries floats as 32-bit integers, which keeps only values this coarse.
            std::vector<std::uint8_t> block(1000 * channels * container + container);
            SynthesizeLogSweep(block.data(), block.size(), rate, code, bits, kWaveSquare, 20, 20000,
                               0.9, nullptr);
            ASSERT_TRUE(writeWaveFile(path, block.data(), block.size(), channels, rate, bits));
            expectHeader(fileBytes(path), channels, rate, bits, mask);
            EXPECT_TRUE(decoded(path, bits) == std::vector(block.begin(), block.end() - container));
        }
    }
}

TEST_F(PageTest, SaveWritesTheLogSweepAsThePageRendersIt) {
    QTemporaryDir dir;
    QString name;
    freq().setSaveNameAsker([&](QWidget*, const QString&) { return name; });
    click(freq(), Page::IDC_SCAN), click(freq(), Page::IDC_LOGARITHMIC);
    type(freq(), Page::IDC_TIME, "1"), type(freq(), Page::IDC_PRECISION, "24");
    freq().m_level->setValue(0);
    click(freq(), Page::IDC_SAVE);  // no name given: nothing rendered, nothing said
    EXPECT_TRUE(allocations.empty());
    const QString target = dir.filePath("a.wav");
    name = target, click(freq(), Page::IDC_SAVE);
    EXPECT_TRUE(messages.isEmpty());
    std::vector<std::uint8_t> want(44100 * 2 * 24 / 8);  // the page's block: 0.75 s in 4-byte words
    SynthesizeLogSweep(want.data(), want.size(), 44100, 2, 24, kWaveSine, 20, 20000, 1.0, nullptr);
    EXPECT_TRUE(decoded(target.toStdString(), 24) == want);
}

}  // namespace
}  // namespace quilbo::test
