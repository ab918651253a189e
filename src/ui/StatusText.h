#pragma once

#include <QLabel>
#include <QStringList>

// The status line: "No Data", "Bad Data" or a controller's message, shown
// verbatim (plain text) and whole within its box: wrapped at spaces, within a
// word too long for a line, and in smaller type when it needs more lines than
// the box holds. Only a message too long even for the smallest type is cut,
// with "…", and then shown whole in the tooltip. Screen readers get the status
// as the description of the line's name.
class StatusText : public QLabel
{
    Q_OBJECT

public:
    explicit StatusText(QWidget *parent = nullptr);

    void setStatus(const QString &text);

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
};
