#pragma once
class QWidget;

// Switches the input method of `widget` on or off (grids and number boxes
// take half-width input). No effect where there is no input method.
void SetImeOpen(QWidget *widget, bool open);
