#pragma once

#include <QList>

class QAction;
class QWidget;

// The window's own shortcuts act from anywhere in it: a text box that would
// take one of their keys for itself (Ctrl+X as Cut) lets them through.
void keepShortcutsFromTextBoxes(QWidget *window, const QList<QAction *> &actions);
