#include "link/LineRecord.h"

#include <QDateTime>
#include <QStringList>

LineRecord::LineRecord(Clock clock)
    : m_clock(std::move(clock))
{ }

void LineRecord::negotiation(LineDirection direction, const QByteArray &bytes)
{
    add(direction == LineDirection::Sent || direction == LineDirection::NegotiationSent
            ? LineDirection::NegotiationSent
            : LineDirection::NegotiationReceived,
        bytes);
}

void LineRecord::clear()
{
    m_chunks.clear();
    m_bytes = 0;
}

void LineRecord::add(LineDirection direction, const QByteArray &bytes)
{
    if (bytes.isEmpty())
        return;
    const Time at = m_clock();
    LineChunk chunk{m_next++, at.monoMs, at.wallMs, direction, bytes, -1};
    if (direction == LineDirection::Sent) {
        m_askedAt = at.monoMs;
    } else if (direction == LineDirection::Received && m_askedAt >= 0 && bytes.contains('*')) {
        chunk.replyMs = at.monoMs - m_askedAt;
        m_askedAt = -1;
    }
    m_bytes += bytes.size();
    m_chunks.push_back(std::move(chunk));
    // The oldest go first, the first kept cut to the byte.
    while (m_bytes > KeepBytes) {
        LineChunk &oldest = m_chunks.front();
        const qsizetype over = m_bytes - KeepBytes;
        if (oldest.bytes.size() <= over) {
            m_bytes -= oldest.bytes.size();
            m_chunks.pop_front();
        } else {
            oldest.bytes.remove(0, over);
            m_bytes -= over;
        }
    }
}

QString escapedText(const QByteArray &bytes)
{
    QString text;
    text.reserve(bytes.size());
    for (const char c : bytes) {
        const auto u = static_cast<unsigned char>(c);
        switch (c) {
        case '\r':
            text += QLatin1String("\\r");
            break;
        case '\n':
            text += QLatin1String("\\n");
            break;
        case '\t':
            text += QLatin1String("\\t");
            break;
        case '\\':
            text += QLatin1String("\\\\");
            break;
        default:
            if (u >= 0x20 && u < 0x7f)
                text += QLatin1Char(c);
            else
                text += QStringLiteral("\\x%1").arg(u, 2, 16, QLatin1Char('0'));
        }
    }
    return text;
}

QString hexText(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes.toHex(' ')).toUpper();
}

QString chunkText(const LineChunk &chunk, bool hex)
{
    const char *arrow = "";
    switch (chunk.direction) {
    case LineDirection::Sent:
        arrow = "sent    ";
        break;
    case LineDirection::Received:
        arrow = "received";
        break;
    case LineDirection::NegotiationSent:
        arrow = "telnet sent    ";
        break;
    case LineDirection::NegotiationReceived:
        arrow = "telnet received";
        break;
    }
    const QString time = QDateTime::fromMSecsSinceEpoch(chunk.wallMs).toString(QStringLiteral("HH:mm:ss.zzz"));
    // A reply ends at its "*": each one on a line of its own.
    QList<QByteArray> pieces;
    qsizetype start = 0;
    const bool line = chunk.direction == LineDirection::Sent || chunk.direction == LineDirection::Received;
    for (qsizetype end = line ? chunk.bytes.indexOf('*') : -1; end >= 0; end = chunk.bytes.indexOf('*', start)) {
        pieces << chunk.bytes.mid(start, end + 1 - start);
        start = end + 1;
    }
    if (start < chunk.bytes.size())
        pieces << chunk.bytes.mid(start);
    QStringList lines;
    for (qsizetype i = 0; i < pieces.size(); ++i) {
        const QByteArray &piece = pieces[i];
        const QString head = i == 0 ? QStringLiteral("%1 %2 ").arg(time, QLatin1String(arrow))
                                    : QString(time.size() + 2 + int(qstrlen(arrow)), QLatin1Char(' '));
        lines << head + (hex ? hexText(piece) : escapedText(piece));
    }
    if (chunk.replyMs >= 0) {
        // Beside the reply's end, the "*" the time was taken at.
        for (qsizetype i = 0; i < pieces.size(); ++i) {
            if (pieces[i].endsWith('*')) {
                lines[i] += QStringLiteral("   (reply %1 ms after the letter)").arg(chunk.replyMs);
                break;
            }
        }
    }
    return lines.join(QLatin1Char('\n'));
}
