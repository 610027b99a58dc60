// How a page shows a warning the user must acknowledge; tests put a recorder in its place.
#pragma once

#include <QString>

#include <functional>

class QWidget;

namespace quilbo {

// Shows text as a warning owned by owner. The program's presenter is a modal message box.
using MessagePresenter = std::function<void(QWidget* owner, const QString& text)>;

// A message box owned by owner: the application's display name as caption, the warning icon
// and an OK button.
MessagePresenter warningBoxPresenter();

}  // namespace quilbo
