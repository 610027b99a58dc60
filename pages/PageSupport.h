// What every page needs from the window: notices from other threads brought to the window
// thread, controls found by their identifiers, places kept for controls that come and go.
#pragma once

#include "audio/Inbox.h"

#include <QObject>

#include <functional>

class QLineEdit;
class QWidget;

namespace quilbo {

// Tasks posted from any thread, run on their owner's thread (the window thread) at its next event
// handling, or, while a render runs, once it has returned. This is the player's window-thread
// poster in every page.
using WindowTasks = Inbox<std::function<void()>>;
// An inbox of tasks owned by owner (its child, made on its thread): a task still waiting when owner
// goes is dropped.
WindowTasks* windowTasks(QObject* owner);

// The control under root whose object name ends in "_<id>", or null.
QWidget* findControl(const QWidget* root, int id);

// Narrows an edit to the width of a few digits; the default fits a sentence.
void fitToDigits(QLineEdit* edit, int digits);

// The layout keeps the widget's place while it is hidden, so that nothing around it moves.
void keepPlaceWhenHidden(QWidget* widget);

}  // namespace quilbo
