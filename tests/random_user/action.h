#pragma once

#include <QString>
#include <QStringList>
#include <random>

class Form1;

namespace random_user {

// One thing the user does to the window. Everything about it is fixed when
// it is chosen, so that a trace of actions replays exactly.
struct Action {
    enum Kind {
        Click,          // a mouse click on the button `target`
        AccessKey,      // Alt and the access key of the button `target`
        ClickDisabled,  // a mouse click on the disabled button `target`
        Type,           // keys typed into the box `target`
        Paste,          // `text` pasted into the box `target`
        Erase,          // Backspace `count` times at the end of `target`; 0: select all, Delete
        Option,         // a click on the option button `target`
        GridRow,        // a click on row `count` of the grid
        GridKey,        // the key `count` pressed in the grid
        Heading,        // a click on the heading of the grid's column `count`
        CloseBox,       // the window asked to close
    };
    Kind kind = CloseBox;
    QString target;      // object name of the control
    QString text;        // what is typed or pasted
    int count = 0;
    bool replace = false;  // select the box's text first, so that it is replaced
    bool yes = false;      // the answer to the delete confirmation
};

// One line of a trace: what the user did, readable and unambiguous.
QString describe(const Action& action);
// A text in quotes, control characters escaped, long ones cut short.
QString quoted(const QString& text);

// True when the user can do this now: the control is there, enabled, and
// editable where the action types.
bool applicable(const Action& action, Form1& form);

// Does it, as a user would, and lets the window handle it.
void perform(const Action& action, Form1& form);

// A random action the user can do now. While the table is `crowded`,
// Delete is answered Yes more often, so that it does not keep growing.
Action choose(std::mt19937_64& rng, Form1& form, bool crowded);

// The record boxes the user can type into, Text2 to Text8, in display order.
const QStringList& editable_boxes();
// The texts the random user types: plain names and hostile input.
const QStringList& texts();

}  // namespace random_user
