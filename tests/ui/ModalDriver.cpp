#include "tests/ui/ModalDriver.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace vtltest {
namespace {

constexpr const char* kHandled = "vtlTestHandled";

// The modal window that is open and not handled yet, marked as handled now; null for none.
QWidget* TakeNewModal(const QString& title) {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal || !modal->isVisible() || modal->property(kHandled).toBool() ||
        (!title.isEmpty() && modal->windowTitle() != title))
        return nullptr;
    modal->setProperty(kHandled, true);
    return modal;
}

} // namespace

QTimer* OnNextModal(std::function<void(QWidget*)> action, const QString& title) {
    auto* timer = new QTimer;
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, action, title] {
        if (QWidget* modal = TakeNewModal(title)) {
            timer->stop();
            timer->deleteLater();
            action(modal);
        }
    });
    timer->start();
    return timer;
}

std::unique_ptr<QTimer> OnEveryModal(std::function<void(QWidget*)> action) {
    auto timer = std::make_unique<QTimer>();
    timer->setInterval(5);
    QObject::connect(timer.get(), &QTimer::timeout, [action] {
        if (QWidget* modal = TakeNewModal({}))
            action(modal);
    });
    timer->start();
    return timer;
}

void ClickNamed(QWidget* window, const QString& name) {
    auto* button = window->findChild<QAbstractButton*>(name, Qt::FindDirectChildrenOnly);
    if (!button) {
        ADD_FAILURE() << "no button " << name.toStdString();
        return;
    }
    QTest::mouseClick(button, Qt::LeftButton);
}

QString TextOfNamed(QWidget* window, const QString& name) {
    QWidget* child = window->findChild<QWidget*>(name, Qt::FindDirectChildrenOnly);
    if (auto* label = qobject_cast<QLabel*>(child))
        return label->text();
    if (auto* edit = qobject_cast<QLineEdit*>(child))
        return edit->text();
    if (auto* button = qobject_cast<QAbstractButton*>(child))
        return button->text();
    return QStringLiteral("<no control %1>").arg(name);
}

} // namespace vtltest
