#pragma once

#include "app/frmVANTOPortTestGui.h"
#include "instruments/Lamp.h"

#include <QLabel>
#include <QLineEdit>
#include <QTimer>

#include <memory>

// What a test reads off the main window it runs, by the controls' names.
class WindowProbe
{
public:
    explicit WindowProbe(const std::unique_ptr<frmVANTOPortTestGui> &window)
        : m_probed(window)
    { }

    template<typename T = QWidget>
    T *child(const char *name) const
    {
        return m_probed->findChild<T *>(QLatin1String(name));
    }
    QString status() const { return child<QLabel>("lblCommStatData")->text(); }
    QString raw() const { return child<QLineEdit>("Text1")->text(); }
    QString loadCanTemp() const { return child<QLineEdit>("txtLoadCanTemp")->text(); }
    bool serialLamp() const { return child<Lamp>("CWButton2")->Value(); }
    QTimer *Timer1() const { return child<QTimer>("Timer1"); }

private:
    const std::unique_ptr<frmVANTOPortTestGui> &m_probed;
};
