#pragma once

class QWidget;

// View > Legend: what the colours of the grid's marks say (the strip at the left of each text
// cell, and the background of a text too long for its field), in a small window that stays
// open beside the grid while the user works.

namespace scrivlet {

// Shows the legend over owner (one per owner: shown again, it comes to the front).
void ShowLegend(QWidget* owner);

}  // namespace scrivlet
