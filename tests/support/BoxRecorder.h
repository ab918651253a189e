#pragma once

#include "ui/MsgBox.h"

#include <QStringList>

// Answers every message box OK and records it for as long as it lives, as
// "title|text" or the text alone; a box that offers more than OK is recorded
// as such too.
class BoxRecorder
{
public:
    enum class Record { TitleAndText, Text };

    explicit BoxRecorder(Record what = Record::TitleAndText)
    {
        setMsgBoxResponder([this, what](const QString &text, const QString &title, MsgBoxButtons buttons) {
            boxes << (what == Record::Text ? text : title + QLatin1Char('|') + text);
            if (buttons != MsgBoxButtons::OkOnly)
                boxes << QStringLiteral("not an OK-only box");
            return MsgBoxAnswer::Ok;
        });
    }
    ~BoxRecorder() { setMsgBoxResponder({}); }
    BoxRecorder(const BoxRecorder &) = delete;
    BoxRecorder &operator=(const BoxRecorder &) = delete;

    QStringList boxes;
};
