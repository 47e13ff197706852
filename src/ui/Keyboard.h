#pragma once

#include "editor/Controls.h"

#include <QKeySequence>
#include <QList>
#include <QString>

// The keys of the window. Every button has one, active exactly while the button
// is shown; the tooltips stay the buttons' own texts.
namespace Keyboard {

struct ButtonKeys {
    Control control;
    QList<QKeySequence> keys;
    const char* what; // for the help window
};

const QList<ButtonKeys>& buttonKeys();

// The other keys, for the help window: keys and what they do.
struct OtherKey {
    const char* keys;
    const char* what;
};
const QList<OtherKey>& otherKeys();

// The help window's text: one table of every key.
QString helpText();

} // namespace Keyboard
