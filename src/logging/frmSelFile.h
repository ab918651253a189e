#pragma once

#include "ui/Form.h"

#include <QDate>
#include <QString>

#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;

// The log file dialog: the operator names the log file (or takes one named
// after the date) and logging starts.
class frmSelFile : public Form
{
public:
    // startLogging switches the log timer and the logging lamp on, logging
    // to the path chosen.
    explicit frmSelFile(std::function<void(const QString &path)> startLogging, QWidget *parent = nullptr);

    // Today's date for the generic name (tests).
    void setClock(std::function<QDate()> today) { m_today = std::move(today); }

    // The current log file; empty until the first OK. Kept while the window
    // is closed.
    QString fullPathFilename;

    QPushButton *OKButton;
    QPushButton *CancelButton;
    QLineEdit *txtFileName;
    QLabel *lblInstruct;

    void OKButton_Click();
    void CancelButton_Click();

protected:
    void Form_Load() override;

private:
    std::function<void(const QString &path)> m_startLogging;
    std::function<QDate()> m_today;
};
