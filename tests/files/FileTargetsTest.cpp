// Every writer of files, aimed at each kind of target a user can name: a symbolic link, a FIFO, a
// folder, a file on a full disk and a folder that does not exist. Each must report the same typed
// outcome in its own way, and leave on the disk the target replaced or untouched, never half a
// file, and no temporary file.
#include "measure/MeasurementStore.h"
#include "media/WaveFile.h"
#include "pages/FileMessages.h"
#include "tests/support/PageFixture.h"
#include "tests/support/SoundServer.h"

#include <QDir>
#include <QTemporaryDir>

#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <functional>

namespace quilbo::test {
namespace {

enum class Target { Link, Fifo, Folder, FullDisk, MissingFolder };

std::string contents(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A small tmpfs over a folder while it lives: a disk the test can fill.
struct Mount {
    explicit Mount(std::string at)
        : folder(std::move(at)),
          error(::mount("tmpfs", folder.c_str(), "tmpfs", 0, "size=64k") == 0 ? 0 : errno) {}
    ~Mount() {
        if (error == 0) {
            ::umount(folder.c_str());
        }
    }
    std::string folder;
    int error;
};

struct Writer {
    const char* name;
    const char* file;   // the target's name
    const char* magic;  // what a written file begins with
    bool makesFolder;   // the store makes its folder; the others refuse a missing one
    // Writes path; true when the writer reported `expected` (success or the failure) as it
    // reports it: a typed result, a page's message, a tool's exit code and words.
    std::function<bool(const std::string& path, const FileWriteResult& expected)> write;
};

class FileTargets : public testing::TestWithParam<Target>, public Pages {
protected:
    std::vector<Writer> writers();
    // A tool says nothing of a write that worked, and names the file of one that failed.
    bool tool(const QStringList& argv, const std::string& path, const FileWriteResult& expected,
              int failed) {
        const CommandResult run = runCommand(argv, QProcessEnvironment::systemEnvironment(), 60000);
        EXPECT_TRUE(run.output.contains(
            QString::fromStdString(expected ? std::string() : describeFileWrite(path, expected))))
            << run.output.toStdString();
        return run.exitCode == (expected ? 0 : failed);
    }
    QTemporaryDir root;
};

std::vector<Writer> FileTargets::writers() {
    const QStringList sweep = {QUILBO_MEASURE_PROGRAM, "--seconds", "1", "--analyse",
                               root.filePath("recording.wav")};
    const auto measure = [=, this](const char* option) {
        return [=, this](const std::string& path, const FileWriteResult& expected) {
            return tool(sweep + QStringList{option, QString::fromStdString(path)}, path, expected,
                        3);
        };
    };
    const std::uint8_t block[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    return {
        {"WAV", "w.wav", "RIFF", false,
         [=](const std::string& path, const FileWriteResult& expected) {
             return writeWaveFile(path, block, sizeof block, 2, 44100, 16) == expected;
         }},
        {"Save", "s.wav", "RIFF", false,
         [this](const std::string& path, const FileWriteResult& expected) {
             messages.clear();
             const QString name = QString::fromStdString(path);
             freq().setSaveNameAsker([=](QWidget*, const QString&) { return name; });
             type(freq(), CFrequencyPage::IDC_TIME, "1");
             click(freq(), CFrequencyPage::IDC_SAVE);
             return messages == (expected ? QStringList()
                                          : QStringList{FileMessages::saveFailed(name, expected)});
         }},
        {"--wav", "r.wav", "RIFF", false,
         [this](const std::string& path, const FileWriteResult& expected) {
             // Its own exit code for a target that is no regular file.
             const int failed = expected.error == FileWriteError::NotRegularFile ? 4 : 1;
             return tool({QUILBO_RENDER_PROGRAM, "--wav", QString::fromStdString(path), "tone", "8",
                          "44100", "2", "16", "0", "1000", "1"},
                         path, expected, failed);
         }},
        {"--response", "r.txt", "* Quilbo frequency response", false, measure("--response")},
        {"--impulse", "i.wav", "RIFF", false, measure("--impulse")},
        {"store", "m1.qmeas", "quilbo-measurement", true,
         [](const std::string& path, const FileWriteResult& expected) {
             Measurement m;
             m.id = "m1";
             m.date = "2026-12-08T05:00:00Z";
             m.impulse = {0.5F, -0.25F};
             const MeasurementStore store(path.substr(0, path.rfind('/')));
             return store.save(m) == expected;
         }},
    };
}

TEST_P(FileTargets, EveryWriterReplacesALinksFileAndLeavesAnythingElseAsItWas) {
    ASSERT_TRUE(runCommand({QUILBO_MEASURE_PROGRAM, "--seconds", "1", "--write-sweep",
                            root.filePath("recording.wav")},
                           QProcessEnvironment::systemEnvironment(), 60000)
                    .ok());
    const Target target = GetParam();
    for (const Writer& writer : writers()) {
        SCOPED_TRACE(writer.name);
        const std::string folder = root.filePath(writer.name).toStdString();
        ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
        const std::string path = folder + "/" + writer.file;
        std::optional<Mount> disk;
        QStringList left = {writer.file};  // what the folder holds after
        FileWriteResult expected;          // a link's file is written
        mode_t kind = 0;                   // the target's kind after
        std::string checked, start;        // a file left after, and how it starts
        switch (target) {
            case Target::Link:
                std::ofstream(folder + "/real") << "old";
                ASSERT_EQ(::symlink("real", path.c_str()), 0);
                left.append("real");
                kind = S_IFLNK, checked = folder + "/real", start = writer.magic;
                break;
            case Target::Fifo:
                ASSERT_EQ(::mkfifo(path.c_str(), 0644), 0);
                expected = {FileWriteError::NotRegularFile, 0}, kind = S_IFIFO;
                break;
            case Target::Folder:
                ASSERT_EQ(::mkdir(path.c_str(), 0755), 0);
                expected = {FileWriteError::NotRegularFile, 0}, kind = S_IFDIR;
                break;
            case Target::FullDisk: {
                disk.emplace(folder);
                if (disk->error != 0) {
                    GTEST_SKIP() << "A full disk is a small tmpfs mounted here, which takes root "
                                    "and the right to mount: "
                                 << std::strerror(disk->error);
                }
                std::ofstream(path) << "old";
                std::ofstream filler(folder + "/filler");
                for (int page = 0; page < 64 && filler << std::string(4096, 'f') << std::flush;) {
                    ++page;
                }
                left.append("filler");
                expected = {FileWriteError::WriteFailed, ENOSPC};
                kind = S_IFREG, checked = path, start = "old";
                break;
            }
            case Target::MissingFolder:
                left = {"missing"};
                if (writer.makesFolder) {
                    checked = folder + "/missing/" + writer.file, start = writer.magic;
                } else {
                    expected = {FileWriteError::CreateFailed, ENOENT}, left.clear();
                }
                break;
        }
        const std::string written =
            target == Target::MissingFolder ? folder + "/missing/" + writer.file : path;
        EXPECT_TRUE(writer.write(written, expected));
        left.sort();
        EXPECT_EQ(
            QDir(QString::fromStdString(folder))
                .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                           QDir::Name),
            left);
        struct stat info {};
        EXPECT_EQ(::lstat(path.c_str(), &info) == 0 ? info.st_mode & S_IFMT : 0, kind);
        if (!checked.empty()) {
            EXPECT_EQ(contents(checked).rfind(start, 0), 0u) << checked;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Targets, FileTargets,
                         testing::Values(Target::Link, Target::Fifo, Target::Folder,
                                         Target::FullDisk, Target::MissingFolder),
                         [](const testing::TestParamInfo<Target>& info) {
                             return std::string(std::array{"Link", "Fifo", "Folder", "FullDisk",
                                                           "Missing"}[int(info.param)]);
                         });

}  // namespace
}  // namespace quilbo::test
