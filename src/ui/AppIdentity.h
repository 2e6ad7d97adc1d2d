#pragma once

#include <QIcon>
#include <QString>

class QApplication;
class QWidget;

namespace upd {

// The title for an executable's file name: the name up to its first dot, every letter after
// the first in lower case ("MyTool.exe" -> "Mytool", "UpdatePublisher" -> "Updatepublisher").
QString ApplicationTitleFor(const QString& executableFileName);

// The title of the running program, from its executable's name.
QString ApplicationTitle();

// The tool's own icon (an SVG resource, drawn by Qt's SVG icon engine).
QIcon ApplicationIcon();

// The tool keeps no settings, but Qt's file dialog keeps its history and view in the user's
// QtProject.conf: this sends every QSettings of the process where nothing can be stored.
void KeepNoSettings();

// Keeps no settings; names the application after its executable, gives it the icon and the desktop
// entry.
void InitializeApplication(QApplication& application);

// Places a top-level window in the middle of the available area of its screen.
void CenterOnScreen(QWidget& window);

}  // namespace upd
