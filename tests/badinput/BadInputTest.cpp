// Walks the hostile-input table through the real pages: each row's text goes into its field of
// a fresh page, Play (or a run-in session's ticks) follows, and the outcome must be the row's.
// After every refused or played row the page must still play the baseline.
#include "InputTable.h"
#include "pages/DataExchange.h"
#include "pages/FrequencyPage.h"
#include "pages/RunInPage.h"
#include "tests/fakes/FakePowerOff.h"
#include "tests/fakes/FakeWaveOutVolume.h"
#include "tests/support/FakeWaveOut.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSet>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <map>
#include <memory>

namespace quilbo::test {
namespace {

using Page = CFrequencyPage;

constexpr qint64 kBaselineBytes = 32000;

const std::vector<InputRow>& table() {
    static const std::vector<InputRow> rows = [] {
        QString error;
        std::vector<InputRow> read = readInputTable(QStringLiteral(QUILBO_HOSTILE_INPUTS), &error);
        EXPECT_TRUE(error.isEmpty()) << error.toStdString();
        return read;
    }();
    return rows;
}

std::vector<InputRow> rowsFor(std::initializer_list<const char*> fields) {
    std::vector<InputRow> rows;
    for (const InputRow& row : table()) {
        for (const char* field : fields) {
            if (row.field == QLatin1String(field)) {
                rows.push_back(row);
            }
        }
    }
    return rows;
}

std::string describe(const InputRow& row) {
    return "line " + std::to_string(row.line) + ": " + row.field.toStdString() + " -> " +
           row.outcome.toStdString() + " (" + row.why.toStdString() + ")";
}

struct Field {
    int id;
    std::int32_t min = 0, max = 0;  // numeric edits only
};

const std::map<QString, Field>& frequencyFields() {
    static const std::map<QString, Field> fields = {
        {QStringLiteral("time"), {Page::IDC_TIME, 1, 300}},
        {QStringLiteral("frequency"), {Page::IDC_FREQUENCY, 20, 40000}},
        {QStringLiteral("scan_from"), {Page::IDC_SCAN_FROM, 20, 40000}},
        {QStringLiteral("scan_to"), {Page::IDC_SCAN_TO, 20, 40000}},
        {QStringLiteral("precision"), {Page::IDC_PRECISION}},
        {QStringLiteral("rate"), {Page::IDC_SAMPLE_RATE}},
        {QStringLiteral("channels"), {Page::IDC_CHANNELS}},
        {QStringLiteral("wave"), {Page::IDC_WAVE}},
    };
    return fields;
}

// A fresh Frequency page on the fake device, at the table's baseline, per row.
class FrequencyPageRow {
public:
    FakeWaveOut device;
    Page page{&device};
    std::vector<QString> messages;
    std::vector<std::size_t> allocations;

    FrequencyPageRow() {
        page.setMessagePresenter(
            [this](QWidget*, const QString& text) { messages.push_back(text); });
        page.setBlockAllocator([this](std::size_t bytes) {
            allocations.push_back(bytes);
            return SampleBlock::allocate(bytes);
        });
        page.show();
        page.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&page));
        setBaseline();
    }

    template <typename W>
    W* control(int id) {
        return qobject_cast<W*>(page.control(id));
    }

    void setBaseline() {
        control<QComboBox>(Page::IDC_WAVE)->setCurrentIndex(0);
        control<QRadioButton>(Page::IDC_SIMPLE)->setChecked(true);
        control<QComboBox>(Page::IDC_PRECISION)->setEditText(QStringLiteral("16"));
        control<QComboBox>(Page::IDC_SAMPLE_RATE)->setEditText(QStringLiteral("8000"));
        control<QComboBox>(Page::IDC_CHANNELS)->setEditText(QStringLiteral("2"));
        control<QLineEdit>(Page::IDC_SCAN_FROM)->setText(QStringLiteral("20"));
        control<QLineEdit>(Page::IDC_SCAN_TO)->setText(QStringLiteral("20000"));
        control<QLineEdit>(Page::IDC_TIME)->setText(QStringLiteral("1"));
        control<QLineEdit>(Page::IDC_FREQUENCY)->setText(QStringLiteral("1000"));
    }

