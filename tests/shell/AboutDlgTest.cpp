// CAboutDlg: fixed Chinese texts in both interface languages, the icon, and the modal run that
// ends with OK or Escape while the application's timers go on.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "Translations.h"
#include "app/AboutDlg.h"

namespace {

QStringList labelTexts(const QWidget& dialog) {
    QStringList texts;
    for (const QLabel* label : dialog.findChildren<QLabel*>()) {
        if (!label->text().isEmpty()) {
            texts << label->text();
        }
    }
    return texts;
}

bool hasChineseCharacter(const QString& text) {
    for (const QChar c : text) {
        if (c.unicode() >= 0x4e00 && c.unicode() <= 0x9fff) {
            return true;
        }
    }
    return false;
}

TEST(AboutDlg, ShowsChineseTextsInEitherInterfaceLanguage) {
    for (const char* locale : {"en_US", "zh_CN"}) {
        SCOPED_TRACE(locale);
        quilbo::installTranslations(QLocale(QString::fromLatin1(locale)));
        CAboutDlg dialog;
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral("关于 Quilbo"));
        EXPECT_TRUE(dialog.isModal());

        const QStringList texts = labelTexts(dialog);
        ASSERT_EQ(texts.size(), 2);
        EXPECT_EQ(texts[0], QStringLiteral("Quilbo 1.1 版"));
        EXPECT_TRUE(hasChineseCharacter(texts[1])) << texts[1].toStdString();

        const auto buttons = dialog.findChildren<QPushButton*>();
        ASSERT_EQ(buttons.size(), 1);
        EXPECT_EQ(buttons[0]->text(), QStringLiteral("确定"));
        EXPECT_TRUE(buttons[0]->isDefault());

        bool iconShown = false;
        for (const QLabel* label : dialog.findChildren<QLabel*>()) {
            const QPixmap pixmap = label->pixmap();
            if (!pixmap.isNull()) {
                iconShown = true;
                EXPECT_EQ(pixmap.deviceIndependentSize().toSize(), QSize(48, 48));
            }
        }
        EXPECT_TRUE(iconShown);
    }
    quilbo::installTranslations(QLocale(QStringLiteral("en_US")));
}

// Runs showAboutBox over a parent window. A timer of the parent counts its ticks while the box is
// up and, after three, ends the box with `close`; after 5 s without a box it ends any About box so
// that a fault cannot hang the test.
struct ModalRun {
    bool sawModalBox = false;
    int ticksWhileOpen = 0;
};

ModalRun runAboutBox(const std::function<void(QWidget*)>& close) {
    QWidget parent;
    parent.show();
    ModalRun run;
    int ticks = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        QWidget* box = QApplication::activeModalWidget();
        if (box != nullptr && ++run.ticksWhileOpen == 3) {
            run.sawModalBox = qobject_cast<CAboutDlg*>(box) != nullptr && box->isModal() &&
                              box->parentWidget() == &parent;
            close(box);
        } else if (box == nullptr && ++ticks == 1000) {
            for (QWidget* widget : QApplication::allWidgets()) {
                if (auto* about = qobject_cast<CAboutDlg*>(widget)) {
                    about->reject();
                }
            }
        }
    });
    ticker.start(5);
    quilbo::showAboutBox(&parent);
    return run;
}

TEST(AboutDlg, OkOrEscapeEndsTheModalBoxWhileTimersGoOn) {
    const ModalRun accepted = runAboutBox([](QWidget* box) {
        QPushButton* ok = box->findChild<QPushButton*>();
        ASSERT_NE(ok, nullptr);
        QTest::mouseClick(ok, Qt::LeftButton);
    });
    EXPECT_TRUE(accepted.sawModalBox);
    EXPECT_EQ(accepted.ticksWhileOpen, 3);

    const ModalRun escaped =
        runAboutBox([](QWidget* box) { QTest::keyClick(box, Qt::Key_Escape); });
    EXPECT_TRUE(escaped.sawModalBox);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

}  // namespace
