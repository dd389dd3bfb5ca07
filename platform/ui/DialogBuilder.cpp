#include "platform/ui/DialogBuilder.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QFontMetrics>
#include <QFontMetricsF>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QScreen>
#include <QSlider>

#include <algorithm>
#include <cmath>

namespace plat {
namespace {

constexpr const char* kRadioGroupProperty = "vtlRadioGroup";

// MulDiv for the non-negative values of a template: a × b / c rounded to nearest.
int MulDiv(int a, int b, int c) {
    return static_cast<int>((static_cast<long long>(a) * b + c / 2) / c);
}

QWidget* MakeStatic(const DLGITEMTEMPLATE& item, QWidget* parent) {
    auto* label = new QLabel(QString::fromStdString(item.text), parent);
    // A path is shown as it is, never read as markup.
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    Qt::Alignment horizontal = Qt::AlignLeft;
    if (item.style & SS_CENTER)
        horizontal = Qt::AlignHCenter;
    else if (item.style & SS_RIGHT)
        horizontal = Qt::AlignRight;
    label->setAlignment(horizontal | Qt::AlignTop);
    return label;
}

// The templates were measured in another face: a label too narrow for one of its words, which
// no wrapping can help, grows to hold it, away from the edge its text is aligned to.
QRect WidenForWords(QRect rect, const QFont& font, const DLGITEMTEMPLATE& item) {
    const QFontMetrics metrics(font);
    int widest = 0;
    for (const QString& word : QString::fromStdString(item.text).split(' ', Qt::SkipEmptyParts))
        widest = std::max(widest, metrics.size(Qt::TextSingleLine, word).width());
    const int missing = widest - rect.width();
    if (missing <= 0)
        return rect;
    if (item.style & SS_RIGHT)
        rect.setLeft(rect.left() - missing);
    else if (item.style & SS_CENTER)
        rect.adjust(-missing / 2, 0, missing - missing / 2, 0);
    else
        rect.setRight(rect.right() + missing);
    return rect;
}

QWidget* MakeMultiLineEdit(const DLGITEMTEMPLATE& item, QWidget* parent,
                           const CDialogBuilder::Notify& notify) {
    auto* edit = new QPlainTextEdit(QString::fromStdString(item.text), parent);
    edit->setLineWrapMode((item.style & WS_HSCROLL) ? QPlainTextEdit::NoWrap
                                                    : QPlainTextEdit::WidgetWidth);
    edit->setVerticalScrollBarPolicy((item.style & WS_VSCROLL) ? Qt::ScrollBarAlwaysOn
                                                               : Qt::ScrollBarAlwaysOff);
    edit->setHorizontalScrollBarPolicy((item.style & WS_HSCROLL) ? Qt::ScrollBarAlwaysOn
                                                                 : Qt::ScrollBarAlwaysOff);
    // Tab moves on to the next control, as everywhere else in a dialog.
    edit->setTabChangesFocus(true);
    QObject::connect(edit, &QPlainTextEdit::textChanged,
                     [notify, id = item.id] { notify(id, EN_CHANGE); });
    return edit;
}

QWidget* MakeEdit(const DLGITEMTEMPLATE& item, QWidget* parent,
                  const CDialogBuilder::Notify& notify) {
    if (item.style & ES_MULTILINE)
        return MakeMultiLineEdit(item, parent, notify);
    auto* edit = new QLineEdit(QString::fromStdString(item.text), parent);
    if (item.style & ES_NUMBER)
        edit->setValidator(
            new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), edit));
    QObject::connect(edit, &QLineEdit::textChanged,
                     [notify, id = item.id] { notify(id, EN_CHANGE); });
    return edit;
}

QWidget* MakeDropDownList(const DLGITEMTEMPLATE& item, QWidget* parent,
                          const CDialogBuilder::Notify& notify) {
    auto* combo = new QComboBox(parent);
    for (const std::string& entry : item.items)
        combo->addItem(QString::fromStdString(entry));
    combo->setCurrentIndex(-1);
    QObject::connect(combo, &QComboBox::activated,
                     [notify, id = item.id] { notify(id, CBN_SELCHANGE); });
    return combo;
}

QWidget* MakeSlider(const DLGITEMTEMPLATE& item, QWidget* parent,
                    const CDialogBuilder::Notify& notify) {
    auto* slider = new QSlider(Qt::Horizontal, parent);
    slider->setRange(0, 100);
    // The program sets positions with signals blocked, so this reports the user's moves.
    QObject::connect(slider, &QSlider::valueChanged,
                     [notify, id = item.id] { notify(id, WM_HSCROLL); });
    return slider;
}

