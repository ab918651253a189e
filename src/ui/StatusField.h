#pragma once

#include <QLabel>

// One field of the status bar: a label whose text a screen reader hears with
// the field's name ("Link status: Port 1 …"), told as it changes. A text too
// long for the field is shortened in the middle of its less important part
// only; the full text is then its tooltip, and always what text() and a
// screen reader give.
class StatusField : public QLabel
{
    Q_OBJECT

public:
    StatusField(const QString &name, QWidget *parent = nullptr);

    // The text, with [from, to) its less important part: what is shortened
    // first. A field with no text hides.
    void setField(const QString &text, qsizetype from, qsizetype to);
    void setField(const QString &text) { setField(text, 0, text.size()); }

    // What is drawn in that width.
    QString shownText(int width) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void updateTip();

    QString m_name;
    qsizetype m_from = 0;
    qsizetype m_to = 0;
};
