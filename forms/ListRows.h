#pragma once

class QAbstractItemView;

// Behaviour every list of the program shares.
namespace ui {

// Keeps the row the keyboard is on and the selected row of a list one and the same in every
// state the list can reach, so that a command always acts on the row the user sees chosen.
void followKeyboardRow(QAbstractItemView* view);

// Shows the tooltips of a list's cells as the plain text they hold, never as markup.
void plainTextToolTips(QAbstractItemView* view);

}  // namespace ui
