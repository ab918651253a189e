#include "link/frmCommSetup.h"

#include "app/MsgBox.h"
#include "app/Twips.h"
#include "link/SerialControl.h"

#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QTimer>

#include <cmath>

namespace {
struct NotANumber
{ };
} // namespace

frmCommSetup::frmCommSetup(SerialControl &serial, QTimer &timer, std::function<bool()> mainWindowLoaded)
    : VANTOSerComm(serial)
    , Timer1(timer)
    , m_mainWindowLoaded(std::move(mainWindowLoaded))
{
    setObjectName(QStringLiteral("frmCommSetup"));
    setWindowTitle(Caption);
    resize(twips(4680), twips(3195));

    Label1 = new QLabel(Instruction, this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(twips(360, 120, 4215, 735));
    Label1->setWordWrap(true);
    Label1->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    Label2 = new QLabel(QStringLiteral("Subsea Port"), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setGeometry(twips(120, 1080, 1095, 255));

    txtSubseaPort = new QLineEdit(this);
    txtSubseaPort->setObjectName(QStringLiteral("txtSubseaPort"));
    txtSubseaPort->setGeometry(twips(120, 1440, 735, 285));

    cmdDone = new QPushButton(QStringLiteral("Done"), this);
    cmdDone->setObjectName(QStringLiteral("cmdDone"));
    cmdDone->setGeometry(twips(3120, 1440, 975, 375));
    cmdDone->setAutoDefault(false);

    cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    cmdCancel->setGeometry(twips(3120, 2040, 975, 375));
    cmdCancel->setAutoDefault(false);

    setTabOrder(txtSubseaPort, cmdDone);
    setTabOrder(cmdDone, cmdCancel);

    connect(cmdDone, &QPushButton::clicked, this, [this] { cmdDone_Click(); });
    connect(cmdCancel, &QPushButton::clicked, this, [this] { cmdCancel_Click(); });
}

QString frmCommSetup::communicationError(const SerialControl &serial)
{
    const QString detail = serial.lastErrorDetail();
    return detail.isEmpty() ? CommErrorText : CommErrorText + QStringLiteral("\n\n") + detail;
}

void frmCommSetup::Form_Load()
{
    txtSubseaPort->setText(QString::number(VANTOSerComm.CommPort()));
    txtSubseaPort->setFocus();
}

void frmCommSetup::cmdDone_Click()
{
    // With the main window gone there is no poll cycle left to serve.
    if (!m_mainWindowLoaded()) {
        Unload();
        return;
    }
    try {
        if (VANTOSerComm.PortOpen())
            VANTOSerComm.setPortOpen(false);

        const QString entry = txtSubseaPort->text();
        bool rejected = entry.isEmpty();
        double value = 0;
        if (!rejected) {
            bool isNumber = false;
            value = QLocale().toDouble(entry, &isNumber);
            // "nan" and "inf" parse, but name no port.
            if (!isNumber || !std::isfinite(value))
                throw NotANumber{};
            rejected = value < SerialControl::FirstPort || value > SerialControl::LastPort;
        }

        if (rejected) {
            MsgBox(BadPortText, MsgBoxButtons::OkOnly, BadPortTitle);
            txtSubseaPort->setFocus();
            VANTOSerComm.setPortOpen(true);
            return;
        }

        // Halves go to the even neighbour: 2.5 is port 2, 3.5 port 4.
        VANTOSerComm.setCommPort(int(std::nearbyint(value)));
        VANTOSerComm.setPortOpen(true);
        Unload();
        if (!Timer1.isActive())
            Timer1.start();
    } catch (const NotANumber &) {
        MsgBox(CommErrorText, MsgBoxButtons::OkOnly, CommErrorTitle);
        txtSubseaPort->setFocus();
    } catch (const LinkError &) {
        MsgBox(communicationError(VANTOSerComm), MsgBoxButtons::OkOnly, CommErrorTitle);
        txtSubseaPort->setFocus();
    }
}

void frmCommSetup::cmdCancel_Click()
{
    Unload();
}
