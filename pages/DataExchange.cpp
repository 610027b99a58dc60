// Data exchange between controls and members: the conversions and the integer range checks.
#include "DataExchange.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QCoreApplication>
#include <QLineEdit>
#include <QRadioButton>

#include <algorithm>
#include <limits>
#include <utility>

namespace quilbo {

namespace {
// Parses optional blanks, an optional sign, decimal digits and optional blanks. A value that
// does not fit 32 bits is still a whole number, reported as just outside the range.
bool parseInteger(const QString& text, std::int64_t& value) {
    const QString trimmed = text.trimmed();
    qsizetype i = 0;
    bool negative = false;
    if (i < trimmed.size() && (trimmed[i] == u'+' || trimmed[i] == u'-')) {
        negative = trimmed[i] == u'-';
        ++i;
    }
    if (i == trimmed.size()) {
        return false;
    }
    constexpr std::int64_t kCap = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
    std::int64_t magnitude = 0;
    for (; i < trimmed.size(); ++i) {
        const QChar c = trimmed[i];
        if (c < u'0' || c > u'9') {
            return false;
        }
        magnitude = std::min(kCap, magnitude * 10 + (c.unicode() - u'0'));
    }
    value = negative ? -magnitude : magnitude;
    return true;
}
}  // namespace

DataExchange::DataExchange(Direction direction, QWidget* owner, MessagePresenter presenter)
    : m_direction(direction), m_owner(owner), m_presenter(std::move(presenter)) {}

QString DataExchange::integerExpected() {
    return QCoreApplication::translate("DataExchange", "Please enter an integer.");
}

QString DataExchange::integerBetween(std::int32_t min, std::int32_t max) {
    return QCoreApplication::translate("DataExchange", "Please enter an integer between %1 and %2.")
        .arg(min)
        .arg(max);
}

void DataExchange::fail(QWidget* field, const QString& message) {
    m_failed = true;
    if (m_presenter) {
        m_presenter(m_owner, message);
    }
    field->setFocus(Qt::OtherFocusReason);
    if (auto* edit = qobject_cast<QLineEdit*>(field)) {
        edit->selectAll();
    }
}

void DataExchange::text(QComboBox* combo, QString& value) {
    if (m_failed) {
        return;
    }
    if (fromControls()) {
        value = combo->currentText();
        return;
    }
    for (int i = 0; i < combo->count(); ++i) {
        if (combo->itemText(i).startsWith(value, Qt::CaseInsensitive)) {
            combo->setCurrentIndex(i);
            if (combo->isEditable()) {
                combo->setEditText(combo->itemText(i));
            }
            return;
        }
    }
    if (combo->isEditable()) {
        combo->setEditText(value);
    }
}

void DataExchange::text(QLineEdit* edit, QString& value) {
    if (m_failed) {
        return;
    }
    if (fromControls()) {
        value = edit->text();
    } else {
        edit->setText(value);
    }
}

void DataExchange::integer(QLineEdit* edit, std::int32_t& value, std::int32_t min,
                           std::int32_t max) {
    if (m_failed) {
        return;
    }
    if (!fromControls()) {
        edit->setText(QString::number(value));
        return;
    }
    std::int64_t parsed = 0;
    if (!parseInteger(edit->text(), parsed)) {
        fail(edit, integerExpected());
        return;
    }
    if (parsed < min || parsed > max) {
        fail(edit, integerBetween(min, max));
        return;
    }
    value = static_cast<std::int32_t>(parsed);
}

void DataExchange::radioGroup(std::initializer_list<QRadioButton*> group, std::int32_t& index) {
    if (m_failed) {
        return;
    }
    std::int32_t i = 0;
    if (fromControls()) {
        index = -1;
        for (QRadioButton* button : group) {
            if (button->isChecked()) {
                index = i;
                return;
            }
            ++i;
        }
        return;
    }
    for (QRadioButton* button : group) {
        // Unchecking needs the group's exclusivity lifted for a moment, or Qt keeps the check.
        const bool exclusive = button->autoExclusive();
        button->setAutoExclusive(false);
        button->setChecked(i == index);
        button->setAutoExclusive(exclusive);
        ++i;
    }
}

void DataExchange::check(QAbstractButton* box, std::int32_t& flag) {
    if (m_failed) {
        return;
    }
    if (fromControls()) {
        flag = box->isChecked() ? 1 : 0;
    } else {
        box->setChecked(flag != 0);
    }
}

void DataExchange::check(QAbstractButton* box, bool& flag) {
    std::int32_t value = flag ? 1 : 0;
    check(box, value);
    if (!m_failed && fromControls()) {
        flag = value != 0;
    }
}

}  // namespace quilbo
