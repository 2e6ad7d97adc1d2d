#pragma once

#include <QLabel>

namespace upd {

// A label that breaks its text into lines within its width, top-left aligned, and takes the
// height they need. Its lines lie one font height apart, as on the platform the layout was
// made for: QLabel adds the font's leading between lines, which makes two lines of the
// window's font 35 pixels high instead of 30 and runs them into the control below.
class WrappingLabel : public QLabel {
    Q_OBJECT

  public:
    WrappingLabel(const QString& text, QWidget* parent);

    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

  protected:
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace upd
