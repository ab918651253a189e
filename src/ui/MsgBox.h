#pragma once

#include <QString>

#include <functional>

// Every message the tool shows goes through MsgBox: a modal box without icon,
// titled with the application title unless a title is given.
enum class MsgBoxButtons { OkOnly, YesNo }; // YesNo has Yes as its default button
enum class MsgBoxAnswer { Ok, Yes, No };

MsgBoxAnswer MsgBox(const QString &text, MsgBoxButtons buttons = MsgBoxButtons::OkOnly,
                    const QString &title = QString());

// Test seam: while set, boxes are answered by the responder instead of being
// shown. It receives the text, the effective title and the buttons.
using MsgBoxResponder = std::function<MsgBoxAnswer(const QString &text, const QString &title, MsgBoxButtons buttons)>;
void setMsgBoxResponder(MsgBoxResponder responder);
