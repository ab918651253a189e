#pragma once

#include <QByteArray>

#include <array>
#include <utility>

// The client's half of a telnet connection with the COM port option: what to
// send when the connection opens (the offers and the line settings 9600 8N1,
// no flow control), the serial data in what the server sends, and the answers
// the server's negotiation calls for. Knows no socket: bytes in, bytes out.
class Rfc2217Session
{
public:
    // Telnet commands and the options this client takes part in.
    enum : quint8 {
        SE = 240,
        NOP = 241,
        SB = 250,
        WILL = 251,
        WONT = 252,
        DO = 253,
        DONT = 254,
        IAC = 255,
    };
    enum : quint8 { Binary = 0, SuppressGoAhead = 3, ComPortOption = 44 };
    // COM port commands from the client; the server answers each with 100 more.
    enum : quint8 {
        SetBaudrate = 1,
        SetDatasize = 2,
        SetParity = 3,
        SetStopsize = 4,
        SetControl = 5,
        PurgeData = 12,
        ServerReply = 100,
    };
    static constexpr quint32 BaudRate = 9600;
    static constexpr quint8 DataBits = 8;
    static constexpr quint8 NoParity = 1;
    static constexpr quint8 OneStopBit = 1;
    static constexpr quint8 NoFlowControl = 1;
    static constexpr quint8 PurgeBothBuffers = 3; // the server's receive and transmit buffers

    // The client's offers; the line settings follow once the server accepts
    // the COM port option.
    QByteArray start();

    // Bytes as they came from the server, cut anywhere. Returns the serial data
    // in them; commands, negotiation and the server's notices are consumed.
    QByteArray receive(const QByteArray &bytes);

    // What the session owes the server since the last call: answers to its
    // negotiation and the line settings.
    QByteArray takeOutgoing();

    // Asks the server to drop what its buffers hold both ways; it goes out
    // with the next takeOutgoing().
    void purge() { sendComPort(PurgeData, QByteArray(1, char(PurgeBothBuffers))); }
    // How many purges the server has answered.
    int purgesAnswered() const { return m_purgesAnswered; }

    // What the last receive() consumed as telnet: negotiation, commands and
    // the server's answers and notices, as they came.
    QByteArray takeNegotiation() { return std::exchange(m_heard, {}); }

    // Serial data ready for the wire, IAC doubled.
    static QByteArray escape(const QByteArray &data);

    // The server has answered the baud rate request: the line is being set.
    bool lineConfirmed() const { return m_baudConfirmed; }
    // The server won't take the COM port option, so the line can't be set.
    bool comPortRefused() const { return m_comPortRefused; }

private:
    // Where one side of an option stands (the "Q method" of telnet, without
    // the queue: this client never asks to turn an option off).
    enum class Side : quint8 { No, Yes, WantYes };
    enum class State : quint8 { Data, Command, Option, Sub, SubCommand };

    static bool wantedHere(quint8 option);
    static bool wantedThere(quint8 option);
    void command(quint8 byte);
    void negotiate(quint8 verb, quint8 option);
    void agreeHere(quint8 option);
    void subnegotiation();
    void send(quint8 verb, quint8 option);
    void sendComPort(quint8 command, const QByteArray &value);

    // The sub-negotiations this client reads are a few bytes long; longer
    // ones are skipped rather than stored.
    static constexpr int MaxSubnegotiation = 64;

    std::array<Side, 256> m_here{};  // options this client performs (WILL/WONT)
    std::array<Side, 256> m_there{}; // options the server performs (DO/DONT)
    State m_state = State::Data;
    quint8 m_verb = 0;
    QByteArray m_sub;
    bool m_subTooLong = false;
    QByteArray m_outgoing;
    bool m_baudConfirmed = false;
    bool m_comPortRefused = false;
    int m_purgesAnswered = 0;
    QByteArray m_heard;
};
