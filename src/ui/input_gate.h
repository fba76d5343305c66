#pragma once

#include <QObject>
#include <QPointer>
#include <deque>
#include <functional>
#include <memory>

class QEvent;
class QWidget;

// The one rule for a window's keys and clicks: each goes where the window
// showed it going, in the order the user made it.
//
// - While the window waits for an answer that the user's next action
//   depends on (waiting() says Working), the keys and clicks meant for it
//   wait, in order, and are delivered once it is done (release()); a key
//   goes to the control that has the keyboard then, which is where the
//   keys before it have put it.
// - While it only reads a list (Reading), what reads() lets through goes
//   on at once, as long as nothing waits before it: typing into the filter
//   box, whose new text gives the older read up.
// - What exits() says ends the program is never held.
// - An access key clicks its button at once, not after Qt's click
//   animation, so that what was typed before it is what its handler reads.
// - A key pressed with Alt that no enabled button takes is no text: it
//   types nothing into a box.
class InputGate : public QObject {
    Q_OBJECT
public:
    enum class Wait { Idle, Reading, Working };

    // Watches every event of the application for those of window.
    explicit InputGate(QWidget* window);
    ~InputGate() override;

    std::function<Wait()> waiting;
    std::function<bool(QObject* receiver, QEvent* event)> reads;
    std::function<bool(QObject* receiver, QEvent* event)> exits;

    // Delivers what waits, in order, as far as waiting() allows; called
    // whenever it may allow more.
    void release();
    // Whether keys or clicks wait.
    bool holding() const { return !held_.empty(); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool inWindow(QObject* object) const;
    bool mustWait(QObject* receiver, QEvent* event) const;
    void hold(QObject* receiver, QEvent* event);

    struct Held {
        QPointer<QObject> receiver;
        std::unique_ptr<QEvent> event;
    };
    QWidget* window_;
    std::deque<Held> held_;
    bool delivering_ = false;
    // The input event let through last, and to whom: a key a widget
    // ignores goes on to its parent, and is not the user's second key.
    QEvent* passed_ = nullptr;
    QPointer<QObject> passedTo_;
};
