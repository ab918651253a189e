#include "ui/MsgBox.h"

#include "ui/AppInfo.h"

#include <QMessageBox>

namespace {
MsgBoxResponder &responder()
{
    static MsgBoxResponder r;
    return r;
}
} // namespace

void setMsgBoxResponder(MsgBoxResponder r)
{
    responder() = std::move(r);
}

MsgBoxAnswer MsgBox(const QString &text, MsgBoxButtons buttons, const QString &title)
{
    const QString caption = title.isEmpty() ? AppInfo::Title : title;
    if (responder())
        return responder()(text, caption, buttons);

    QMessageBox box(QMessageBox::NoIcon, caption, text);
    // Texts carry paths and error details as they are; never markup.
    box.setTextFormat(Qt::PlainText);
    if (buttons == MsgBoxButtons::YesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
    } else {
        box.setStandardButtons(QMessageBox::Ok);
    }
    switch (box.exec()) {
    case QMessageBox::Yes:
        return MsgBoxAnswer::Yes;
    case QMessageBox::No:
        return MsgBoxAnswer::No;
    default:
        return buttons == MsgBoxButtons::YesNo ? MsgBoxAnswer::No : MsgBoxAnswer::Ok;
    }
}
