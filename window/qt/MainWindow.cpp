#include "window/qt/MainWindow.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>

#include "window/ControlTable.h"
#include "window/Twips.h"
#include "window/qt/Accessibility.h"
#include "window/qt/HighDpi.h"
#include "window/qt/Taskbar.h"

// Outside any namespace, as Qt requires: the images are built into the program.
static void LoadArtwork() {
    Q_INIT_RESOURCE(resources);
}

namespace {

QString ToQString(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QRect ToQRect(const PixelRect& rect) {
    return {rect.left, rect.top, rect.width, rect.height};
}

// Verdana where it is installed, otherwise DejaVu Sans, which is close to it in metrics: Qt draws
// with the first of the families it has. Qt has no character sets, so the table's charset has
// nothing to map to.
QFont ControlFont(const FontSpec& design) {
    QFont font;
    font.setFamilies({ToQString(kFont), ToQString(kFallbackFont)});
    font.setPointSizeF(design.points);
    font.setBold(design.bold);
    font.setItalic(design.italic);
    return font;
}

QWidget* CreateControl(const ControlSpec& design, QWidget* parent) {
    const QString caption = ToQString(design.caption);
    switch (design.kind) {
        case ControlKind::Frame:
            return new QGroupBox(caption, parent);
        case ControlKind::ScrollBar: {
            // The range and which end is the top come from Form1, in FormBinding.
            auto* bar = new QScrollBar(Qt::Vertical, parent);
            bar->setSingleStep(1);
            bar->setPageStep(1);
            bar->setFocusPolicy(Qt::StrongFocus);
            return bar;
        }
        case ControlKind::CheckBox:
            return new QCheckBox(caption, parent);
        case ControlKind::TextBox: {
            auto* box = new QLineEdit(caption, parent);
            box->setReadOnly(design.readOnly);
            box->setAlignment(design.centred ? Qt::AlignCenter : Qt::AlignLeft | Qt::AlignVCenter);
            return box;
        }
        case ControlKind::Label: {
            auto* label = new QLabel(caption, parent);
            label->setAlignment((design.centred ? Qt::AlignHCenter : Qt::AlignLeft) | Qt::AlignTop);
            if (design.textColour) {
                QPalette palette = label->palette();
                palette.setColor(QPalette::WindowText,
                                 QColor(design.textColour->red, design.textColour->green,
                                        design.textColour->blue));
                label->setPalette(palette);
            }
            return label;
        }
        case ControlKind::Button: {
            // Not in a QDialog, so no button is a default: Enter and Esc press nothing.
            auto* button = new QPushButton(caption, parent);
            button->setAutoDefault(false);
            button->setDefault(false);
            return button;
        }
        case ControlKind::Picture: {
            auto* picture = new QLabel(parent);
            picture->setPixmap(QPixmap(QStringLiteral(":/usb-picture.png")));
            picture->setScaledContents(true);
            return picture;
        }
    }
    return nullptr;
}

}  // namespace

// A title and a close box only, as on Windows; X11 window managers follow these flags. Wayland
// has no words for them. Where the compositor draws the title bar (Qt asks it to), it sees only
// the equal minimum and maximum sizes, enough to drop maximise; minimise stays its choice. Where
// Qt must draw its own (GNOME, Weston), its decoration (bradient, Qt 6.4) draws minimise and
// maximise whatever the flags. Through XWayland, as without qt6-wayland, the close box is alone.
MainWindow::MainWindow()
    : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowCloseButtonHint),
      dpi_(WidgetDpi(*screen())) {
    LoadArtwork();
    setWindowTitle(ToQString(kWindow.title));
    setWindowIcon(QIcon(QStringLiteral(":/vantrel-icon.png")));
    setFont(ControlFont({}));
    setFixedSize(TwipsToPixels(kWindow.clientWidthTwips, dpi_),
                 TwipsToPixels(kWindow.clientHeightTwips, dpi_));
    BuildControls();

    QWidget* previous = nullptr;
    for (const ControlSpec* design : TabOrder()) {
        QWidget* control = Control(design->name);
        if (previous != nullptr) {
            setTabOrder(previous, control);
        }
        previous = control;
    }
    Control(TabOrder().front()->name)->setFocus();
    DescribeForAssistiveTechnology(*this);
    KeepOutOfTaskbar(*this);
}

// In table order: Qt stacks later siblings on top, which settles the three overlaps. Each of left,
// top, width and height goes from twips to the nearest pixel on its own, halves away from zero.
void MainWindow::BuildControls() {
    for (const ControlSpec& design : kControls) {
        QWidget* parent = design.container.empty() ? this : Control(design.container);
        QWidget* control = CreateControl(design, parent);
        control->setObjectName(ToQString(design.name));
        control->setFont(ControlFont(design.font));
        control->setGeometry(ToQRect(ToPixels(design.rect, dpi_)));
        controls_.emplace(design.name, control);
    }
}

QWidget* MainWindow::Control(std::string_view name) const {
    const auto found = controls_.find(name);
    return found == controls_.end() ? nullptr : found->second;
}
