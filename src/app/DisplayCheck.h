#pragma once

#include <QProcessEnvironment>
#include <QStringList>

// The tool checks its arguments before there is a window system, so that help,
// version and argument errors work without a display (over SSH, in a cron
// job); Qt's own window-system options (-platform, -style, ...) are left for
// QApplication.
QStringList withoutWindowSystemOptions(const QStringList &arguments);

// Why no window could be shown, with how to get a display; empty when there is
// one to be had. Without it, Qt's platform plugin would abort the process.
QString noDisplayReason(const QStringList &arguments,
                        const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment());
