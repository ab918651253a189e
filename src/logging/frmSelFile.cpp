#include "logging/frmSelFile.h"

#include "logging/LogPaths.h"
#include "ui/Controls.h"
#include "ui/MsgBox.h"
#include "ui/Twips.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

frmSelFile::frmSelFile(std::function<void(const QString &path)> startLogging, QWidget *parent)
    : Form(parent)
    , m_startLogging(std::move(startLogging))
    , m_today([] { return QDate::currentDate(); })
{
    setObjectName(QStringLiteral("frmSelFile"));
    setWindowTitle(QStringLiteral("Log File selection/creation"));
    // A tool window stays out of the task bar; close box only.
    setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint
                   | Qt::MSWindowsFixedSizeDialogHint);
    // Unlike other tool windows it keeps the tool running while it is open.
    setAttribute(Qt::WA_QuitOnClose);
    setFixedSize(twips(2760, 3750, 6030, 3195).size());

    OKButton = commandButton(this, "OKButton", QStringLiteral("OK"), twips(4680, 120, 1215, 375));
    CancelButton = commandButton(this, "CancelButton", QStringLiteral("Cancel"), twips(4680, 600, 1215, 375));
    txtFileName = textBox(this, "txtFileName", twips(0, 480, 2895, 375));
    lblInstruct = label(this, "lblInstruct", QStringLiteral("Enter a file name to store your data under."),
                        twips(240, 1080, 2295, 495));

    setTabOrder(OKButton, CancelButton);
    setTabOrder(CancelButton, txtFileName);

    connect(OKButton, &QPushButton::clicked, this, &frmSelFile::OKButton_Click);
    connect(CancelButton, &QPushButton::clicked, this, &frmSelFile::CancelButton_Click);
}

void frmSelFile::Form_Load()
{
    // Placed, not centred: the client area's corner goes to its design spot.
    setGeometry(twips(2760, 3750, 6030, 3195));
    txtFileName->clear();
    OKButton->setFocus();
}

void frmSelFile::OKButton_Click()
{
    const QString name = txtFileName->text();
    if (name.isEmpty()) {
        const MsgBoxAnswer answer
            = MsgBox(QStringLiteral("If no file name is entered a generic file will be created in "
                                    "the Root Dir. Select No to cancel."),
                     MsgBoxButtons::YesNo, QStringLiteral("No File Name"));
        if (answer != MsgBoxAnswer::Yes) {
            txtFileName->setFocus();
            return;
        }
        fullPathFilename = LogPaths::genericLogFile(m_today());
    } else {
        fullPathFilename = LogPaths::fullPathFilename(name);
    }
    m_startLogging(fullPathFilename);
    Unload();
}

void frmSelFile::CancelButton_Click()
{
    Unload();
}
