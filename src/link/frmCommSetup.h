#pragma once

#include "link/PortSetup.h"
#include "ui/Form.h"

#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;
// The dialog in which the operator picks the serial port, 1 to 8. It checks
// the entry and hands it to the chooser (the run), which moves the serial
// port and starts polling if it had stopped; the dialog only shows what that
// sequence says.
class frmCommSetup : public Form
{
public:
    static inline const QString Caption = QStringLiteral("Communication Setup");
    static inline const QString Instruction = QStringLiteral(
        "Input a port number for the subsea communication port. Then click \"Done\". Valid numbers are from 1 thru 8");

    // mainWindowLoaded tells whether the main window is still there to serve.
    frmCommSetup(PortChooser &chooser, std::function<bool()> mainWindowLoaded);

    void cmdDone_Click();
    void cmdCancel_Click();

protected:
    void Form_Load() override;

private:
    PortChooser &m_chooser;
    std::function<bool()> m_mainWindowLoaded;

    QLabel *Label1 = nullptr;
    QLabel *Label2 = nullptr;
    QLineEdit *txtSubseaPort = nullptr;
    QPushButton *cmdDone = nullptr;
    QPushButton *cmdCancel = nullptr;
};
