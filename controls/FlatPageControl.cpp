#include "FlatPageControl.h"

TFlatPageControl::TFlatPageControl(QWidget* parent) : QTabWidget(parent)
{
    // Without the frame the page area reaches the control's edges.
    setDocumentMode(true);
}

void TFlatPageControl::SetFlat(bool flat)
{
    if (flat == FFlat)
        return;
    FFlat = flat;
    setDocumentMode(flat);
}
