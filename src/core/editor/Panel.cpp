#include "editor/Panel.h"

Panel::Panel() : label2(QStringLiteral("1/1")), caption(QStringLiteral("QUENTARO - NEW")) {
    for (const ButtonSpec& spec : Buttons)
        edit(spec.control) = {spec.shown, spec.picture, QString::fromUtf8(spec.tooltip)};
}
