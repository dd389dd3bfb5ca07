#include "tests/batch/ProcessTestSupport.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

namespace batchtest {
namespace {
constexpr const char* kSeen = "batchTestSeen";
}

Responder::Responder(std::vector<QString> answers) : m_answers(std::move(answers)) {
    m_timer.setInterval(5);
    QObject::connect(&m_timer, &QTimer::timeout, [this] { Poll(); });
    m_timer.start();
}

Responder::~Responder() { m_timer.stop(); }

void Responder::Poll() {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal || !modal->isVisible() || modal->property(kSeen).toBool())
        return;
    if (auto* box = qobject_cast<QMessageBox*>(modal)) {
        modal->setProperty(kSeen, true);
        messages.push_back(box->text().toStdString());
        QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
        return;
    }
    if (modal->windowTitle() != "Vantrel Confirm")
        return;
    modal->setProperty(kSeen, true);
    QString answer = QStringLiteral("IDC_NO");
    if (m_next < m_answers.size())
        answer = m_answers[m_next++];
    else
        ++unscripted;
    // A person looks before answering; the dialog has had time to come to the front.
    QTimer::singleShot(20, modal, [this, modal, answer] {
        Asked seen;
        seen.file = modal->findChild<QLabel*>("IDC_TEXT")->text().toStdString();
        seen.question = modal->findChild<QLabel*>("IDC_QUESTION")->text().toStdString();
        if (QWidget* focus = modal->focusWidget())
            seen.focused = focus->objectName().toStdString();
        seen.active = QApplication::activeWindow() == modal;
        seen.defaultIsYes = modal->findChild<QPushButton*>("IDC_YES")->isDefault();
        asked.push_back(seen);
        if (answer == "ESC")
            QTest::keyClick(modal, Qt::Key_Escape);
        else
            QTest::mouseClick(modal->findChild<QAbstractButton*>(answer), Qt::LeftButton);
    });
}

ResizeSetting& ResetSettings(const std::vector<std::string>& files) {
    CAppSetting* app = GetAppSetting();
    app->m_resize = ResizeSetting{};
    app->m_listFiles = files;
    app->m_listMailFiles.clear();
    app->m_bJpegInSelection = 0;
    return app->m_resize;
}

Outcome RunProcess(std::int32_t mode, bool mail,
                   const std::function<void(CDlgProcess&, int)>& onStep) {
    Outcome outcome;
    CDlgProcess dialog;
    dialog.m_nMode = mode;
    dialog.m_bMail = mail ? 1 : 0;
    auto* bar = dialog.findChild<QProgressBar*>("IDC_PROGRESS");
    QObject::connect(bar, &QProgressBar::valueChanged, [&](int value) {
        outcome.positions.push_back(value);
        if (onStep)
            onStep(dialog, value);
    });
    outcome.code = dialog.DoModal();
    outcome.maximum = bar->maximum();
    outcome.caption = dialog.windowTitle().toStdString();
    outcome.status = dialog.findChild<QLabel*>("IDC_TEXT")->text().toStdString();
    outcome.width = dialog.m_nWidth;
    outcome.height = dialog.m_nHeight;
    outcome.xdpi = dialog.m_nXDpi;
    outcome.ydpi = dialog.m_nYDpi;
    return outcome;
}

} // namespace batchtest
