#pragma once

#include <QRect>
#include <QString>

class ColouredButton;
class QColor;
class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

// Builders for the controls of the tool's windows: each gets the name the
// operator's manual gives it and its place in the window's design, in pixels
// (see Twips.h).

template<typename W>
W *place(W *widget, const char *name, const QRect &geometry)
{
    widget->setObjectName(QLatin1String(name));
    widget->setGeometry(geometry);
    return widget;
}

// Plain text, left-aligned from the top; a box two lines high or more wraps its caption.
QLabel *label(QWidget *parent, const char *name, const QString &text, const QRect &geometry);

QLineEdit *textBox(QWidget *parent, const char *name, const QRect &geometry);

// Neither default nor auto-default: Enter presses nothing unless a window says so.
QPushButton *commandButton(QWidget *parent, const char *name, const QString &caption, const QRect &geometry);

// A command button whose colour shows a state.
ColouredButton *colouredButton(QWidget *parent, const char *name, const QString &caption, const QColor &colour,
                               const QRect &geometry);
