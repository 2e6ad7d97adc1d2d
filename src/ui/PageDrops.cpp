#include "ui/PageDrops.h"

#include <QDropEvent>
#include <QMimeData>
#include <QTabWidget>
#include <QUrl>

#include <optional>
#include <utility>

#include "ui/DropRule.h"
#include "ui/FormActions.h"

namespace upd {

form::DraggedItems DraggedItemsOf(const QMimeData* data) {
    form::DraggedItems items;
    if (data == nullptr) {
        return items;
    }
    for (const QUrl& url : data->urls()) {
        if (!url.isLocalFile()) {
            items.emplace_back();
            continue;
        }
        QString path = url.toLocalFile();
        while (path.size() > 1 && path.endsWith(QLatin1Char('/'))) {
            path.chop(1);  // a folder as the chooser gives it
        }
        items.emplace_back(path.toStdString());
    }
    return items;
}

bool ChooseHarmlessAction(QDropEvent& event) {
    for (const Qt::DropAction action : {Qt::CopyAction, Qt::LinkAction}) {
        if (event.possibleActions() & action) {
            event.setDropAction(action);
            return true;
        }
    }
    return false;
}

namespace {

class PageDropFilter : public QObject {
  public:
    PageDropFilter(QWidget& window, QTabWidget& pages, form::Fields& fields,
                   std::function<bool()> stepRunning)
        : QObject(&window), pages_(pages), fields_(fields), stepRunning_(std::move(stepRunning)) {}

    bool eventFilter(QObject* watched, QEvent* event) override {
        switch (event->type()) {
            case QEvent::DragEnter:
            case QEvent::DragMove:
                Answer(static_cast<QDropEvent&>(*event));
                return true;
            case QEvent::Drop:
                if (const auto drop = Answer(static_cast<QDropEvent&>(*event))) {
                    fields_.Set(drop->field, drop->path);
                }
                return true;
            default:
                return QObject::eventFilter(watched, event);
        }
    }

  private:
    std::optional<form::AcceptedDrop> Answer(QDropEvent& event) const {
        const QWidget* page = pages_.currentWidget();
        auto drop = form::JudgeDrop(page ? page->objectName().toStdString() : std::string(),
                                    DraggedItemsOf(event.mimeData()), stepRunning_());
        event.setAccepted(drop && ChooseHarmlessAction(event));
        return event.isAccepted() ? drop : std::nullopt;
    }

    QTabWidget& pages_;
    form::Fields& fields_;
    std::function<bool()> stepRunning_;
};

}  // namespace

void AcceptDropsOnPages(QWidget& window, QTabWidget& pages, form::Fields& fields,
                        std::function<bool()> stepRunning) {
    for (QWidget* child : window.findChildren<QWidget*>()) {
        child->setAcceptDrops(false);  // the drag goes up to the window
    }
    window.setAcceptDrops(true);
    window.installEventFilter(new PageDropFilter(window, pages, fields, std::move(stepRunning)));
}

}  // namespace upd
