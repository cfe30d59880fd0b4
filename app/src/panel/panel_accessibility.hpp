#pragma once
// What screen readers get from the panel (through Qt's accessibility bridge, AT-SPI on Linux):
// the pills as push buttons named by their titles, the selected one marked selected and focused,
// and the selection's moves announced as focus changes; the preview as static text; the result
// as read-only text named "Result" or "Error". Keyboard focus itself stays on the view, whose key
// handling drives the panel; only what assistive technology is told follows the selection.

class QWidget;

namespace tavlets {

class PillButton;

// Registers the panel's accessible interfaces with Qt. Safe to call more than once.
void installPanelAccessibility();

// The selection moved from `before` (may be null or gone) to `now` (may be null).
void announceSelection(PillButton* before, PillButton* now);
// A result is showing in `editor`; `isError` names it "Error" instead of "Result".
void announceResult(QWidget* editor, bool isError);
// Tells assistive technology which part of the panel has its attention, after the panel took
// keyboard focus.
void announceFocus(QWidget* target);

}  // namespace tavlets
