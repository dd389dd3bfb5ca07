// The application's dialogs as the person meets them: every control of every dialog takes the
// clicks at its centre, the texts show this platform's folders, and every text fits at every
// font and scale.
#include "app/res/Dialogs.h"
#include "platform/ui/Dialog.h"
#include "tests/support/RunProgram.h"
#include "tests/support/Sandbox.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QRadioButton>
#include <QStyleOptionButton>
#include <QScreen>
#include <QGroupBox>
#include <QTest>

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
        for (const plat::DLGITEMTEMPLATE& item : tmpl->items) {
            QWidget* control = dialog.findChild<QWidget*>(item.name);
            ASSERT_NE(control, nullptr) << item.name;
            if (qobject_cast<QGroupBox*>(control))
                continue;
            control->setEnabled(true); // every control is enabled in some state of its dialog
            QWidget* hit = dialog.childAt(control->geometry().center());
            EXPECT_TRUE(hit == control || control->isAncestorOf(hit))
                << item.name << " lies under " << (hit ? qPrintable(hit->objectName()) : "nothing");
            // Folders are written with this platform's separator.
            EXPECT_EQ(item.text.find('\\'), std::string::npos) << item.text;
        }
    }
}

// Whether a control's text (wrapped, for a label) lies inside its rectangle, or the style's
// room for it, and the indicator of a check box or radio button too.
bool Fits(QWidget* control) {
    const QFontMetrics metrics(control->font());
    if (auto* label = qobject_cast<QLabel*>(control)) {
        const QRect used = metrics.boundingRect(QRect(0, 0, control->width(), 10000),
                                                Qt::TextWordWrap, label->text());
        return label->text().isEmpty() ||
               control->rect().contains(used.translated(-used.topLeft()));
    }
    auto* button = qobject_cast<QAbstractButton*>(control);
    if (!button)
        return true;
    QStyleOptionButton option;
    option.initFrom(button);
    option.text = button->text();
    const bool radio = qobject_cast<QRadioButton*>(control),
               check = qobject_cast<QCheckBox*>(control);
    const auto room = [&](QStyle::SubElement element) {
        return control->style()->subElementRect(element, &option, control);
    };
    const QRect indicator =
        room(radio ? QStyle::SE_RadioButtonIndicator : QStyle::SE_CheckBoxIndicator);
    const QRect contents = room(radio   ? QStyle::SE_RadioButtonContents
                                : check ? QStyle::SE_CheckBoxContents
                                        : QStyle::SE_PushButtonContents);
    const QSize text = metrics.size(Qt::TextShowMnemonic, button->text());
    return (!(radio || check) || control->rect().contains(indicator)) &&
           (button->text().isEmpty() ||
            (text.width() <= contents.width() && text.height() <= contents.height()));
}

// A larger desktop font or scale grows every dialog as a whole: at fonts of 9 to 14 points and
// scales 1, 1.5 and 2 (each scale in a process of its own on a 1024 x 768 screen) every
// control draws in the one dialog font, its text and indicator inside its rectangle, and the
// dialog fits the screen, keeping the desktop's font up to 10 points.
TEST(Resources, EveryDialogFitsItsTextsAtEveryFontAndScale) {
    for (const double scale : {1.0, 1.5, 2.0}) {
        if (std::getenv("QT_SCALE_FACTOR"))
            break;
        const std::string screen = vtltest::MakeTempDir("screen") + "/screen.json";
        vtltest::WriteFile(screen,
                           "{\"screens\": [{\"name\": \"s\", \"x\": 0, \"y\": 0, \"width\": " +
                               std::to_string(int(1024 * scale)) +
                               ", \"height\": " + std::to_string(int(768 * scale)) + "}]}");
        const vtltest::ProgramRun run = vtltest::RunProgram(
            std::filesystem::read_symlink("/proc/self/exe"),
            {"--gtest_filter=Resources.EveryDialogFitsItsTextsAtEveryFontAndScale"},
            {{"QT_SCALE_FACTOR", std::to_string(scale)},
             {"QT_QPA_PLATFORM", "offscreen:configfile=" + screen}});
        EXPECT_EQ(run.status, 0) << "at scale " << scale << ":\n" << run.out;
    }
    if (!std::getenv("QT_SCALE_FACTOR"))
        return;
    const QFont desktop = QApplication::font();
    for (int points = 9; points <= 14; ++points) {
        QFont font = desktop;
        font.setPointSize(points);
        QApplication::setFont(font);
        for (const plat::DLGTEMPLATE* tmpl : AllDialogTemplates()) {
            SCOPED_TRACE(tmpl->caption + " at " + std::to_string(points) + " pt");
            plat::CDialog dialog(*tmpl, nullptr);
            const QSize room = QGuiApplication::primaryScreen()->availableSize();
            EXPECT_TRUE(dialog.width() < room.width() && dialog.height() < room.height());
            EXPECT_TRUE(points > 10 || dialog.font().pointSize() == points);
            for (QWidget* control : dialog.findChildren<QWidget*>()) {
                EXPECT_EQ(control->font(), dialog.font()) << qPrintable(control->objectName());
                EXPECT_TRUE(Fits(control)) << qPrintable(control->objectName()) << " "
                                           << control->width() << " x " << control->height();
            }
        }
    }
    QApplication::setFont(desktop);
}

} // namespace
