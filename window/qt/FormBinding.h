#pragma once

#include <QMetaObject>
#include <QTimer>

#include <string_view>
#include <vector>

#include "panel/Form1.h"

class MainWindow;

// Binds the window's widgets and two QTimers to Form1, both ways. A user's click, key or spinner
// step runs the Form1 procedure it is routed to; every change Form1 reports (a check box, a
// spinner, a text, a timer) is mirrored at once onto its widget or timer, without re-entering
// the model.
class FormBinding {
  public:
    FormBinding(Form1& form, MainWindow& window);
    ~FormBinding();
    FormBinding(const FormBinding&) = delete;
    FormBinding& operator=(const FormBinding&) = delete;

    // The QTimer that runs Form1's Timer1 or Timer2.
    QTimer& TimerFor(const Timer& timer);

  private:
    void BindButton(std::string_view name, const Button& button);
    void BindCheckBox(std::string_view name, CheckBox& box);
    void BindScrollBar(std::string_view name, ScrollBar& bar);
    void BindTimer(QTimer& qtimer, const Timer& timer);

    void Mirror(ControlId id);
    void ShowCheckBox(std::string_view name, const CheckBox& box);
    void ShowScrollBar(std::string_view name, const ScrollBar& bar);
    void ShowText(std::string_view name, const TextBox& text);
    void RunTimer(QTimer& qtimer, const Timer& timer);

    Form1& form_;
    MainWindow& window_;
    QTimer timer1_;
    QTimer timer2_;
    std::vector<QMetaObject::Connection> connections_;
};
