#include "app/DisplayCheck.h"

namespace {

// QGuiApplication's and QApplication's own options, with and without a value.
const QStringList OptionsWithValue{QStringLiteral("-platform"),        QStringLiteral("-platformpluginpath"),
                                   QStringLiteral("-platformtheme"),   QStringLiteral("-plugin"),
                                   QStringLiteral("-qwindowgeometry"), QStringLiteral("-qwindowicon"),
                                   QStringLiteral("-qwindowtitle"),    QStringLiteral("-session"),
                                   QStringLiteral("-display"),         QStringLiteral("-geometry"),
                                   QStringLiteral("-style"),           QStringLiteral("-stylesheet")};
const QStringList Flags{QStringLiteral("-reverse"), QStringLiteral("-widgetcount"), QStringLiteral("-nograb"),
                        QStringLiteral("-dograb"), QStringLiteral("-sync")};

// The value of a window-system option, in either of its spellings.
QString windowSystemOption(const QStringList &arguments, const QString &name)
{
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        if (arguments[i] == name && i + 1 < arguments.size())
            return arguments[i + 1];
        if (arguments[i].startsWith(name + u'='))
            return arguments[i].mid(name.size() + 1);
    }
    return {};
}

} // namespace

QStringList withoutWindowSystemOptions(const QStringList &arguments)
{
    QStringList kept;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &argument = arguments[i];
        if (i > 0 && OptionsWithValue.contains(argument)) {
            ++i; // and its value
            continue;
        }
        const QString name = argument.section(u'=', 0, 0);
        if (i > 0 && (Flags.contains(argument) || (argument.contains(u'=') && OptionsWithValue.contains(name))))
            continue;
        kept << argument;
    }
    return kept;
}

QString noDisplayReason(const QStringList &arguments, const QProcessEnvironment &environment)
{
#if defined(Q_OS_UNIX) && !defined(Q_OS_DARWIN)
    QString platform = windowSystemOption(arguments, QStringLiteral("-platform"));
    if (platform.isEmpty())
        platform = environment.value(QStringLiteral("QT_QPA_PLATFORM"));
    const bool x11 = !environment.value(QStringLiteral("DISPLAY")).isEmpty()
                     || !windowSystemOption(arguments, QStringLiteral("-display")).isEmpty();
    const bool wayland = !environment.value(QStringLiteral("WAYLAND_DISPLAY")).isEmpty();
    // Other platforms (offscreen, vnc, eglfs, ...) bring their own screen.
    const bool needsX11 = platform.startsWith(QLatin1String("xcb"));
    const bool needsWayland = platform.startsWith(QLatin1String("wayland"));
    const bool found = platform.isEmpty() ? x11 || wayland : needsX11 ? x11 : needsWayland ? wayland : true;
    if (!found) {
        const QString unset = needsX11       ? QStringLiteral("DISPLAY is not set")
                              : needsWayland ? QStringLiteral("WAYLAND_DISPLAY is not set")
                                             : QStringLiteral("neither DISPLAY nor WAYLAND_DISPLAY is set");
        return QStringLiteral("no display to show the window on (%1): run it from a desktop session, over "
                              "\"ssh -X\", or under \"xvfb-run\"")
            .arg(unset);
    }
#else
    Q_UNUSED(arguments)
    Q_UNUSED(environment)
#endif
    return {};
}
