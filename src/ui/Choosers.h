#pragma once

#include <QString>
#include <QStringList>

class QWidget;

#include "ui/InteractionServices.h"

namespace upd {

// Qt's form of a chooser filter: "XML Файлове (*.xml)", patterns separated by blanks.
QString QtNameFilter(const ChooserFilter& filter);

// The open-file dialog: the file need not exist, nothing is asked about overwriting it.
// Returns the chosen path in the platform's form, or an empty text when cancelled.
QString ChooseFileWithDialog(QWidget* parent, const ChooserFilter& filter, const QString& title);

// The folder chooser, showing folders only. Returns the chosen folder in the platform's form,
// or an empty text when cancelled.
QString ChooseFolderWithDialog(QWidget* parent, const QString& caption);

}  // namespace upd
