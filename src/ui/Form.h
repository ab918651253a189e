#pragma once

#include <QWidget>

// A tool window that exists once for the whole run. Showing it loads it (fresh
// controls and its load step) unless it is already on screen, in which case it
// only comes forward. Unloading takes it off screen; the object and its
// variables stay.
class Form : public QWidget
{
public:
    using QWidget::QWidget;

    void Show()
    {
        if (!isVisible()) {
            Form_Load();
            show();
        }
        // Brought forward from the taskbar too.
        setWindowState(windowState() & ~Qt::WindowMinimized);
        raise();
        activateWindow();
    }

    void Unload() { close(); }

protected:
    virtual void Form_Load() { }
};
