#include "platform/ui/MessageBox.h"

#include "platform/ui/AutoClick.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include <cstdio>

namespace plat {
namespace {

// Presses the button a VTL_AUTOCLICK name stands for, once the box's modal loop runs.
void ArmAutoClick(QMessageBox& box) {
    const std::optional<std::string> name = TakeAutoClick();
    if (!name || name->empty())
        return;
    QMessageBox::StandardButton which = QMessageBox::NoButton;
    if (*name == "IDOK")
        which = QMessageBox::Ok;
    else if (*name == "IDCANCEL")
        which = QMessageBox::Cancel;
    else if (*name == "IDYES")
        which = QMessageBox::Yes;
    else if (*name == "IDNO")
        which = QMessageBox::No;
    QTimer::singleShot(0, &box, [&box, which, pressed = *name] {
        if (QAbstractButton* button = box.button(which))
            button->click();
        else
            std::fprintf(stderr, "VTL_AUTOCLICK: the message box has no button %s\n",
                         pressed.c_str());
    });
}

} // namespace

int AfxMessageBox(const std::string& text, unsigned type) {
    QMessageBox box;
    box.setWindowTitle(QApplication::applicationDisplayName());
    box.setText(QString::fromStdString(text));
    switch (type & 0xF0) {
    case MB_ICONSTOP:
        box.setIcon(QMessageBox::Critical);
        break;
    case MB_ICONQUESTION:
        box.setIcon(QMessageBox::Question);
        break;
    case MB_ICONEXCLAMATION:
        box.setIcon(QMessageBox::Warning);
        break;
    case MB_ICONINFORMATION:
        box.setIcon(QMessageBox::Information);
        break;
    default:
        break;
    }
    switch (type & 0xF) {
    case MB_OKCANCEL:
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        break;
    case MB_YESNOCANCEL:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        break;
    case MB_YESNO:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        break;
    default:
        box.setStandardButtons(QMessageBox::Ok);
        break;
    }
    ArmAutoClick(box);
    switch (box.exec()) {
    case QMessageBox::Yes:
        return IDYES;
    case QMessageBox::No:
        return IDNO;
    case QMessageBox::Cancel:
        return IDCANCEL;
    default:
        return IDOK;
    }
}

bool AskToGoOnAfter(const Failure& failure, bool more) {
    if (!more) {
        AfxMessageBox(failure.message, MB_OK | MB_ICONEXCLAMATION);
        return false;
    }
    return AfxMessageBox(failure.message +
                             "\n\nPress OK to go on with the next file, or Cancel to stop.",
                         MB_OKCANCEL | MB_ICONEXCLAMATION) == IDOK;
}

} // namespace plat
