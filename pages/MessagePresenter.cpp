// The program's warning presenter: a modal message box.
#include "MessagePresenter.h"

#include <QGuiApplication>
#include <QMessageBox>

namespace quilbo {

MessagePresenter warningBoxPresenter() {
    return [](QWidget* owner, const QString& text) {
        QMessageBox::warning(owner, QGuiApplication::applicationDisplayName(), text,
                             QMessageBox::Ok);
    };
}

}  // namespace quilbo
