// Moves control contents to and from a page's members, with integer range checks on the way in.
#pragma once

#include "pages/MessagePresenter.h"

#include <QString>

#include <cstdint>
#include <initializer_list>

class QAbstractButton;
class QComboBox;
class QLineEdit;
class QRadioButton;
class QWidget;

namespace quilbo {

// One pass of data exchange. Fields are exchanged in the order the page calls them; when
// reading controls, the first field that fails shows its message through the presenter, takes
// the focus, and every later call of the pass does nothing.
class DataExchange {
public:
    enum class Direction { ToControls, FromControls };

    DataExchange(Direction direction, QWidget* owner, MessagePresenter presenter);

    bool fromControls() const { return m_direction == Direction::FromControls; }
    bool failed() const { return m_failed; }

    // The combo box's edit text. Towards the control, the first list entry that begins with the
    // text (ignoring case) is selected; without one, the text becomes the box's text.
    void text(QComboBox* combo, QString& value);
    void text(QLineEdit* edit, QString& value);
    // A signed decimal integer between min and max inclusive.
    void integer(QLineEdit* edit, std::int32_t& value, std::int32_t min, std::int32_t max);
    // Index of the checked button of a radio group, -1 when none is.
    void radioGroup(std::initializer_list<QRadioButton*> group, std::int32_t& index);
    void check(QAbstractButton* box, std::int32_t& flag);
    void check(QAbstractButton* box, bool& flag);

    static QString integerExpected();
    static QString integerBetween(std::int32_t min, std::int32_t max);

private:
    void fail(QWidget* field, const QString& message);

    Direction m_direction;
    QWidget* m_owner;
    MessagePresenter m_presenter;
    bool m_failed = false;
};

}  // namespace quilbo
