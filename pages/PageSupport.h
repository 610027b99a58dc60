// What every page needs from the window: notices from other threads brought to the window
// thread, controls found by their identifiers, places kept for controls that come and go.
#pragma once

#include <QObject>

#include <functional>

class QLineEdit;
class QWidget;

namespace quilbo {

// Runs task on context's thread (the window thread) at its next event handling, or, while a
// render runs, once it has returned. Safe to call from any thread; a context that is gone by
// then drops the task. This is the player's window-thread poster in every page.
void postToWindowThread(QObject* context, std::function<void()> task);

// The control under root whose object name ends in "_<id>", or null.
QWidget* findControl(const QWidget* root, int id);

// Narrows an edit to the width of a few digits; the default fits a sentence.
void fitToDigits(QLineEdit* edit, int digits);

// The layout keeps the widget's place while it is hidden, so that nothing around it moves.
void keepPlaceWhenHidden(QWidget* widget);

}  // namespace quilbo
