#pragma once

#include <QWidget>

#include <map>
#include <string_view>

// Form1 on screen: a fixed-size window built from the control table, with every length converted
// from twips at the screen's density. It shows the controls; FormBinding gives them behaviour.
class MainWindow : public QWidget {
  public:
    MainWindow();

    // Pixels per inch the window was built at.
    int Dpi() const { return dpi_; }

    // The widget built for the control of that name in the table, or nullptr.
    QWidget* Control(std::string_view name) const;

    template <typename Widget>
    Widget* ControlAs(std::string_view name) const {
        return qobject_cast<Widget*>(Control(name));
    }

  private:
    void BuildControls();

    int dpi_;
    std::map<std::string_view, QWidget*> controls_;
};
