#include "ui/MatrixLevelsChoice.h"

#include "ui/SidePanel.h"

#include "port/MatrixOutput.h"
#include "port/PanelSetup.h"

void connectMatrixLevels(SidePanel& panel, MatrixOutput* output) {
    QObject::connect(&panel, &SidePanel::matrixLevelsChanged, &panel, [output](int levels) {
        storeMatrixLevels(levels);
        if (output != nullptr)
            output->setGreyPlanes(greyPlanesFor(levels));
    });
}

void offerMatrixLevels(SidePanel& panel, int levels, bool multiplexed, const QString& why) {
    panel.showMatrixLevels(multiplexed ? levels : MoreMatrixLevels);
    panel.offerMatrixLevels(multiplexed, why);
}
