#pragma once

#include <QLocale>
#include <QString>

#include <functional>

class SerialControl;

// What the operator typed as the serial port number.
struct PortEntry
{
    enum class Kind { Accepted, Rejected, NotANumber };
    Kind kind = Kind::Rejected;
    int port = 0; // when accepted

    bool operator==(const PortEntry &other) const { return kind == other.kind && port == other.port; }
};

// Reads the entry in the locale: empty, below 1 or above 8 is rejected; a
// fraction in range names the nearest port, halves going to the even
// neighbour (2.5 is port 2, 3.5 port 4).
PortEntry checkPortEntry(const QString &entry, const QLocale &locale = QLocale());

// A message for the operator, OK only.
struct PortMessage
{
    QString text;
    QString title;

    bool operator==(const PortMessage &other) const { return text == other.text && title == other.title; }
};

// What the port setup dialog works on: the run's serial port, through the
// Done sequence below. The dialog only shows what it says.
class PortChooser
{
public:
    // The port number now, for the dialog to show when it opens.
    virtual int currentPort() const = 0;
    // Done for the checked entry (PortSetup::done); true when the dialog is
    // to unload.
    virtual bool choose(const PortEntry &entry, const std::function<void(const PortMessage &)> &show) = 0;
    // The dialog has unloaded after a choice: polling starts if it had stopped.
    virtual void chosen() = 0;

protected:
    ~PortChooser() = default;
};

// The port setup dialog's Done, without the dialog: it moves the serial
// control to the port the entry names. Starting the poll timer, if it had
// stopped, is the caller's, once the dialog has gone.
class PortSetup
{
public:
    static inline const QString BadPortText
        = QStringLiteral("Subsea Port Value Can Not Be Blank less than, 1 or greater than 8!");
    static inline const QString BadPortTitle = QStringLiteral("Bad Port Value");
    static inline const QString CommErrorText = QStringLiteral("Incorrect comm port configuration for this machine!");
    static inline const QString CommErrorTitle = QStringLiteral("Communication error");

    // The communication error, with what is known of its cause on a line of its own.
    static QString communicationError(const SerialControl &serial);

    explicit PortSetup(SerialControl &VANTOSerComm);

    // Runs Done for the checked entry. Each message is handed to show at the
    // moment it is due, so that poll ticks running under its box find the
    // port as the sequence left it (closed). An entry that is not a number is
    // turned down like one out of range, the port reopened as it was: a typo
    // must not drop a working link. Returns true when the port is open on the
    // chosen number and the dialog is to unload.
    bool done(const PortEntry &entry, const std::function<void(const PortMessage &)> &show);

private:
    SerialControl &VANTOSerComm;
};
