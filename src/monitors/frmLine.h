#pragma once

#include "link/LineRecord.h"
#include "ui/Form.h"

class QCheckBox;
class QPlainTextEdit;
class QPushButton;

// The line itself: every byte sent and received, with its time and
// direction, as text with the unprintable escaped or as hex. It follows the
// line while shown and not paused; Clear forgets what was kept, Save writes
// it as a text file.
class frmLine : public Form
{
public:
    static inline const QString Caption = QStringLiteral("Line");

    explicit frmLine(LineRecord &line, QWidget *parent = nullptr);

    // Adds what came since the last time; nothing while hidden or paused.
    void sync();
    void cmdClear_Click();
    void cmdSave_Click();
    // The kept bytes as the window shows them, to path; a failure is told in
    // a box naming the file and why.
    bool save(const QString &path);
    QString shownText() const;

protected:
    void Form_Load() override { rebuild(); }

private:
    void rebuild();
    void append(std::size_t from);

    LineRecord &m_line;
    quint64 m_shownNext = 0; // the number of the first chunk not yet shown
    QPlainTextEdit *txtLine = nullptr;
    QCheckBox *chkHex = nullptr;
    QPushButton *cmdPause = nullptr;
    QPushButton *cmdClear = nullptr;
    QPushButton *cmdSave = nullptr;
};
