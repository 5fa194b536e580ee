#pragma once
// The twelve function-key labels along the bottom of a list screen
// (xlabFnc 0 to 11). Each says what its key does in the screen's current
// mode; clicking a label is pressing its key. A label without a caption
// does nothing.

#include <QPointer>
#include <QWidget>

#include <array>

class QLabel;
class QKeyEvent;

class FunctionKeyBar : public QWidget {
    Q_OBJECT
public:
    explicit FunctionKeyBar(QWidget *parent = nullptr);

    // Caption of key F(index + 1); empty text switches the key off.
    void setCaption(int index, const QString &caption);
    QString caption(int index) const;
    void clearCaptions();

    // Turns F1 to F12 pressed anywhere in `window` into pressed().
    void listenTo(QWidget *window);
    // Handles a key event for F1..F12; true when it was one (with a caption).
    bool handleKey(QKeyEvent *event);

signals:
    // Key F(index + 1) pressed or its label clicked.
    void pressed(int index);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    std::array<QLabel *, 12> labels_{};
    QPointer<QWidget> window_;
};
