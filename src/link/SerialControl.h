#pragma once

#include <QByteArray>
#include <QString>

#include <stdexcept>

// Raised by a serial control when the port can't be opened, a port number is
// refused, or a read or write finds the port unusable.
class LineRecord;

class LinkError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// The serial control the tool drives: one port, chosen by number, with the
// line settings fixed on the control. Modelled on the operations the tool uses:
// CommPort, PortOpen, InputLen, Input and Output.
class SerialControl
{
public:
    static constexpr int FirstPort = 1;
    static constexpr int LastPort = 8;

    virtual ~SerialControl() = default;

    virtual int CommPort() const = 0;
    // Throws LinkError for a number outside 1 to 8 or while the port is open.
    virtual void setCommPort(int port) = 0;

    virtual bool PortOpen() const = 0;
    // Opening throws LinkError when the port can't be opened (missing, busy, no
    // permission); closing a closed port does nothing.
    virtual void setPortOpen(bool open) = 0;

    // Characters taken by one read of Input; 0 takes everything buffered.
    virtual int InputLen() const = 0;
    virtual void setInputLen(int count) = 0;

    // Takes up to InputLen characters from the receive buffer; empty when none
    // have arrived. Throws LinkError when the port is closed.
    virtual QByteArray Input() = 0;

    // Sends the text as it stands. Throws LinkError when the port is closed or
    // the write fails.
    virtual void Output(const QByteArray &text) = 0;

    // Drops what the line holds both ways without closing the port, where
    // the control can; false when it must be closed and reopened instead.
    virtual bool dropBuffers() { return false; }

    // Bytes the control exchanges with its far end besides the line's own
    // (a network port's telnet negotiation) go to line as well; none: nowhere.
    virtual void setLineRecord(LineRecord * /*line*/) { }

    // True when the port closed itself because the device failed (a USB adapter
    // pulled out), as opposed to being closed through setPortOpen(false).
    virtual bool PortLost() const { return false; }

    // What the operator may be told about the last failure ("no permission", ...);
    // empty when nothing more is known.
    virtual QString lastErrorDetail() const { return {}; }

    // The device port number N opens ("/dev/ttyUSB0"), for the operator to
    // read; empty when the control doesn't say.
    virtual QString device(int /*port*/) const { return {}; }
    // Whether port N's device is there to be opened: a pulled adapter's is not.
    virtual bool devicePresent(int /*port*/) const { return true; }
    // Port number N opens this device from now on: the adapter came back
    // under another name.
    virtual void remap(int /*port*/, const QString & /*device*/) { }
};
