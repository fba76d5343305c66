#include "ui/input_gate.h"

#include <QAbstractButton>
#include <QApplication>
#include <QContextMenuEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QScopedValueRollback>
#include <QShortcutEvent>

namespace {

bool is_input(QEvent::Type type)
{
    switch (type) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::InputMethod:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::ContextMenu:
        return true;
    default:
        return false;
    }
}

bool is_key(QEvent::Type type)
{
    return type == QEvent::KeyPress || type == QEvent::KeyRelease || type == QEvent::InputMethod;
}

// A copy of an input event as the program itself sends one: a key press so
// sent is offered to the shortcuts first, as the user's own key was.
std::unique_ptr<QEvent> copy_of(QEvent* event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease: {
        const auto* e = static_cast<QKeyEvent*>(event);
        return std::make_unique<QKeyEvent>(e->type(), e->key(), e->modifiers(), e->nativeScanCode(), e->nativeVirtualKey(),
                                           e->nativeModifiers(), e->text(), e->isAutoRepeat(), e->count());
    }
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick: {
        const auto* e = static_cast<QMouseEvent*>(event);
        return std::make_unique<QMouseEvent>(e->type(), e->position(), e->scenePosition(), e->globalPosition(), e->button(),
                                             e->buttons(), e->modifiers());
    }
    case QEvent::ContextMenu: {
        const auto* e = static_cast<QContextMenuEvent*>(event);
        return std::make_unique<QContextMenuEvent>(e->reason(), e->pos(), e->globalPos(), e->modifiers());
    }
    case QEvent::InputMethod: {
        const auto* e = static_cast<QInputMethodEvent*>(event);
        auto copy = std::make_unique<QInputMethodEvent>(e->preeditString(), e->attributes());
        copy->setCommitString(e->commitString(), e->replacementStart(), e->replacementLength());
        return copy;
    }
    default:
        return nullptr;
    }
}

}  // namespace

InputGate::InputGate(QWidget* window) : QObject(window), window_(window)
{
    qApp->installEventFilter(this);
}

InputGate::~InputGate()
{
    qApp->removeEventFilter(this);
}

bool InputGate::inWindow(QObject* object) const
{
    // A shortcut or an action belongs where its owner is.
    while (object && !object->isWidgetType())
        object = object->parent();
    auto* w = static_cast<QWidget*>(object);
    return w && (w == window_ || window_->isAncestorOf(w));
}

bool InputGate::mustWait(QObject* receiver, QEvent* event) const
{
    if (exits && exits(receiver, event))
        return false;
    if (!held_.empty())
        return true;
    switch (waiting ? waiting() : Wait::Idle) {
    case Wait::Idle: return false;
    case Wait::Reading: return !(reads && reads(receiver, event));
    case Wait::Working: return true;
    }
    return true;
}

void InputGate::hold(QObject* receiver, QEvent* event)
{
    event->accept();
    switch (event->type()) {
    case QEvent::ShortcutOverride:
        // The key is the window's as it is: no shortcut takes it now, and
        // the key press that follows waits.
        return;
    case QEvent::Shortcut: {
        // A shortcut that got here all the same waits as the key that
        // makes it.
        const QKeyCombination key = static_cast<QShortcutEvent*>(event)->key()[0];
        held_.push_back({nullptr, std::make_unique<QKeyEvent>(QEvent::KeyPress, key.key(), key.keyboardModifiers())});
        return;
    }
    default:
        held_.push_back({receiver, copy_of(event)});
    }
}

void InputGate::release()
{
    if (delivering_)
        return;  // the loop below goes on
    while (!held_.empty()) {
        Held& next = held_.front();
        const bool key = is_key(next.event->type());
        // Keys go to the control that has the keyboard now.
        QObject* to = key ? static_cast<QObject*>(QApplication::focusWidget()) : next.receiver.data();
        if (key && !inWindow(to))
            to = window_;
        const Wait wait = waiting ? waiting() : Wait::Idle;
        if (wait == Wait::Working || (wait == Wait::Reading && !(to && reads && reads(to, next.event.get()))))
            return;
        Held taken = std::move(next);
        held_.pop_front();
        if (!to)
            continue;  // the control is gone
        const QScopedValueRollback delivering(delivering_, true);
        QCoreApplication::sendEvent(to, taken.event.get());
    }
}

bool InputGate::eventFilter(QObject* watched, QEvent* event)
{
    if (!is_input(event->type()) || !inWindow(watched))
        return false;
    const bool propagated = event == passed_ && passedTo_ && watched == passedTo_->parent();
    if (!delivering_ && !propagated && mustWait(watched, event)) {
        hold(watched, event);
        return true;
    }
    passed_ = event;
    passedTo_ = watched;
    if (event->type() == QEvent::Shortcut) {
        auto* button = qobject_cast<QAbstractButton*>(watched);
        if (button && !static_cast<QShortcutEvent*>(event)->isAmbiguous()) {
            button->click();
            return true;
        }
    }
    if (event->type() == QEvent::KeyPress && qobject_cast<QLineEdit*>(watched)) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const Qt::KeyboardModifiers mods = key->modifiers();
        if ((mods & Qt::AltModifier) && !(mods & (Qt::ControlModifier | Qt::MetaModifier)) && !key->text().isEmpty()
            && key->text().at(0).isPrint()) {
            event->accept();
            return true;
        }
    }
    return false;
}
