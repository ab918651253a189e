#pragma once

#include "FakeSerialControl.h"

#include "app/frmVANTOPortTestGui.h"

#include <QApplication>
#include <QTimer>

#include <memory>

// The real main window on a fake serial port that the test keeps a handle on.
template<typename Port = FakeSerialControl>
struct BasicWindowRig
{
    Port *port;
    std::unique_ptr<frmVANTOPortTestGui> window;

    explicit BasicWindowRig(bool portFails = false)
    {
        auto fake = std::make_unique<Port>();
        if (portFails)
            fake->failingPorts.insert(1);
        port = fake.get();
        window = std::make_unique<frmVANTOPortTestGui>(std::move(fake));
    }

    // Start-up, with the poll timer held so that every tick is the test's own.
    void startHeld()
    {
        window->Form_Load();
        Timer1()->stop();
    }

    template<typename T = QWidget>
    T *child(const char *name) const
    {
        return window->findChild<T *>(QLatin1String(name));
    }
    QTimer *Timer1() const { return child<QTimer>("Timer1"); }

    // One poll with the controller having answered `reply`; returns the letter
    // sent, empty when nothing went out.
    QByteArray tick(const QByteArray &reply = QByteArray())
    {
        port->rx = reply;
        const qsizetype before = port->writes.size();
        window->Timer1_Timer();
        return port->writes.size() == before ? QByteArray() : port->writes.last();
    }

    // One poll whose reply carries current readings of dead supplies, so the
    // load may be switched; its load state ("x") leaves the button as it is.
    void currentSupplies() { tick("300,290,1,10,0,0,x,*"); }

    static QWidget *topLevel(const char *name)
    {
        for (QWidget *w : QApplication::topLevelWidgets())
            if (w->objectName() == QLatin1String(name))
                return w;
        return nullptr;
    }
};

using WindowRig = BasicWindowRig<>;