QWidget* MakeControl(const DLGITEMTEMPLATE& item, QWidget* parent,
                     const CDialogBuilder::Notify& notify) {
    const QString text = QString::fromStdString(item.text);
    auto clicked = [notify, id = item.id] { notify(id, BN_CLICKED); };
    switch (item.kind) {
    case CtlKind::PushButton:
    case CtlKind::DefPushButton: {
        auto* button = new QPushButton(text, parent);
        // Enter presses the template's default button and no other: a push button that merely
        // has the focus, or comes first, must not start a run while the user types.
        button->setDefault(item.kind == CtlKind::DefPushButton);
        button->setAutoDefault(item.kind == CtlKind::DefPushButton);
        QObject::connect(button, &QPushButton::clicked, clicked);
        return button;
    }
    case CtlKind::CheckBox: {
        auto* box = new QCheckBox(text, parent);
        QObject::connect(box, &QCheckBox::clicked, clicked);
        return box;
    }
    case CtlKind::RadioButton: {
        auto* radio = new QRadioButton(text, parent);
        // Exclusivity comes from the template's groups, not from the shared parent.
        radio->setAutoExclusive(false);
        QObject::connect(radio, &QRadioButton::clicked, clicked);
        return radio;
    }
    case CtlKind::Static:
        return MakeStatic(item, parent);
    case CtlKind::Edit:
        return MakeEdit(item, parent, notify);
    case CtlKind::GroupBox: {
        // A frame only draws; clicks inside it belong to the controls it surrounds, which a
        // frame listed before them covers.
        auto* frame = new QGroupBox(text, parent);
        frame->setAttribute(Qt::WA_TransparentForMouseEvents);
        return frame;
    }
    case CtlKind::DropDownList:
        return MakeDropDownList(item, parent, notify);
    case CtlKind::Progress: {
        auto* bar = new QProgressBar(parent);
        bar->setTextVisible(false);
        bar->setRange(0, 100);
        bar->setValue(0);
        return bar;
    }
    case CtlKind::Slider:
        return MakeSlider(item, parent, notify);
    case CtlKind::Custom:
        return item.create(parent);
    }
    return nullptr;
}

} // namespace

QFont CDialogBuilder::DialogFont(const DLGTEMPLATE& tmpl) {
    // A template's 8 points are the system's dialog font, which here is the desktop's own font
    // in its face and size: a person who chose a larger font gets larger dialogs, laid out as
    // a whole, rather than one control drawn larger than the others.
    QFont font = QApplication::font();
    font.setPointSizeF(font.pointSizeF() * tmpl.fontPointSize / 8.0);
    return font;
}

QFont CDialogBuilder::FittingFont(const DLGTEMPLATE& tmpl, const QSize& screen) {
    QFont font = DialogFont(tmpl);
    // Room for a title bar and borders the window manager adds.
    const QSize room = screen - QSize(16, 40);
    const double smallest = tmpl.fontPointSize;
    while (font.pointSizeF() > smallest &&
           !QRect(QPoint(), room)
                .contains(QRect(QPoint(), MapDialogRect(font, 0, 0, tmpl.cx, tmpl.cy).size())))
        font.setPointSizeF(std::max(smallest, font.pointSizeF() - 0.5));
    return font;
}

QRect CDialogBuilder::MapDialogRect(const QFont& font, int x, int y, int cx, int cy) {
    const QFontMetrics metrics(font);
    const int alphabet = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    const int baseX = (alphabet / 26 + 1) / 2;
    // A line of text with its leading, so that a one-line label 8 units tall holds its line
    // whole in any face.
    const int baseY = static_cast<int>(std::ceil(QFontMetricsF(font).lineSpacing()));
    return QRect(MulDiv(x, baseX, 4), MulDiv(y, baseY, 8), MulDiv(cx, baseX, 4),
                 MulDiv(cy, baseY, 8));
}

QButtonGroup* CDialogBuilder::RadioGroupOf(const QWidget* control) {
    return control ? control->property(kRadioGroupProperty).value<QButtonGroup*>() : nullptr;
}

void CDialogBuilder::Build(QDialog& dialog, const DLGTEMPLATE& tmpl, const Notify& notify) {
    const QScreen* screen =
        dialog.parentWidget() ? dialog.parentWidget()->screen() : QGuiApplication::primaryScreen();
    const QFont font =
        screen ? FittingFont(tmpl, screen->availableGeometry().size()) : DialogFont(tmpl);
    dialog.setFont(font);
    dialog.setWindowTitle(QString::fromStdString(tmpl.caption));
    Qt::WindowFlags flags = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint;
    if (tmpl.style & WS_SYSMENU)
        flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    dialog.setWindowFlags(flags);

    QButtonGroup* group = nullptr;
    QWidget* previous = nullptr;
    for (const DLGITEMTEMPLATE& item : tmpl.items) {
        QWidget* control = MakeControl(item, &dialog, notify);
        control->setObjectName(QString::fromLatin1(item.name));
        QRect rect = MapDialogRect(font, item.x, item.y, item.cx, item.cy);
        // A drop-down list's template height is that of its open list; closed, it is as
        // tall as its font needs.
        if (item.kind == CtlKind::DropDownList)
            rect.setHeight(control->sizeHint().height());
        if (item.kind == CtlKind::Static)
            rect = WidenForWords(rect, font, item);
        control->setGeometry(rect);
        control->setEnabled(!(item.style & CTL_DISABLED));
        // Earlier controls of a template lie above later ones, as on Windows.
        control->lower();

        if (item.style & CTL_GROUP)
            group = nullptr;
        if (auto* radio = qobject_cast<QRadioButton*>(control)) {
            if (!group) {
                group = new QButtonGroup(&dialog);
                group->setExclusive(true);
            }
            group->addButton(radio);
            radio->setProperty(kRadioGroupProperty, QVariant::fromValue(group));
        }
        if (previous)
            QWidget::setTabOrder(previous, control);
        previous = control;
    }
    const QRect client = MapDialogRect(font, 0, 0, tmpl.cx, tmpl.cy);
    dialog.setFixedSize(client.size());
}

} // namespace plat
