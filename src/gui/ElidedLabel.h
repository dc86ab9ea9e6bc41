#pragma once

class QLabel;

namespace korvane {

class Control;

// A one-line caption bound to its control: a text longer than the label's
// room ends in "…" (whole characters only), and its tool tip then holds the
// whole text above the control's own tool tip. The label never widens the
// window; each resize fits the text again.
void bindElidedLabel(QLabel *label, Control &control);

} // namespace korvane
