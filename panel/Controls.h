#pragma once

#include <functional>
#include <string>

// The control model behind Form1: plain values with the events that the procedures rely on.
// A front end mirrors these values onto real widgets; it learns of every change through the
// one ChangeListener that Form1 holds.

enum class ControlId {
    Command1,
    Command2,
    Command3,
    Check1,
    Check2,
    Check3,
    VScroll1,
    VScroll2,
    Text1,
    Text2,
    Timer1,
    Timer2,
};

using ChangeListener = std::function<void(ControlId)>;
using Procedure = std::function<void()>;

// Base of every control that can change: it reports its changes to the form's listener.
class Control {
  public:
    ControlId Id() const { return id_; }

  protected:
    Control(ControlId id, const ChangeListener& listener) : id_(id), listener_(listener) {}
    void ReportChange() const {
        if (listener_) {
            listener_(id_);
        }
    }

  private:
    ControlId id_;
    const ChangeListener& listener_;
};

class Button {
  public:
    explicit Button(Procedure click) : click_(std::move(click)) {}
    void Click() const { click_(); }

  private:
    Procedure click_;
};

class CheckBox : public Control {
  public:
    CheckBox(ControlId id, const ChangeListener& listener, Procedure click)
        : Control(id, listener), click_(std::move(click)) {}

    int Value() const { return value_; }
    bool Ticked() const { return value_ == 1; }

    // A change of value, by the user or by code, runs the click procedure before returning.
    void SetValue(int value);

  private:
    int value_ = 0;
    Procedure click_;
};

class ScrollBar : public Control {
  public:
    ScrollBar(ControlId id, const ChangeListener& listener, int min, int max, int value,
              Procedure change)
        : Control(id, listener), min_(min), max_(max), value_(value), change_(std::move(change)) {}

    int Min() const { return min_; }
    int Max() const { return max_; }
    int Value() const { return value_; }

    // Clamps to [Min, Max]; a change of value runs the change procedure.
    void SetValue(int value);

  private:
    int min_;
    int max_;
    int value_;
    Procedure change_;
};

class TextBox : public Control {
  public:
    TextBox(ControlId id, const ChangeListener& listener, std::string text)
        : Control(id, listener), text_(std::move(text)) {}

    const std::string& Text() const { return text_; }
    void SetText(std::string text);

  private:
    std::string text_;
};

class Timer : public Control {
  public:
    Timer(ControlId id, const ChangeListener& listener, int intervalMs, Procedure tick)
        : Control(id, listener), intervalMs_(intervalMs), tick_(std::move(tick)) {}

    bool Enabled() const { return enabled_; }
    int IntervalMs() const { return intervalMs_; }

    // Enabling a running timer changes nothing, so it keeps its phase.
    void SetEnabled(bool enabled);
    void Tick() const { tick_(); }

  private:
    bool enabled_ = false;
    int intervalMs_;
    Procedure tick_;
};
