// Prints how long one poll tick takes on the real window with a fake port and
// the settle delay skipped: what the tick itself costs the window thread.
#include "FakeSerialControl.h"

#include "app/frmVANTOPortTestGui.h"
#include "link/Comunication.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    Comunication::setSettleWait([](float) {});

    auto fake = std::make_unique<FakeSerialControl>();
    FakeSerialControl *port = fake.get();
    frmVANTOPortTestGui window(std::move(fake));
    window.Form_Load();
    window.findChild<QTimer *>(QStringLiteral("Timer1"))->stop();

    // Alternate a typical reply, one with fractions and a silent controller.
    const QByteArray replies[] = {"300.15,290.15,1,10,3840,3277,u,0,*", "301.5,291.25,1,12,3838,3280,u,0,*", ""};
    constexpr int Ticks = 2000;
    std::vector<qint64> nanoseconds;
    nanoseconds.reserve(Ticks);
    QElapsedTimer clock;
    for (int i = 0; i < Ticks; ++i) {
        port->rx = replies[i % 3];
        clock.start();
        window.Timer1_Timer();
        nanoseconds.push_back(clock.nsecsElapsed());
        port->writes.clear();
        if (i % 50 == 0)
            QCoreApplication::processEvents(); // let the window repaint now and then, as it would
    }
    std::sort(nanoseconds.begin(), nanoseconds.end());
    const auto at = [&](double q) { return double(nanoseconds[size_t(q * (Ticks - 1))]) / 1000.0; };
    std::printf("poll tick without settle delay, %d ticks: median %.1f us, p90 %.1f us, p99 %.1f us, max %.1f us\n",
                Ticks, at(0.5), at(0.9), at(0.99), at(1.0));
    return 0;
}
