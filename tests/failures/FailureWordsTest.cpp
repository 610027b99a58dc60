// Every failure code below the pages, put into words in Simplified Chinese as a window shows it:
// a translation, never the English sentence, never the code's identifier.
#include "audio/SweepRecorder.h"
#include "measure/FileRead.h"
#include "measure/MeasureFailure.h"
#include "media/FileWriteResult.h"
#include "pages/CorrectionMessages.h"
#include "pages/FileMessages.h"
#include "pages/MeasureMessages.h"
#include "pages/PlayerMessages.h"
#include "pages/RecordMessages.h"
#include "pages/RunInPage.h"
#include "res/Translations.h"

#include <QRegularExpression>

#include <cerrno>
#include <cstring>
#include <functional>

namespace quilbo::test {
namespace {

// One area's codes from `first` (past its success) to `count`, and the words for code i.
struct Area {
    const char* name;
    int first, count;
    std::function<QString(int)> words;
};

template <typename Code>
Code code(int i) {
    return static_cast<Code>(i);
}

const Area kAreas[] = {
    {"recording", 1, kRecordResultCount,
     [](int i) {
         return RecordMessages::failure(code<RecordResult>(i), RecordProblem::None, "d");
     }},
    {"recording, default device", 1, kRecordResultCount,
     [](int i) { return RecordMessages::failure(code<RecordResult>(i), RecordProblem::None, {}); }},
    {"recording problem", 0, kRecordProblemCount,
     [](int i) {
         return RecordMessages::failure(RecordResult::Failed, code<RecordProblem>(i), "d");
     }},
    {"measurement", 1, kMeasureProblemCount,
     [](int i) {
         return MeasureMessages::problem({code<MeasureProblem>(i), "7"});
     }},
    {"file write", 1, kFileWriteErrorCount,
     [](int i) {
         return FileMessages::reason({code<FileWriteError>(i), EIO});
     }},
    {"file write, system", 0, 5,
     [](int i) {
         const int errors[] = {ENOSPC, EACCES, ENOENT, EISDIR, EIO};
         return FileMessages::reason({FileWriteError::WriteFailed, errors[i]});
     }},
    {"file read", 1, kFileReadErrorCount,
     [](int i) { return FileMessages::readReason(code<FileReadError>(i), EIO); }},
    {"power off", 0, 4,
     [](int i) {
         return CRunInPage::powerOffRefusedText({code<PowerOffRefusal::Kind>(i), "d"});
     }},
    {"correction install", 1, static_cast<int>(InstallError::DefaultRefused) + 1,
     [](int i) {
         return CorrectionMessages::install({code<InstallError>(i),
                                             "d",
                                             {CorrectionChainError::BadDelay, 2},
                                             {FileWriteError::WriteFailed, EIO}});
     }},
    {"correction chain", 1, static_cast<int>(CorrectionChainError::BadRate) + 1,
     [](int i) {
         return CorrectionMessages::chain({code<CorrectionChainError>(i), 2, 3});
     }},
    {"correction plan", 1, static_cast<int>(PlanProblem::Range) + 1,
     [](int i) {
         return CorrectionMessages::plan({code<PlanProblem>(i), "2"});
     }},
    {"target file", 1, static_cast<int>(TargetFileProblem::TooFewPoints) + 1,
     [](int i) {
         return CorrectionMessages::targetFile(
             "/t", {code<TargetFileProblem>(i), 3, FileReadError::Missing, EIO});
     }},
    {"stored run", 1, static_cast<int>(RunLookupProblem::Unreadable) + 1,
     [](int i) {
         return CorrectionMessages::run({{}, code<RunLookupProblem>(i), "d", "e"});
     }},
    {"player", 0, 3,
     [](int i) {
         return i == 2
                    ? PlayerMessages::outputLost()
                    : PlayerMessages::forStart(i == 0
                                                   ? CWavePlayer::StartResult::OpenFailed
                                                   : CWavePlayer::StartResult::UnsupportedFormat);
     }},
};

TEST(FailureWords, EveryCodeHasAChineseSentenceAndNoneShowsAnIdentifier) {
    // An English word (units such as Hz and dBFS, and names in capitals, may stay); the names
    // of the program, of the power-off service, of the sound servers and their programs and a
    // calibration file's keyword stay too.
    const QRegularExpression english(
        QStringLiteral("\\b(?!Quilbo|Sens|Factor|systemd|logind|PulseAudio|PipeWire|pipewire|"
                       "metadata|setpriv)[A-Za-z][a-z]{2,}"));
    const QRegularExpression identifier(QStringLiteral("^[A-Za-z]+$"));
    int checked = 0;
    for (const Area& area : kAreas) {
        for (int i = area.first; i < area.count; ++i) {
            installTranslations(QLocale(QLocale::English));
            const QString source = area.words(i);
            installTranslations(QLocale(QLocale::Chinese, QLocale::China));
            // The system's own words for an error may follow the sentence, in its language.
            const QString chinese = area.words(i).remove(QString::fromLocal8Bit(strerror(EIO)));
            const std::string where = std::string(area.name) + " " + std::to_string(i) + ": " +
                                      source.toStdString() + " / " + chinese.toStdString();
            EXPECT_FALSE(chinese.isEmpty()) << where;
            EXPECT_NE(chinese, source) << where;
            EXPECT_FALSE(english.match(chinese).hasMatch()) << where;
            EXPECT_FALSE(identifier.match(source).hasMatch() || source.contains("::")) << where;
            ++checked;
        }
    }
    installTranslations(QLocale(QLocale::English));
    EXPECT_GT(checked, 70);
    for (int i = 0; i < kRecordResultCount; ++i) {
        const QString name = QString::fromLatin1(recordResultName(code<RecordResult>(i)));
        EXPECT_FALSE(
            RecordMessages::failure(code<RecordResult>(i), RecordProblem::None, "d").contains(name))
            << name.toStdString();
    }
}

}  // namespace
}  // namespace quilbo::test