    // As a user types: the field has the focus while its text changes.
    void type(const Field& field, const QString& text) {
        page.control(field.id)->setFocus();
        if (auto* edit = control<QLineEdit>(field.id)) {
            edit->setText(text);
        } else if (auto* combo = control<QComboBox>(field.id)) {
            combo->setEditText(text);
        }
    }

    void play() {
        // The focus leaves the field for Play, as with a click, so that the field finishes its
        // editing first and a refusal visibly moves the focus back.
        control<QPushButton>(Page::IDC_PLAY)->setFocus();
        control<QPushButton>(Page::IDC_PLAY)->click();
    }
    void stop() { control<QPushButton>(Page::IDC_STOP)->click(); }

    bool nothingRendered() const { return allocations.empty() && device.opens() == 0; }
};

void checkFrequencyRow(const InputRow& row) {
    SCOPED_TRACE(describe(row));
    const Field& field = frequencyFields().at(row.field);
    FrequencyPageRow f;
    f.type(field, row.text);
    f.play();

    QWidget* fieldWidget = f.page.control(field.id);
    auto refusedWith = [&](const QString& message, bool focused) {
        ASSERT_EQ(f.messages.size(), 1u);
        EXPECT_EQ(f.messages[0], message);
        EXPECT_FALSE(f.page.isPlaying());
        EXPECT_TRUE(f.nothingRendered());
        if (focused) {
            EXPECT_TRUE(fieldWidget->hasFocus());
        }
    };
    if (row.outcome == QLatin1String("play")) {
        EXPECT_TRUE(f.messages.empty()) << f.messages.front().toStdString();
        EXPECT_TRUE(f.page.isPlaying());
        EXPECT_EQ(f.allocations, std::vector<std::size_t>{static_cast<std::size_t>(row.number)});
        f.stop();
        EXPECT_FALSE(f.device.deviceOpen());
    } else if (row.outcome == QLatin1String("not-integer")) {
        refusedWith(DataExchange::integerExpected(), true);
    } else if (row.outcome == QLatin1String("out-of-range")) {
        refusedWith(DataExchange::integerBetween(field.min, field.max), true);
    } else if (row.outcome == QLatin1String("unsupported")) {
        refusedWith(Page::unsupportedFormatText(), false);
    } else if (row.outcome == QLatin1String("choose-waveform")) {
        refusedWith(QStringLiteral("Please choose a waveform from the list."), true);
    } else if (row.outcome == QLatin1String("too-large")) {
        ASSERT_EQ(f.messages.size(), 1u);
        EXPECT_TRUE(f.messages[0].contains(QString::number(row.number)))
            << f.messages[0].toStdString();
        EXPECT_FALSE(f.page.isPlaying());
        EXPECT_TRUE(f.nothingRendered());
    } else {
        ADD_FAILURE() << "unknown outcome";
    }

    // Nothing is left half-done: the baseline plays next.
    f.messages.clear();
    f.allocations.clear();
    f.setBaseline();
    f.play();
    EXPECT_TRUE(f.messages.empty());
    EXPECT_TRUE(f.page.isPlaying());
    EXPECT_EQ(f.allocations, std::vector<std::size_t>{kBaselineBytes});
    f.stop();
}

TEST(HostileInputs, TheTableCoversEveryFieldWithEveryKindOfHostileText) {
    ASSERT_FALSE(table().empty());
    QSet<QString> fields;
    for (const InputRow& row : table()) {
        fields.insert(row.field);
    }
    QSet<QString> expected = {QStringLiteral("hours")};
    for (const auto& [name, field] : frequencyFields()) {
        expected.insert(name);
    }
    EXPECT_EQ(fields, expected);

    // Kinds every text field meets: empty, a sign, a leading zero, 10^12 or a long run of
    // digits, digits of another script, a long text, hexadecimal or trailing garbage.
    for (const QString& name : expected) {
        if (name == QLatin1String("wave")) {
            continue;  // the waveform box takes names, not numbers
        }
        SCOPED_TRACE(name.toStdString());
        bool empty = false, sign = false, leadingZero = false, huge = false, script = false,
             longText = false, garbage = false;
        for (const InputRow& row : rowsFor({name.toLatin1().constData()})) {
            const QString& t = row.text;
            empty |= t.isEmpty();
            sign |= t.startsWith(u'+') || t.startsWith(u'-');
            leadingZero |= t.size() > 1 && t.startsWith(u'0') && t[1].isDigit();
            huge |= t == QLatin1String("1000000000000") || t.size() >= 5000;
            for (QChar c : t) {
                script |= c.isDigit() && (c < u'0' || c > u'9');
            }
            longText |= t.size() >= 5000;
            garbage |= t.contains(QRegularExpression(QStringLiteral("^\\s*[+-]?[0-9]+[^0-9]")));
        }
        EXPECT_TRUE(empty);
        EXPECT_TRUE(sign);
        EXPECT_TRUE(leadingZero);
        EXPECT_TRUE(huge);
        EXPECT_TRUE(script);
        EXPECT_TRUE(longText);
        EXPECT_TRUE(garbage);
    }
}

