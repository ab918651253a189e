#pragma once

#include <QWidget>

// A meter with a half-round numbered scale and one needle. The value is kept
// exactly as set, also beyond the scale (callers compare it with limits that
// lie outside the scale); only the needle stops at the scale's ends.
class DialGauge : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(double Value READ Value WRITE setValue)

public:
    explicit DialGauge(QWidget *parent = nullptr);

    double Value() const { return m_value; }
    // A value that is not a number is refused: the needle can't show it, and
    // the last reading stays in place for whoever compares against it.
    void setValue(double value);

    double scaleMin() const { return m_min; }
    double scaleMax() const { return m_max; }
    void setScale(double min, double max);

    double majorMarks() const { return m_major; }
    double minorMarks() const { return m_minor; }
    // Steps between marks; a step of 0 (or less) leaves that kind of mark out.
    void setMarks(double major, double minor);

    // A dimmed gauge shows a value that is no longer current: the needle in
    // the desktop's disabled colour.
    bool isDimmed() const { return m_dimmed; }
    void setDimmed(bool dimmed);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    double m_value = 0.0;
    bool m_dimmed = false;
    double m_min = 0.0;
    double m_max = 10.0;
    double m_major = 2.0;
    double m_minor = 1.0;
};
