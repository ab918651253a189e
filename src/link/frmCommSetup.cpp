#include "link/frmCommSetup.h"

#include "ui/Controls.h"
#include "ui/MsgBox.h"
#include "ui/Twips.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

frmCommSetup::frmCommSetup(PortChooser &chooser, std::function<bool()> mainWindowLoaded)
    : m_chooser(chooser)
    , m_mainWindowLoaded(std::move(mainWindowLoaded))
{
    setObjectName(QStringLiteral("frmCommSetup"));
    setWindowTitle(Caption);
    resize(twips(4680), twips(3195));

    Label1 = label(this, "Label1", Instruction, twips(360, 120, 4215, 735));
    Label2 = label(this, "Label2", QStringLiteral("Subsea Port"), twips(120, 1080, 1095, 255));
    txtSubseaPort = textBox(this, "txtSubseaPort", twips(120, 1440, 735, 285));
    cmdDone = commandButton(this, "cmdDone", QStringLiteral("Done"), twips(3120, 1440, 975, 375));
    cmdCancel = commandButton(this, "cmdCancel", QStringLiteral("Cancel"), twips(3120, 2040, 975, 375));

    setTabOrder(txtSubseaPort, cmdDone);
    setTabOrder(cmdDone, cmdCancel);

    connect(cmdDone, &QPushButton::clicked, this, [this] { cmdDone_Click(); });
    connect(cmdCancel, &QPushButton::clicked, this, [this] { cmdCancel_Click(); });
}

void frmCommSetup::Form_Load()
{
    txtSubseaPort->setText(QString::number(m_chooser.currentPort()));
    txtSubseaPort->setFocus();
}

void frmCommSetup::cmdDone_Click()
{
    // With the main window gone there is no poll cycle left to serve.
    if (!m_mainWindowLoaded()) {
        Unload();
        return;
    }
    const bool accepted = m_chooser.choose(checkPortEntry(txtSubseaPort->text()), [this](const PortMessage &message) {
        MsgBox(message.text, MsgBoxButtons::OkOnly, message.title);
        txtSubseaPort->setFocus();
    });
    if (!accepted)
        return;
    // Unloaded before polling starts, in that order.
    Unload();
    m_chooser.chosen();
}

void frmCommSetup::cmdCancel_Click()
{
    Unload();
}
