#include "editor/Panel.h"

Panel::Panel() : label2(QStringLiteral("1/1")), caption(QStringLiteral("QUENTARO - NEW")) {
    for (const ButtonEntry& entry : Buttons)
        edit(entry.control) = {entry.shown, entry.picture, QString::fromUtf8(entry.tooltip)};
}
