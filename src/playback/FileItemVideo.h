#pragma once

class QWidget;

// The window every recording item's player is created on: the main window's video
// panel, which the main window hands over once it exists.
void SetPlayerVideoWindow(QWidget* window);
QWidget* PlayerVideoWindow();
