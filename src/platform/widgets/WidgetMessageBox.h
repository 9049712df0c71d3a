// The modal message box on Qt Widgets, behind MessageBox (platform/MessageBox.h).
#pragma once

// Makes MessageBox show a modal QMessageBox (while a QApplication runs; else the text goes to
// standard error). Called at the program's start.
void InstallWidgetMessageBoxes();
