#pragma once

#include <QAccessibleValueInterface>
#include <QAccessibleWidget>
#include <QScrollBar>

// What assistive technology reads from a spinner and how it sets one. The window draws a
// spinner's largest value at the top, where a QScrollBar puts its smallest position, so Qt's own
// interface would report and step the position: the mirror image of the number in the box. This
// one reports and takes the number the box shows; Qt's bridges build "increase" and "decrease"
// on it, one step each, and the binding carries every change on to the box and the model.
class SpinnerAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
  public:
    explicit SpinnerAccessible(QScrollBar* bar);

    void* interface_cast(QAccessible::InterfaceType type) override;
    QString text(QAccessible::Text kind) const override;

    QVariant currentValue() const override;
    void setCurrentValue(const QVariant& value) override;
    QVariant maximumValue() const override;
    QVariant minimumValue() const override;
    QVariant minimumStepSize() const override;

  private:
    QScrollBar* Bar() const;
};

// For QAccessible::installFactory: the interface above for the window's spinners, nullptr for
// every other object, which keeps Qt's own.
QAccessibleInterface* CreateSpinnerAccessible(const QString& className, QObject* object);
