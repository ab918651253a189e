#include "link/Rfc2217Session.h"

#include <utility>

QByteArray Rfc2217Session::start()
{
    for (const quint8 option : {Binary, SuppressGoAhead, ComPortOption}) {
        if (m_here[option] == Side::No) {
            m_here[option] = Side::WantYes;
            send(WILL, option);
        }
        if (wantedThere(option) && m_there[option] == Side::No) {
            m_there[option] = Side::WantYes;
            send(DO, option);
        }
    }
    return takeOutgoing();
}

bool Rfc2217Session::wantedHere(quint8 option)
{
    return option == Binary || option == SuppressGoAhead || option == ComPortOption;
}

bool Rfc2217Session::wantedThere(quint8 option)
{
    // The COM port option is the client's to perform; the server only agrees.
    return option == Binary || option == SuppressGoAhead;
}

QByteArray Rfc2217Session::receive(const QByteArray &bytes)
{
    QByteArray data;
    data.reserve(bytes.size());
    for (const char c : bytes) {
        const quint8 byte = quint8(c);
        if (m_state != State::Data && m_state != State::Command)
            m_heard.append(c);
        switch (m_state) {
        case State::Data:
            if (byte == IAC)
                m_state = State::Command;
            else
                data.append(c);
            break;
        case State::Command:
            if (byte == IAC) {
                data.append(c);
                m_state = State::Data;
            } else {
                m_heard.append(char(IAC));
                m_heard.append(c);
                command(byte);
            }
            break;
        case State::Option:
            negotiate(m_verb, byte);
            m_state = State::Data;
            break;
        case State::Sub:
            if (byte == IAC)
                m_state = State::SubCommand;
            else if (m_sub.size() < MaxSubnegotiation)
                m_sub.append(c);
            else
                m_subTooLong = true;
            break;
        case State::SubCommand:
            if (byte == IAC) {
                if (m_sub.size() < MaxSubnegotiation)
                    m_sub.append(c);
                else
                    m_subTooLong = true;
                m_state = State::Sub;
            } else if (byte == SE) {
                subnegotiation();
                m_state = State::Data;
            } else {
                // A sub-negotiation cut short by another command: drop it and
                // take the command as it stands.
                m_sub.clear();
                m_subTooLong = false;
                command(byte);
            }
            break;
        }
    }
    return data;
}

void Rfc2217Session::command(quint8 byte)
{
    switch (byte) {
    case WILL:
    case WONT:
    case DO:
    case DONT:
        m_verb = byte;
        m_state = State::Option;
        return;
    case SB:
        m_sub.clear();
        m_subTooLong = false;
        m_state = State::Sub;
        return;
    default:
        // NOP, go-ahead, data mark, break and the like carry nothing for us.
        m_state = State::Data;
        return;
    }
}

void Rfc2217Session::negotiate(quint8 verb, quint8 option)
{
    // Answer only a change of state, so the two sides can't echo each other forever.
    switch (verb) {
    case WILL:
        if (m_there[option] == Side::No) {
            if (wantedThere(option)) {
                m_there[option] = Side::Yes;
                send(DO, option);
            } else {
                send(DONT, option);
            }
        } else {
            m_there[option] = Side::Yes;
        }
        break;
    case WONT:
        if (m_there[option] == Side::Yes)
            send(DONT, option);
        m_there[option] = Side::No;
        break;
    case DO:
        if (m_here[option] == Side::No) {
            if (wantedHere(option)) {
                send(WILL, option);
                agreeHere(option);
            } else {
                send(WONT, option);
            }
        } else if (m_here[option] == Side::WantYes) {
            agreeHere(option);
        }
        break;
    case DONT:
        if (m_here[option] == Side::Yes)
            send(WONT, option);
        if (option == ComPortOption && m_here[option] != Side::No)
            m_comPortRefused = true;
        m_here[option] = Side::No;
        break;
    }
}

void Rfc2217Session::agreeHere(quint8 option)
{
    m_here[option] = Side::Yes;
    if (option != ComPortOption)
        return;
    m_comPortRefused = false;
    const char baud[]
        = {char(BaudRate >> 24), char(BaudRate >> 16 & 0xff), char(BaudRate >> 8 & 0xff), char(BaudRate & 0xff)};
    sendComPort(SetBaudrate, QByteArray(baud, 4));
    sendComPort(SetDatasize, QByteArray(1, char(DataBits)));
    sendComPort(SetParity, QByteArray(1, char(NoParity)));
    sendComPort(SetStopsize, QByteArray(1, char(OneStopBit)));
    sendComPort(SetControl, QByteArray(1, char(NoFlowControl)));
}

void Rfc2217Session::subnegotiation()
{
    const bool tooLong = m_subTooLong;
    m_subTooLong = false;
    if (tooLong || m_sub.size() < 2 || quint8(m_sub[0]) != ComPortOption)
        return;
    // The server's answers to the settings and its line and modem notices:
    // nothing here changes what the tool does, but the baud rate answer says
    // the server has taken the settings.
    if (quint8(m_sub[1]) == ServerReply + SetBaudrate)
        m_baudConfirmed = true;
    if (quint8(m_sub[1]) == ServerReply + PurgeData)
        ++m_purgesAnswered;
}

void Rfc2217Session::send(quint8 verb, quint8 option)
{
    m_outgoing.append(char(IAC));
    m_outgoing.append(char(verb));
    m_outgoing.append(char(option));
}

void Rfc2217Session::sendComPort(quint8 command, const QByteArray &value)
{
    m_outgoing.append(char(IAC));
    m_outgoing.append(char(SB));
    m_outgoing.append(char(ComPortOption));
    m_outgoing.append(char(command));
    m_outgoing.append(escape(value));
    m_outgoing.append(char(IAC));
    m_outgoing.append(char(SE));
}

QByteArray Rfc2217Session::takeOutgoing()
{
    return std::exchange(m_outgoing, {});
}

QByteArray Rfc2217Session::escape(const QByteArray &data)
{
    if (!data.contains(char(IAC)))
        return data;
    QByteArray escaped;
    escaped.reserve(data.size() * 2);
    for (const char c : data) {
        escaped.append(c);
        if (quint8(c) == IAC)
            escaped.append(c);
    }
    return escaped;
}
