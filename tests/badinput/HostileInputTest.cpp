// Walks the hostile-input table through the real pages on fakes: each row types its text into
// its field, then Play (or a run-in session's ticks) must end as the row says, and the page must
// play the baseline next.
#include "pages/PlayerMessages.h"
#include "tests/support/PageFixture.h"

#include <QFile>

#include <map>

namespace quilbo::test {
namespace {

using Page = CFrequencyPage;

// The table's text escapes: \s \t \n \r \0 \\, \xHH and \uHHHH, and \*N; repeating the
// character before it up to N in all.
QString decode(const QString& cell) {
    static const char16_t plain[] = u" \t\n\r\0\\";
    QString out;
    for (qsizetype i = 0; i < cell.size(); ++i) {
        if (cell[i] != u'\\') {
            out += cell[i];
        } else if (const QChar c = cell[++i]; c == u'x' || c == u'u') {
            const int digits = c == u'x' ? 2 : 4;
            out += QChar(static_cast<char16_t>(cell.mid(i + 1, digits).toUInt(nullptr, 16)));
            i += digits;
        } else if (c == u'*') {
            const qsizetype end = cell.indexOf(u';', i);
            out += QString(cell.mid(i + 1, end - i - 1).toInt() - 1, out.back());
            i = end;
        } else {
            out += QChar(plain[QStringLiteral("stnr0\\").indexOf(c)]);
        }
    }
    return out;
}

struct Field {
    int id;
    const char* baseline;
    std::int32_t min = 0, max = 0;
};
const std::map<QString, Field> kFields = {{"time", {Page::IDC_TIME, "1", 1, 300}},
                                          {"frequency", {Page::IDC_FREQUENCY, "1000", 20, 40000}},
                                          {"scan_from", {Page::IDC_SCAN_FROM, "20", 20, 40000}},
                                          {"scan_to", {Page::IDC_SCAN_TO, "20000", 20, 40000}},
                                          {"precision", {Page::IDC_PRECISION, "16"}},
                                          {"rate", {Page::IDC_SAMPLE_RATE, "8000"}},
                                          {"channels", {Page::IDC_CHANNELS, "2"}},
                                          {"wave", {Page::IDC_WAVE, "Sine"}}};

using HostileInputs = PageTest;

TEST_F(HostileInputs, EveryRowEndsAsTheTableSaysAndThePagePlaysTheBaselineNext) {
    freq().activateWindow();  // a refusal moves the focus, which needs an active window
    ASSERT_TRUE(QTest::qWaitForWindowActive(&freq()));
    for (const auto& [name, field] : kFields) {
        type(freq(), field.id, field.baseline);
    }
    QFile file(qEnvironmentVariable("QUILBO_HOSTILE_INPUTS"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(file.readAll()).split(u'\n');
    for (int n = 0; n < lines.size(); ++n) {
        const QStringList cells = lines[n].split(u'\t'), outcome = cells.value(2).split(u' ');
        if (lines[n].isEmpty() || lines[n].startsWith(u'#')) {
            continue;
        }
        ASSERT_EQ(cells.size(), 4) << "line " << n + 1;
        const QString text = decode(cells[1]), result = outcome[0];
        const qint64 number = outcome.value(1).toLongLong();
        SCOPED_TRACE("line " + std::to_string(n + 1));
        messages.clear();
        allocations.clear();
        if (cells[0] == "hours") {
            runIn.reset();
            quits.clear();
            type(run(), CRunInPage::IDC_HOURS, text);
            startRunIn(nullptr, true);  // "Exit quilbo"
            if (result == "refused") {
                EXPECT_EQ(messages, QStringList{CRunInPage::negativeHoursText()});
                EXPECT_FALSE(run().isRunning());
                continue;
            }
            const std::int64_t end = result == "ends-after" ? (number + 1) * kHour : 0;
            if (end != 0) {
                tickAt(end - 1);
                EXPECT_TRUE(quits.empty());
                tickAt(end);
            } else {
                tickAt(0);
                tickAt(std::int64_t{1} << 40);
            }
            EXPECT_EQ(quits, std::vector<int>(result == "never-ends" ? 0 : 1, 0));
            EXPECT_TRUE(messages.isEmpty());
            continue;
        }
        const Field& field = kFields.at(cells[0]);
        QWidget* widget = freq().control(field.id);
        widget->setFocus();
        type(freq(), field.id, text);
        ctl(freq(), Page::IDC_PLAY)->setFocus();  // the field finishes its editing, as on a click
        click(freq(), Page::IDC_PLAY);
        const std::map<QString, QString> refusals = {
            {"not-integer", DataExchange::integerExpected()},
            {"out-of-range", DataExchange::integerBetween(field.min, field.max)},
            {"unsupported", PlayerMessages::unsupportedFormat()},
            {"choose-waveform", "Please choose a waveform from the list."}};
        if (result == "play") {
            EXPECT_TRUE(messages.isEmpty() && freq().isPlaying());
            EXPECT_EQ(allocations, std::vector<std::size_t>{std::size_t(number)});
        } else {
            ASSERT_EQ(messages.size(), 1);
            if (result == "too-large") {
                EXPECT_TRUE(messages[0].contains(QString::number(number)));
            } else {
                EXPECT_EQ(messages[0], refusals.at(result));
                EXPECT_TRUE(result == "unsupported" || widget->hasFocus());
            }
            EXPECT_FALSE(freq().isPlaying());
            EXPECT_TRUE(allocations.empty());
        }
        click(freq(), Page::IDC_STOP);
        type(freq(), field.id, field.baseline);
        ctl<QComboBox>(freq(), Page::IDC_WAVE)->setCurrentIndex(0);
        allocations.clear();
        click(freq(), Page::IDC_PLAY);  // 1 s x 2 channels x 16 bits x 8000 Hz
        EXPECT_EQ(allocations, std::vector<std::size_t>{32000});
        click(freq(), Page::IDC_STOP);
    }
}

}  // namespace
}  // namespace quilbo::test
