// The keys a page keeps from the window that holds it.
#pragma once

#include <QKeyEvent>

namespace quilbo {

// A page is not a dialog: Enter and Escape must not end it (or the window holding it). A focused
// push button has already taken Enter as a click before the event gets to its page. True when the
// key was one of those and has been taken.
inline bool takeDialogKey(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Escape:
            event->accept();
            return true;
        default:
            return false;
    }
}

}  // namespace quilbo
