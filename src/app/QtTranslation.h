#pragma once

#include <QTranslator>

#include <memory>

class QCoreApplication;

namespace upd {

// Loads Qt's own Bulgarian translation (qtbase_bg from Qt's translations folder) into the
// application, so that file dialogs, context menus and standard buttons speak Bulgarian like
// the rest of the window. The translator stays installed while the result lives; without the
// file (a Qt without its translations) the texts stay English and the result is empty.
std::unique_ptr<QTranslator> InstallQtBulgarian(QCoreApplication& application);

}  // namespace upd
