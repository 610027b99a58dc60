// Page support: the window-thread poster, control look-up and place keeping.
#include "pages/PageSupport.h"

#include "pages/RenderSession.h"

#include <QPointer>
#include <QWidget>

namespace quilbo {

void postToWindowThread(QObject* context, std::function<void()> task) {
    QMetaObject::invokeMethod(
        context,
        [context = QPointer<QObject>(context), task = std::move(task)]() mutable {
            RenderSession::whenNotRendering(context, std::move(task));
        },
        Qt::QueuedConnection);
}

QWidget* findControl(const QWidget* root, int id) {
    const QString suffix = QLatin1Char('_') + QString::number(id);
    for (QWidget* child : root->findChildren<QWidget*>()) {
        if (child->objectName().endsWith(suffix)) {
            return child;
        }
    }
    return nullptr;
}

void keepPlaceWhenHidden(QWidget* widget) {
    QSizePolicy policy = widget->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    widget->setSizePolicy(policy);
}

}  // namespace quilbo
