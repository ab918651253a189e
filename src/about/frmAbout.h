#pragma once

#include "ui/Form.h"

class Launcher;
class QLabel;
class QPushButton;
class Registry;

// The about box: the tool's title and version, a note on the hardware
// revision, the safety warning, and a button that starts the system
// information tool. Modeless; OK, Enter and Esc close it.
class frmAbout : public Form
{
    Q_OBJECT
public:
    // The registry and the launcher are used by "System Info..." and must
    // outlive the dialog.
    frmAbout(Registry &registry, Launcher &launcher, QWidget *parent = nullptr);

    QPushButton *cmdOK;
    QLabel *picIcon;
    QPushButton *cmdSysInfo;
    QLabel *lblDescription;
    QLabel *lblDisclaimer;
    QLabel *lblTitle;
    QLabel *lblVersion;

protected:
    void Form_Load() override;
    void keyPressEvent(QKeyEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void cmdOK_Click();
    void cmdSysInfo_Click();

    Registry &m_registry;
    Launcher &m_launcher;
};
