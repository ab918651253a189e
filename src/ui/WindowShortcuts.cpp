#include "ui/WindowShortcuts.h"

#include <QAction>
#include <QKeyEvent>
#include <QLineEdit>

namespace {

// Asked first when a key could be a shortcut: a text box accepts the keys it
// edits with, which stops the shortcut. Ignoring the question for the
// window's own keys lets the action have them.
class ShortcutKeeper : public QObject
{
public:
    ShortcutKeeper(const QList<QAction *> &actions, QObject *parent)
        : QObject(parent)
        , m_actions(actions)
    { }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::ShortcutOverride)
            return QObject::eventFilter(watched, event);
        const QKeySequence pressed(static_cast<QKeyEvent *>(event)->keyCombination());
        for (const QAction *action : std::as_const(m_actions)) {
            if (action->isEnabled() && action->shortcut() == pressed) {
                event->ignore();
                return true;
            }
        }
        return false;
    }

private:
    QList<QAction *> m_actions;
};

} // namespace

void keepShortcutsFromTextBoxes(QWidget *window, const QList<QAction *> &actions)
{
    auto *keeper = new ShortcutKeeper(actions, window);
    for (QLineEdit *box : window->findChildren<QLineEdit *>())
        box->installEventFilter(keeper);
}
