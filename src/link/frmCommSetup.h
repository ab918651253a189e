#pragma once

#include "link/PortSetup.h"
#include "ui/Form.h"

#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;
class SerialControl;

// The dialog in which the operator picks the serial port, 1 to 8. Done moves
// the main window's serial control to the chosen port and starts polling if it
// had stopped; the dialog only shows what that sequence says.
class frmCommSetup : public Form
{
public:
    static inline const QString Caption = QStringLiteral("Communication Setup");
    static inline const QString Instruction = QStringLiteral(
        "Input a port number for the subsea communication port. Then click \"Done\". Valid numbers are from 1 thru 8");

    // mainWindowLoaded tells whether the main window is still there to serve.
    frmCommSetup(SerialControl &VANTOSerComm, QTimer &Timer1, std::function<bool()> mainWindowLoaded);

    void cmdDone_Click();
    void cmdCancel_Click();

protected:
    void Form_Load() override;

private:
    SerialControl &VANTOSerComm;
    PortSetup m_setup;
    std::function<bool()> m_mainWindowLoaded;

    QLabel *Label1 = nullptr;
    QLabel *Label2 = nullptr;
    QLineEdit *txtSubseaPort = nullptr;
    QPushButton *cmdDone = nullptr;
    QPushButton *cmdCancel = nullptr;
};
