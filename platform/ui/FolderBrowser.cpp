#include "platform/ui/FolderBrowser.h"

#include "platform/ui/AutoClick.h"

#include <QDir>
#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>
#include <QTimer>

#include <cstdio>

namespace plat {

CFolderBrowser::CFolderBrowser(QWidget* owner, std::string title, std::string initialFolder)
    : m_pOwner(owner), m_strTitle(std::move(title)), m_strInitialFolder(std::move(initialFolder)) {}

std::optional<std::string> CFolderBrowser::DoModal() {
    QFileDialog dialog(m_pOwner, QString::fromStdString(m_strTitle));
    // Our own dialog rather than the desktop's, so that it has the status line and behaves the
    // same everywhere.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    const QString initial = QString::fromStdString(m_strInitialFolder);
    if (!initial.isEmpty() && QDir(initial).exists())
        dialog.setDirectory(initial);

    auto* status = new QLabel(&dialog);
    status->setObjectName(QStringLiteral("status"));
    status->setTextFormat(Qt::PlainText);
    status->setText(dialog.directory().absolutePath());
    if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout()))
        grid->addWidget(status, grid->rowCount(), 0, 1, grid->columnCount());
    QObject::connect(&dialog, &QFileDialog::directoryEntered, status, &QLabel::setText);
    QObject::connect(&dialog, &QFileDialog::currentChanged, status, &QLabel::setText);

    if (std::optional<std::string> name = TakeAutoClick(); name && !name->empty()) {
        QTimer::singleShot(0, &dialog, [&dialog, pressed = *name] {
            // accept() is protected in QFileDialog; as a slot it can still be invoked.
            if (pressed == "IDOK")
                QMetaObject::invokeMethod(&dialog, "accept");
            else if (pressed == "IDCANCEL")
                dialog.reject();
            else
                std::fprintf(stderr, "VTL_AUTOCLICK: the folder chooser has no control %s\n",
                             pressed.c_str());
        });
    }
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty())
        return std::nullopt;
    return QDir::cleanPath(chosen.front()).toStdString();
}

} // namespace plat
