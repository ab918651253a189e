#include "ui/Controls.h"

#include "ui/ColouredButton.h"

#include <QLabel>
#include <QLineEdit>

QLabel *label(QWidget *parent, const char *name, const QString &text, const QRect &geometry)
{
    auto *l = place(new QLabel(text, parent), name, geometry);
    // Shown as typed: a "<" in a caption or a reply is not markup.
    l->setTextFormat(Qt::PlainText);
    // Two-line boxes wrap; a one-line box would only push its last word out of sight.
    l->setWordWrap(geometry.height() >= 2 * l->fontMetrics().height());
    l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return l;
}

QLineEdit *textBox(QWidget *parent, const char *name, const QRect &geometry)
{
    return place(new QLineEdit(parent), name, geometry);
}

QPushButton *commandButton(QWidget *parent, const char *name, const QString &caption, const QRect &geometry)
{
    auto *b = place(new QPushButton(caption, parent), name, geometry);
    b->setAutoDefault(false);
    return b;
}

ColouredButton *colouredButton(QWidget *parent, const char *name, const QString &caption, const QColor &colour,
                               const QRect &geometry)
{
    auto *b = place(new ColouredButton(caption, parent), name, geometry);
    b->setBackColor(colour);
    return b;
}
