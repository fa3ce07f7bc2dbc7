// Lays out the buttons of a button strip.
#pragma once

class QWidget;

// Centres the visible push buttons (QAbstractButton children) of `panel`
// horizontally: they keep their widths and their left-to-right order, take
// the average top and the average height of the group, and stand 5 pixels
// apart.  A group wider than the panel starts at the panel's left edge.
// Hidden buttons are not moved; a panel without visible buttons is left alone.
void CenterButtons(QWidget* panel);
