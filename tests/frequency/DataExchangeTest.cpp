// Data exchange between controls and members: conversions, range checks, failure handling.
#include "pages/DataExchange.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>
#include <QWidget>

#include <gtest/gtest.h>

namespace quilbo {
namespace {

struct Form {
    QWidget window;
    QLineEdit* first = new QLineEdit(&window);
    QLineEdit* second = new QLineEdit(&window);
    QComboBox* combo = new QComboBox(&window);
    QRadioButton* a = new QRadioButton(QStringLiteral("a"), &window);
    QRadioButton* b = new QRadioButton(QStringLiteral("b"), &window);
    QCheckBox* box = new QCheckBox(&window);
    QStringList messages;

    Form() {
        auto* layout = new QVBoxLayout(&window);
        for (QWidget* w : std::initializer_list<QWidget*>{first, second, combo, a, b, box}) {
            layout->addWidget(w);
        }
        combo->setEditable(true);
        combo->addItems({QStringLiteral("2"), QStringLiteral("4"), QStringLiteral("6"),
                         QStringLiteral("OPTC")});
        window.show();
        QApplication::setActiveWindow(&window);
    }

    DataExchange exchange(DataExchange::Direction direction) {
        return DataExchange(direction, &window,
                            [this](QWidget*, const QString& text) { messages << text; });
    }
};

TEST(DataExchange, IntegersInRangePassAndAnythingElseStopsTheExchange) {
    Form form;
    struct Case {
        QString text;
        bool ok;
        QString message;
    };
    const QString between = DataExchange::integerBetween(20, 40000);
    const QString integer = DataExchange::integerExpected();
    const Case cases[] = {
        {QStringLiteral("20"), true, {}},
        {QStringLiteral(" 40000 "), true, {}},
        {QStringLiteral("+1000"), true, {}},
        {QStringLiteral("19"), false, between},
        {QStringLiteral("40001"), false, between},
        {QStringLiteral("-20"), false, between},
        {QStringLiteral("99999999999999999999"), false, between},
        {QStringLiteral("1e3"), false, integer},
        {QStringLiteral("abc"), false, integer},
        {QString(), false, integer},
        {QStringLiteral("12 3"), false, integer},
        {QStringLiteral("-"), false, integer},
    };
    for (const Case& c : cases) {
        form.messages.clear();
        form.first->setText(c.text);
        form.second->setText(QStringLiteral("7"));
        std::int32_t value = -1;
        std::int32_t after = -1;
        form.second->setFocus();
        DataExchange dx = form.exchange(DataExchange::Direction::FromControls);
        dx.integer(form.first, value, 20, 40000);
        dx.integer(form.second, after, 1, 300);
        EXPECT_EQ(!dx.failed(), c.ok) << c.text.toStdString();
        if (c.ok) {
            EXPECT_EQ(value, c.text.trimmed().toInt()) << c.text.toStdString();
            EXPECT_EQ(after, 7);
            EXPECT_TRUE(form.messages.isEmpty());
        } else {
            EXPECT_EQ(value, -1) << "a bad field leaves its member alone";
            EXPECT_EQ(after, -1) << "the exchange stops at the first bad field";
            ASSERT_EQ(form.messages.size(), 1);
            EXPECT_EQ(form.messages.front(), c.message);
            EXPECT_TRUE(form.first->hasFocus());
            EXPECT_EQ(form.first->selectedText(), form.first->text());
        }
    }
}

TEST(DataExchange, TowardsTheControlsAComboSelectsTheFirstEntryBeginningWithTheText) {
    Form form;
    DataExchange dx = form.exchange(DataExchange::Direction::ToControls);
    QString text = QStringLiteral("op");
    dx.text(form.combo, text);
    EXPECT_EQ(form.combo->currentIndex(), 3);
    EXPECT_EQ(form.combo->currentText(), QStringLiteral("OPTC"));

    text = QStringLiteral("4");
    dx.text(form.combo, text);
    EXPECT_EQ(form.combo->currentIndex(), 1);

    text = QStringLiteral("8000");
    dx.text(form.combo, text);
    EXPECT_EQ(form.combo->currentText(), QStringLiteral("8000"));

    QString back;
    form.exchange(DataExchange::Direction::FromControls).text(form.combo, back);
    EXPECT_EQ(back, QStringLiteral("8000"));
}

TEST(DataExchange, RadioGroupsAndCheckBoxesGoBothWays) {
    Form form;
    std::int32_t index = 1;
    std::int32_t flag = 1;
    QString text = QStringLiteral("  0DB");
    auto out = form.exchange(DataExchange::Direction::ToControls);
    out.radioGroup({form.a, form.b}, index);
    out.check(form.box, flag);
    out.text(form.first, text);
    EXPECT_FALSE(form.a->isChecked());
    EXPECT_TRUE(form.b->isChecked());
    EXPECT_TRUE(form.box->isChecked());
    EXPECT_EQ(form.first->text(), text);

    index = -1;
    out.radioGroup({form.a, form.b}, index);
    EXPECT_FALSE(form.a->isChecked());
    EXPECT_FALSE(form.b->isChecked());

    form.a->setChecked(true);
    form.box->setChecked(false);
    std::int32_t readIndex = -7;
    std::int32_t readFlag = -7;
    auto in = form.exchange(DataExchange::Direction::FromControls);
    in.radioGroup({form.a, form.b}, readIndex);
    in.check(form.box, readFlag);
    EXPECT_EQ(readIndex, 0);
    EXPECT_EQ(readFlag, 0);
}

}  // namespace
}  // namespace quilbo
