// The About box: icon, two lines of text and an OK button; its texts are not translated.
#include "app/AboutDlg.h"

#include "app/ShellArt.h"
#include "ui_AboutDlg.h"

namespace {
constexpr int kIconSize = 48;
}

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent), m_ui(std::make_unique<Ui::CAboutDlg>()) {
    m_ui->setupUi(this);
    const QIcon icon = quilbo::appIcon();
    setWindowIcon(icon);
    m_ui->iconLabel->setPixmap(icon.pixmap(QSize(kIconSize, kIconSize), devicePixelRatioF()));
}

CAboutDlg::~CAboutDlg() = default;

namespace quilbo {
void showAboutBox(QWidget* parent) {
    CAboutDlg dialog(parent);
    dialog.exec();
}
}  // namespace quilbo

#include "moc_AboutDlg.cpp"