TEST(HostileInputs, FrequencyPageNumericEdits) {
    for (const InputRow& row : rowsFor({"time", "frequency", "scan_from", "scan_to"})) {
        checkFrequencyRow(row);
    }
}

TEST(HostileInputs, FrequencyPageListTexts) {
    for (const InputRow& row : rowsFor({"precision", "rate", "channels"})) {
        checkFrequencyRow(row);
    }
}

TEST(HostileInputs, FrequencyPageWaveformBox) {
    for (const InputRow& row : rowsFor({"wave"})) {
        checkFrequencyRow(row);
    }
}

// The hours box through a run-in session on fakes: the page's own timer is stopped and the
// test ticks at chosen calendar times, with "Exit quilbo" as the end action.
class RunInSession {
public:
    static constexpr std::int64_t kStart = 1'700'000'000;

    FakeWaveOut device;
    FakeWaveOutVolume volume;
    FakePowerOff powerOff;
    std::int64_t now = kStart;
    std::vector<int> quitRequests;
    std::vector<QString> messages;
    CRunInPage page{&device, &volume, &powerOff};

    RunInSession() {
        page.tickTimer()->stop();
        page.setCalendarClock([this] { return now; });
        page.setQuitRequest([this](int status) { quitRequests.push_back(status); });
        page.setMessagePresenter(
            [this](QWidget*, const QString& text) { messages.push_back(text); });
        page.show();
    }

    void start(const QString& hours) {
        qobject_cast<QRadioButton*>(page.control(CRunInPage::IDC_EXIT_PROGRAM))->setChecked(true);
        qobject_cast<QComboBox*>(page.control(CRunInPage::IDC_HOURS))->setEditText(hours);
        qobject_cast<QAbstractButton*>(page.control(CRunInPage::IDC_RUN_IN))->click();
    }

    // Ticks once, elapsed seconds after the start; true once the session has ended.
    bool endedAt(std::int64_t elapsed) {
        now = kStart + elapsed;
        page.OnTimer();
        return !quitRequests.empty();
    }
};

TEST(HostileInputs, RunInPageHoursBox) {
    const std::vector<InputRow> rows = rowsFor({"hours"});
    ASSERT_FALSE(rows.empty());
    for (const InputRow& row : rows) {
        SCOPED_TRACE(describe(row));
        RunInSession session;
        session.start(row.text);
        ASSERT_TRUE(session.page.isRunning());
        if (row.outcome == QLatin1String("ends-after")) {
            // More than N whole hours: the first tick at (N + 1) hours, not a second before.
            const std::int64_t end = (row.number + 1) * 3600;
            EXPECT_FALSE(session.endedAt(end - 1));
            EXPECT_TRUE(session.endedAt(end));
        } else if (row.outcome == QLatin1String("ends-at-first-tick")) {
            EXPECT_TRUE(session.endedAt(0));
        } else if (row.outcome == QLatin1String("never-ends")) {
            EXPECT_FALSE(session.endedAt(0));
            EXPECT_FALSE(session.endedAt(std::int64_t{1} << 40));
            EXPECT_TRUE(session.page.isRunning());
        } else {
            ADD_FAILURE() << "unknown outcome";
        }
        if (!session.quitRequests.empty()) {
            EXPECT_EQ(session.quitRequests, std::vector<int>{0});
            EXPECT_FALSE(session.page.isRunning());
            EXPECT_FALSE(session.page.isPlaying());
        }
        EXPECT_TRUE(session.messages.empty());
    }
}

}  // namespace
}  // namespace quilbo::test
