#include "tests/ui/ModalDriver.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace vtltest {

std::unique_ptr<QTimer> OnEveryModal(std::function<void(QWidget*)> action, const QString& title,
                                     bool once) {
    auto timer = std::make_unique<QTimer>();
    QObject::connect(timer.get(), &QTimer::timeout, [timer = timer.get(), action, title, once] {
        // The modal window that is open and not handled yet, marked as handled now.
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || !modal->isVisible() || modal->property("vtlTestHandled").toBool() ||
            (!title.isEmpty() && modal->windowTitle() != title))
            return;
        modal->setProperty("vtlTestHandled", true);
        if (once) {
            timer->stop();
            timer->deleteLater();
        }
        action(modal);
    });
    timer->start(5);
    return timer;
}

QTimer* OnNextModal(std::function<void(QWidget*)> action, const QString& title) {
    return OnEveryModal(std::move(action), title, true).release();
}

void ClickNamed(QWidget* window, const QString& name) {
    if (auto* button = window->findChild<QAbstractButton*>(name, Qt::FindDirectChildrenOnly))
        QTest::mouseClick(button, Qt::LeftButton);
    else
        ADD_FAILURE() << "no button " << name.toStdString();
}

QString TextOfNamed(QWidget* window, const QString& name) {
    QWidget* child = window->findChild<QWidget*>(name, Qt::FindDirectChildrenOnly);
    const QVariant text =
        child ? child->property(qobject_cast<QComboBox*>(child) ? "currentText" : "text")
              : QVariant();
    return text.isValid() ? text.toString() : QStringLiteral("<no control %1>").arg(name);
}

} // namespace vtltest
