#pragma once

#include "procedure/ProcedureEngine.h"
#include "procedure/ProcedureFile.h"
#include "procedure/ProcedureRun.h"
#include "ui/Form.h"

#include <QTimer>

#include <memory>

class PortRun;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTreeWidget;

// The Port Test window: a procedure chosen, checked and run step by step over
// the run, with the running step's live values, Continue for the operator's
// steps and Abort. A thin shell over ProcedureEngine; closing it aborts.
class frmPortTest : public Form
{
    Q_OBJECT

public:
    static inline const QString Caption = QStringLiteral("Port Test");

    explicit frmPortTest(PortRun &run, QWidget *parent = nullptr);
    ~frmPortTest() override;

    // Chooses the procedure at path, adding it to the list when it isn't there.
    void choose(const QString &path);

    void cmdStart_Click();
    void cmdContinue_Click();
    void cmdAbort_Click();

    const ProcedureEngine *engine() const { return m_engine.get(); }
    const ProcedureLoad &loaded() const { return m_load; }
    // The last report's PDF, empty before one was written.
    QString reportPath() const { return m_reportPath; }
    // Where reports go: ~/VANTOData/reports/.
    static QString reportDirectory();

protected:
    void Form_Load() override;
    void closeEvent(QCloseEvent *event) override;

private:
    void buildControls();
    void listProcedures();
    void procedureChosen(int index);
    void refresh();
    void refreshSteps();
    void ended();
    // Writes the report of the run that ended; says where it went or why not.
    QString saveReport();

    PortRun &m_run;
    PortRunAccess m_access;
    ProcedureLoad m_load;
    std::unique_ptr<ProcedureEngine> m_engine;
    QString m_reportPath;
    QTimer m_tick; // timeouts run on while the line is silent

    QComboBox *cboProcedure = nullptr;
    QPlainTextEdit *txtFaults = nullptr;
    QTreeWidget *lstSteps = nullptr;
    QLabel *lblStep = nullptr;
    QLabel *lblLive = nullptr;
    QLabel *lblLoad = nullptr;
    QLineEdit *txtValue = nullptr;
    QLabel *lblRefusal = nullptr;
    QLabel *lblVerdict = nullptr;
    QLabel *lblReport = nullptr; // the failed step, where the report went
    QPushButton *cmdStart = nullptr;
    QPushButton *cmdContinue = nullptr;
    QPushButton *cmdAbort = nullptr;
};
