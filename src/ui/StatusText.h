#pragma once

#include <QLabel>
#include <QStringList>

// The status line: "No Data", "Bad Data" or a controller's message, shown
// verbatim (plain text) and whole within its box: wrapped at spaces, within a
// word too long for a line, and in smaller type when it needs more lines than
// the box holds. Only a message too long even for the smallest type is cut,
// with "…", and then shown whole in the tooltip. A screen reader hears the
// line's name with the status ("Comm Status: Bad Data at field 3"), and is
// told when it changes.
class StatusText : public QLabel
{
    Q_OBJECT

public:
    explicit StatusText(QWidget *parent = nullptr);

    // What a screen reader calls the line, before its status.
    void setName(const QString &name);
    // heard: what a screen reader is told, when more than the text shown.
    void setStatus(const QString &text, const QString &heard = {});

    // How a text is set within a box: the font, the lines and their height.
    struct Fit
    {
        QFont font;
        QStringList lines;
        qreal height = 0;
        bool cut = false;
    };
    static Fit fit(const QString &text, const QFont &font, const QSize &box);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString m_name;
    QString m_heard;
};
