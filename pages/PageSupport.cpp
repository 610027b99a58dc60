// Page support: the window-thread poster, control look-up and place keeping.
#include "pages/PageSupport.h"

#include "pages/RenderSession.h"

#include <QLineEdit>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QWidget>

namespace quilbo {

WindowTasks* windowTasks(QObject* owner) {
    return new WindowTasks(owner, [owner](std::vector<std::function<void()>>&& tasks) {
        for (std::function<void()>& task : tasks) {
            RenderSession::whenNotRendering(owner, std::move(task));
        }
    });
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

// Narrows an edit to the width of a few digits; the default fits a sentence.
void fitToDigits(QLineEdit* edit, int digits) {
    QStyleOptionFrame option;
    option.initFrom(edit);
    option.lineWidth = edit->hasFrame()
                           ? edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, edit)
                           : 0;
    const QFontMetrics metrics(edit->font());
    const QSize text(metrics.horizontalAdvance(QString(digits, u'0')) + 8, metrics.height());
    const QSize size = edit->style()->sizeFromContents(QStyle::CT_LineEdit, &option, text, edit);
    edit->setFixedWidth(size.width());
}

void keepPlaceWhenHidden(QWidget* widget) {
    QSizePolicy policy = widget->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    widget->setSizePolicy(policy);
}

}  // namespace quilbo
