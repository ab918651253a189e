#pragma once

#include <QColor>
#include <QString>
#include <QWidget>

// A two-state indicator lamp: a square LED with a caption, or a tall bar that
// shows the text of its current state. Only the program sets its value; a
// click is reported through clicked() and leaves the value as it is, so the
// handler always sees the state the lamp showed when it was clicked.
class Lamp : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(bool Value READ Value WRITE setValue)
    Q_PROPERTY(QString caption READ caption WRITE setCaption)
    Q_PROPERTY(QColor onColor READ onColor WRITE setOnColor)
    Q_PROPERTY(QColor offColor READ offColor WRITE setOffColor)
    Q_PROPERTY(QString onText READ onText WRITE setOnText)
    Q_PROPERTY(QString offText READ offText WRITE setOffText)
    Q_PROPERTY(Shape shape READ shape WRITE setShape)

public:
    enum class Shape { SquareLed, TallBar };
    Q_ENUM(Shape)

    explicit Lamp(QWidget *parent = nullptr);
    explicit Lamp(Shape shape, QWidget *parent = nullptr);

    bool Value() const { return m_value; }
    void setValue(bool value);

    QString caption() const { return m_caption; }
    void setCaption(const QString &caption);

    QColor onColor() const { return m_onColor; }
    void setOnColor(const QColor &color);
    QColor offColor() const { return m_offColor; }
    void setOffColor(const QColor &color);

    QString onText() const { return m_onText; }
    void setOnText(const QString &text);
    QString offText() const { return m_offText; }
    void setOffText(const QString &text);

    // The text of the current state, as the bar shows it.
    QString text() const { return m_value ? m_onText : m_offText; }

    // The caption as the LED shows it beside itself: broken into lines at its
    // spaces only ("Logging" / "On/Off"), never inside a word.
    QStringList captionLines() const;

    Shape shape() const { return m_shape; }
    void setShape(Shape shape);

    // A dimmed lamp shows no current state (none read yet, or no longer
    // current): grey in the desktop's disabled colours, with its text. It
    // stays usable.
    bool isDimmed() const { return m_dimmed; }
    void setDimmed(bool dimmed);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    // The operator clicked the lamp (or pressed Space on it).
    void clicked();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    QColor currentColor() const;
    QColor ink() const;
    QRect captionRect() const;
    void paintLed(QPainter &painter);
    void paintBar(QPainter &painter);

    bool m_value = false;
    bool m_pressed = false;
    bool m_dimmed = false;
    Shape m_shape = Shape::SquareLed;
    QString m_caption;
    QColor m_onColor{0, 255, 0};
    QColor m_offColor{255, 0, 0};
    QString m_onText;
    QString m_offText;
};
