// browser_window [FOLDER]: the address box, the file list and the preview pane in one plain
// window, wired as the main window wires them, for looking at them on a real display (real
// clicks and keys through xdotool). FOLDER, when given, is where the list starts.
#include "app/browser/AddressComboBox.h"
#include "app/browser/FileListView.h"
#include "app/core/AppSetting.h"
#include "app/core/UserData.h"
#include "app/preview/ScrollPictureView.h"
#include "app/preview/VantrelDoc.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QPushButton>
#include <QSplitter>
#include <QVBoxLayout>

int main(int argc, char** argv) {
    CAppSetting* setting = GetAppSetting();
    if (argc > 1)
        CopyTextCut(setting->m_szLastBrowse, sizeof setting->m_szLastBrowse, argv[1]);
    QApplication app(argc, argv);

    QWidget window;
    window.setWindowTitle(QStringLiteral("Vantrel browser panes"));
    auto* layout = new QVBoxLayout(&window);
    auto* bar = new QHBoxLayout;
    auto* up = new QPushButton(QStringLiteral("Up Folder"));
    auto* refresh = new QPushButton(QStringLiteral("Refresh"));
    auto* address = new CAddressComboBox;
    bar->addWidget(up);
    bar->addWidget(refresh);
    bar->addWidget(address, 1);
    layout->addLayout(bar);

    CVantrelDoc doc;
    auto* splitter = new QSplitter;
    auto* list = new CFileListView(&doc);
    auto* preview = new CScrollPictureView(&doc);
    splitter->addWidget(list);
    splitter->addWidget(preview);
    splitter->setSizes({setting->m_nCurCol, 400});
    layout->addWidget(splitter, 1);
    doc.m_pPictureView = preview;
    list->m_pAddressBox = address;

    address->InitAddressBox();
    list->OnInitialUpdate();
    preview->OnInitialUpdate();
    QObject::connect(up, &QPushButton::clicked, list, &CFileListView::OnUpFolder);
    QObject::connect(refresh, &QPushButton::clicked, list, &CFileListView::OnRefresh);

    window.resize(1100, 700);
    window.show();
    return QApplication::exec();
}
