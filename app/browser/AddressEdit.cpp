#include "app/browser/AddressEdit.h"

#include "app/browser/AddressComboBox.h"
#include "platform/ui/Message.h"

#include <QKeyEvent>

CAddressEdit::CAddressEdit(QWidget* parent) : QLineEdit(parent) {}

void CAddressEdit::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        if (parentWidget())
            plat::PostMessage(parentWidget(), WM_ADDRESS_GO, 0, 0);
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
}
