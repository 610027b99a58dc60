// CAboutDlg: the About box, in Chinese whatever the interface language.
#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class CAboutDlg;
}

class CAboutDlg : public QDialog {
    Q_OBJECT

public:
    explicit CAboutDlg(QWidget* parent = nullptr);
    ~CAboutDlg() override;

private:
    std::unique_ptr<Ui::CAboutDlg> m_ui;
};

namespace quilbo {
// Runs the About box modally over parent and returns when the user has closed it. Timers and
// playback go on meanwhile.
void showAboutBox(QWidget* parent);
}  // namespace quilbo
