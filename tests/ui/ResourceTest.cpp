// The application's resources as the person meets them: every control of every dialog takes
// the clicks at its centre, the texts show this platform's folders, the pictures show what
// their choices do, and windows carry their own titles.
#include "app/res/resource.h"
#include "app/res/Bitmaps.h"
#include "app/res/Dialogs.h"
#include "app/res/Identity.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/DialogBuilder.h"
#include "tests/support/RunProgram.h"
#include "tests/support/Sandbox.h"
#include "tests/ui/ModalDriver.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QRadioButton>
#include <QScreen>
#include <QStyle>
#include <QStyleOptionButton>
#include <QGroupBox>
#include <QImage>
#include <QLineEdit>
#include <QTest>
#include <QWindow>

#include <gtest/gtest.h>

#include <filesystem>

namespace {

// A real click is hit-tested from the top-level window down: a control that another widget
// covers never sees it, whatever the keyboard can reach.
TEST(Resources, EveryControlTakesTheClicksAtItsCentre) {
    for (const plat::DLGTEMPLATE* tmpl : AllDialogTemplates()) {
        SCOPED_TRACE(tmpl->caption);
        plat::CDialog dialog(*tmpl, nullptr);
        dialog.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
        std::vector<QLineEdit*> edits;
        for (const plat::DLGITEMTEMPLATE& item : tmpl->items) {
            QWidget* control = dialog.findChild<QWidget*>(item.name);
            ASSERT_NE(control, nullptr) << item.name;
            if (qobject_cast<QGroupBox*>(control))
                continue;
            control->setEnabled(true); // every control is enabled in some state of its dialog
            QWidget* hit = dialog.childAt(control->geometry().center());
            EXPECT_TRUE(hit == control || control->isAncestorOf(hit))
                << item.name << " lies under " << (hit ? qPrintable(hit->objectName()) : "nothing");
            if (auto* edit = qobject_cast<QLineEdit*>(control))
                edits.push_back(edit);
            // Folders are written with this platform's separator.
            EXPECT_EQ(item.text.find('\\'), std::string::npos) << item.text;
        }
        for (QLineEdit* edit : edits) {
            const QString before = edit->text();
            QTest::mouseClick(dialog.windowHandle(), Qt::LeftButton, {}, edit->geometry().center());
            QTest::keyClicks(QApplication::focusWidget(), "7");
            EXPECT_EQ(edit->text().toStdString(), (before + "7").toStdString())
                << qPrintable(edit->objectName());
        }
    }
}

// What of `control` does not fit inside its rectangle in its font: its text (wrapped where a
// label wraps) or the indicator of a check box or radio button; "" when all fits.
std::string Overflow(QWidget* control) {
    const QFontMetrics metrics(control->font());
    const QRect rect = control->rect();
    const QStyle* style = control->style();
    const auto wider = [&](const QString& text, const QRect& room) {
        const QSize needed = metrics.size(Qt::TextShowMnemonic, text);
        return needed.width() > room.width() || needed.height() > room.height();
    };
    if (auto* button = qobject_cast<QAbstractButton*>(control)) {
        QStyleOptionButton option;
        option.initFrom(button);
        option.text = button->text();
        const bool radio = qobject_cast<QRadioButton*>(control);
        const bool check = qobject_cast<QCheckBox*>(control);
        if (radio || check) {
            const QRect indicator = style->subElementRect(
                radio ? QStyle::SE_RadioButtonIndicator : QStyle::SE_CheckBoxIndicator, &option,
                control);
            if (!rect.contains(indicator))
                return "indicator";
        }
        const QStyle::SubElement contents = radio   ? QStyle::SE_RadioButtonContents
                                            : check ? QStyle::SE_CheckBoxContents
                                                    : QStyle::SE_PushButtonContents;
        if (!button->text().isEmpty() &&
            wider(button->text(), style->subElementRect(contents, &option, control)))
            return "text";
    } else if (auto* label = qobject_cast<QLabel*>(control)) {
        const QRect used = metrics.boundingRect(QRect(0, 0, rect.width(), 10000),
                                                Qt::TextWordWrap, label->text());
        if (!label->text().isEmpty() && !rect.contains(used.translated(-used.topLeft())))
            return "text " + std::to_string(used.width()) + "x" + std::to_string(used.height());
    } else if (auto* frame = qobject_cast<QGroupBox*>(control)) {
        if (metrics.horizontalAdvance(frame->title()) + 2 * metrics.averageCharWidth() >
                rect.width() ||
            metrics.height() > rect.height())
            return "title";
    } else if (qobject_cast<QLineEdit*>(control) || qobject_cast<QComboBox*>(control)) {
        if (control->minimumSizeHint().height() > rect.height())
            return "text";
    }
    return "";
}

// A larger desktop font or scale grows every dialog as a whole: each control's text and
// indicator stay inside its rectangle at fonts of 9 to 14 points and scales 1, 1.5 and 2 (each
// scale in a process of its own, as a scale is set before the program starts), and a dialog
// opened at the desktop font fits a 1024 x 768 screen, or takes a smaller font where a large
// one would not.
TEST(Resources, EveryDialogFitsItsTextsAtEveryFontAndScale) {
    const std::string name = "Resources.EveryDialogFitsItsTextsAtEveryFontAndScale";
    if (!std::getenv("QT_SCALE_FACTOR")) {
        // Each scale on a screen of 1024 x 768 logical pixels.
        for (const double scale : {1.0, 1.5, 2.0}) {
            const std::string config = vtltest::MakeTempDir("screen") + "/screen.json";
            vtltest::WriteFile(config, "{\"screens\": [{\"name\": \"s\", \"x\": 0, \"y\": 0, "
                                       "\"width\": " + std::to_string(int(1024 * scale)) +
                                           ", \"height\": " + std::to_string(int(768 * scale)) +
                                           "}]}");
            const vtltest::ProgramRun run = vtltest::RunProgram(
                std::filesystem::read_symlink("/proc/self/exe"), {"--gtest_filter=" + name},
                {{"QT_SCALE_FACTOR", std::to_string(scale)},
                 {"QT_QPA_PLATFORM", "offscreen:configfile=" + config}});
            EXPECT_EQ(run.status, 0) << "at scale " << scale << ":\n" << run.out << run.err;
        }
        return;
    }
    ASSERT_EQ(QGuiApplication::primaryScreen()->size(), QSize(1024, 768));
    const QFont desktop = QApplication::font();
    const QSize screen = QGuiApplication::primaryScreen()->availableSize();
    for (int points = 9; points <= 14; ++points) {
        QFont font = desktop;
        font.setPointSize(points);
        QApplication::setFont(font);
        for (const plat::DLGTEMPLATE* tmpl : AllDialogTemplates()) {
            SCOPED_TRACE(tmpl->caption + " at " + std::to_string(points) + " pt");
            const QFont fitting = plat::CDialogBuilder::FittingFont(*tmpl, screen);
            const QSize size =
                plat::CDialogBuilder::MapDialogRect(fitting, 0, 0, tmpl->cx, tmpl->cy).size();
            EXPECT_TRUE(size.width() < screen.width() && size.height() < screen.height());
            if (points <= 10) {
                EXPECT_EQ(fitting.pointSizeF(), points) << "made smaller than the desktop's";
            }
            plat::CDialog dialog(*tmpl, nullptr);
            EXPECT_EQ(dialog.width(), plat::CDialogBuilder::MapDialogRect(dialog.font(), 0, 0,
                                                                          tmpl->cx, tmpl->cy)
                                          .width());
            for (const plat::DLGITEMTEMPLATE& item : tmpl->items) {
                // Several labels share a name: each is found at its place.
                const QPoint place =
                    plat::CDialogBuilder::MapDialogRect(dialog.font(), item.x, item.y, 0, 0)
                        .topLeft() +
                    QPoint(1, 1);
                QWidget* control = nullptr;
                for (QWidget* named : dialog.findChildren<QWidget*>(item.name))
                    if (named->geometry().contains(place))
                        control = named;
                ASSERT_NE(control, nullptr) << item.name;
                EXPECT_EQ(control->font(), dialog.font()) << item.name << ": one dialog font";
                EXPECT_EQ(Overflow(control), "")
                    << item.name << " \"" << item.text << "\" " << control->width() << " x "
                    << control->height();
            }
        }
    }
    QApplication::setFont(desktop);
}

// A dialog opens ready for the keyboard: the focus on its first control in tab order, and
// Enter presses its default button wherever the focus is (the resize dialog has none).
TEST(Resources, EveryDialogOpensWithTheFocusOnItsFirstControl) {
    const std::tuple<int, const char*, const char*> dialogs[] = {
        {IDD_ABOUTBOX, "IDOK", "IDOK"},
        {IDD_CONFIRM, "IDC_YESTOALL", "IDC_YES"},
        {IDD_OPTION_MAIL, "IDC_MAIL_SUBJECT", nullptr},
        {IDD_OPTION_MENU_CONTEXT, "IDC_MENU_VANTREL", nullptr},
        {IDD_PROCESS, "IDCANCEL", nullptr},
        {IDD_RESIZE, "IDC_RESIZE_CANCEL", nullptr},
    };
    ASSERT_EQ(std::size(dialogs), AllDialogTemplates().size());
    for (const plat::DLGTEMPLATE* tmpl : AllDialogTemplates()) {
        const auto& [id, first, byDefault] =
            *std::find_if(std::begin(dialogs), std::end(dialogs),
                          [&](const auto& row) { return std::get<0>(row) == tmpl->id; });
        SCOPED_TRACE(tmpl->caption);
        plat::CDialog dialog(*tmpl, nullptr);
        QString focused;
        int pressed = 0;
        if (byDefault)
            QObject::connect(dialog.findChild<QAbstractButton*>(byDefault),
                             &QAbstractButton::clicked, [&] { ++pressed; });
        vtltest::OnNextModal([&](QWidget* modal) {
            focused = QApplication::focusWidget() ? QApplication::focusWidget()->objectName() : "";
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
            if (modal->isVisible())
                QTest::keyClick(modal, Qt::Key_Escape);
        });
        dialog.DoModal();
        EXPECT_EQ(focused.toStdString(), first);
        EXPECT_EQ(pressed, byDefault ? 1 : 0);
    }
}

// "Flip Horizontal" turns the picture upside down: its bitmap shows the picture beside the
// same picture turned upside down. Every bitmap has a version at twice its size for scaled
// screens, covering the same logical size.
TEST(Resources, TheBitmapsShowTheirChoicesAtEveryScale) {
    for (const double ratio : {1.0, 1.5, 2.0}) {
        const QImage flip = LoadBitmap(IDB_FLIP, ratio).toImage();
        ASSERT_FALSE(flip.isNull());
        const QImage left = flip.copy(0, 0, flip.width() * 5 / 12, flip.height());
        const QImage right = flip.copy(flip.width() - left.width(), 0, left.width(), flip.height());
        EXPECT_EQ(right, left.mirrored(false, true)) << ratio;
    }
    for (const int id : {IDB_ROTATE_LEFT, IDB_FLIP, IDB_ROTATE_RIGHT, IDB_TOOLBAR, IDB_NAVBAR}) {
        const QPixmap once = LoadBitmap(id), twice = LoadBitmap(id, 1.5);
        EXPECT_EQ(once.devicePixelRatio(), 1.0) << id;
        EXPECT_EQ(twice.size(), once.size() * 2) << id;
        EXPECT_EQ(twice.deviceIndependentSize(), QSizeF(once.size())) << id;
    }
}

// The desktop appends a display name to every window title ("Vantrel... — Vantrel"): the
// program names itself without setting one. An unset display name follows the name.
TEST(Resources, WindowsAreTitledByTheirCaptionAlone) {
    SetApplicationIdentity();
    EXPECT_EQ(QApplication::applicationName(), "Vantrel");
    EXPECT_EQ(QApplication::applicationDisplayName(), "Vantrel");
    QApplication::setApplicationName("probe");
    EXPECT_EQ(QApplication::applicationDisplayName(), "probe");
    SetApplicationIdentity();
}

} // namespace
