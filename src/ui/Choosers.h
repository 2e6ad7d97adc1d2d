#pragma once

#include <QString>
#include <QStringList>

class QWidget;

namespace upd {

// "XML Файлове|*.xml": pairs of display name and pattern, separated by '|', several patterns
// of one name separated by ';'. Gives Qt's form of the same filters: "XML Файлове (*.xml)".
QStringList QtNameFilters(const QString& filter);

// The open-file dialog: the file need not exist, nothing is asked about overwriting it.
// Returns the chosen path in the platform's form, or an empty text when cancelled.
QString ChooseFileWithDialog(QWidget* parent, const QString& filter, const QString& title);

// The folder chooser, showing folders only. Returns the chosen folder in the platform's form,
// or an empty text when cancelled.
QString ChooseFolderWithDialog(QWidget* parent, const QString& caption);

}  // namespace upd
