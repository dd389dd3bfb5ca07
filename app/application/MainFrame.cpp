#include "app/application/MainFrame.h"

#include "app/batch/MailPictures.h"
#include "app/batch/ReadAndResize.h"
#include "app/browser/AddressComboBox.h"
#include "app/browser/FileListView.h"
#include "app/browser/ThumbnailView.h"
#include "app/browser/HelpLinks.h"
#include "app/browser/LocaleFormat.h"
#include "app/browser/StatusBar.h"
#include "app/browser/StatusTexts.h"
#include "app/browser/WindowPlacement.h"
#include "app/preview/ScrollPictureView.h"
#include "app/res/Bitmaps.h"
#include "app/res/Menus.h"
#include "app/res/StringTable.h"
#include "app/res/resource.h"
#include "platform/ui/AutoClick.h"
#include "platform/ui/MessageBox.h"

#include <QActionGroup>
#include <QCloseEvent>
#include <QDropEvent>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMimeData>
#include <QScreen>
#include <QSplitter>
#include <QStackedWidget>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QUrl>
#include <QWindow>

#include <cstdio>

namespace {

// The pictures of a toolbar bitmap, one per button, side by side; magenta is transparent. Each
// icon holds the picture at its size and at twice its size.
std::vector<QIcon> LoadToolbarImages(int bitmap, QSize image, std::size_t count) {
    std::vector<QIcon> icons(count);
    for (const double ratio : {1.0, 2.0}) {
        const QPixmap strip = LoadBitmap(bitmap, ratio);
        const QSize size = image * strip.devicePixelRatio();
        for (std::size_t i = 0; i < count; ++i) {
            QPixmap picture =
                strip.copy(static_cast<int>(i) * size.width(), 0, size.width(), size.height());
            picture.setMask(picture.createMaskFromColor(QColor(255, 0, 255)));
            picture.setDevicePixelRatio(strip.devicePixelRatio());
            icons[i].addPixmap(picture);
        }
    }
    return icons;
}

// The Qt key of a virtual key of the accelerator table; letters are their own.
Qt::Key QtKey(unsigned short vk) {
    switch (vk) {
    case VK_UP:
        return Qt::Key_Up;
    case VK_F5:
        return Qt::Key_F5;
    default:
        return static_cast<Qt::Key>(vk);
    }
}

// Where `stored` opens on the screens there are, the window's frame included.
QRect FitOnTheScreens(QWidget* window, const QRect& stored) {
    QList<QRect> areas;
    if (QScreen* primary = QGuiApplication::primaryScreen())
        areas.push_back(primary->availableGeometry());
    for (QScreen* screen : QGuiApplication::screens())
        if (screen != QGuiApplication::primaryScreen())
            areas.push_back(screen->availableGeometry());
    // The frame is known once the window exists, where the system tells it before the window
    // is shown.
    window->winId();
    return FitOnScreens(stored, areas, window->windowHandle()->frameMargins());
}

// The paths of files dropped from another program, exact bytes; none when the drop brings
// anything else or comes from this program (the list's own rows).
std::vector<std::string> DroppedPaths(const QDropEvent& event) {
    if (event.source() || !event.mimeData()->hasUrls())
        return {};
    std::vector<std::string> paths;
    for (const QUrl& url : event.mimeData()->urls()) {
        if (!url.isLocalFile())
            return {};
        // Decoded by hand: a name that is not UTF-8 keeps its bytes.
        paths.push_back(
            QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1()).toStdString());
    }
    return paths;
}

// Takes a drag of files as a copy, the one action that leaves them where they are; a drag that
// offers no copy is refused.
bool AcceptAsCopy(QDropEvent& event) {
    if (!(event.possibleActions() & Qt::CopyAction) || DroppedPaths(event).empty()) {
        event.ignore();
        return false;
    }
    event.setDropAction(Qt::CopyAction);
    event.accept();
    return true;
}

} // namespace

CMainFrame::CMainFrame(std::function<bool(int)> appCommands)
    : m_appCommands(std::move(appCommands)) {
    setObjectName(QStringLiteral("IDR_MAINFRAME"));
    setAcceptDrops(true);
}

CMainFrame::~CMainFrame() {
    // A window destroyed without being closed still keeps the widths of its list.
    if (!m_bClosed && m_pFileList) {
        m_pFileList->StoreColumnWidths();
        // Closing without a window to say anything in: what could not be saved is lost.
        (void)GetAppSetting()->SaveLayout();
    }
}

void CMainFrame::LoadFrame() {
    OnCreateClient();
    CreateMenu();
    OnCreate();
    // The panes are laid out once the bars exist: the file list opens on the start folder and
    // joins the address box, which shows the same place.
    m_pFileList->m_pAddressBox = m_wndAddress;
    m_pFileList->OnInitialUpdate();
    m_pPictureView->OnInitialUpdate();
    ShowListView(GetAppSetting()->m_nListView);
    FollowMarks();
    setGeometry(FitOnTheScreens(this, QRect()));
}

void CMainFrame::OnCreateClient() {
    m_wndSplitter = new QSplitter(Qt::Horizontal, this);
    m_wndSplitter->setObjectName(QStringLiteral("AFX_IDW_PANE_FIRST"));
    m_wndSplitter->setChildrenCollapsible(false);
    m_pFileList = new CFileListView(&m_doc, this);
    m_pPictureView = new CScrollPictureView(&m_doc);
    m_pThumbnails = new CThumbnailView(m_pFileList);
    m_pThumbnails->setObjectName(QStringLiteral("IDC_THUMBNAILS"));
    m_wndListViews = new QStackedWidget;
    m_wndListViews->addWidget(m_pFileList);
    m_wndListViews->addWidget(m_pThumbnails);
    m_wndSplitter->addWidget(m_wndListViews);
    m_wndSplitter->addWidget(m_pPictureView);
    // As a splitter window does, the first column keeps its width when the window changes size.
    m_wndSplitter->setStretchFactor(0, 0);
    m_wndSplitter->setStretchFactor(1, 1);
    m_wndSplitter->setSizes({GetAppSetting()->m_nCurCol, QWIDGETSIZE_MAX});
    setCentralWidget(m_wndSplitter);
}

void CMainFrame::CreateMenu() {
    for (const POPUPTEMPLATE& popup : MainFrameMenu()) {
        QMenu* menu = menuBar()->addMenu(QString::fromUtf8(popup.text));
        for (const MENUITEMTEMPLATE& item : popup.items) {
            if (!item.text) {
                menu->addSeparator();
                continue;
            }
            QAction* action = Action(item.id, QString::fromUtf8(item.text));
            action->setObjectName(QString::fromLatin1(item.name));
            menu->addAction(action);
        }
        connect(menu, &QMenu::aboutToShow, this, &CMainFrame::OnUpdateViewCommands);
    }
    for (const ACCEL& accel : MainFrameAccelerators()) {
        Qt::KeyboardModifiers modifiers;
        if (accel.fVirt & FCONTROL)
            modifiers |= Qt::ControlModifier;
        if (accel.fVirt & FALT)
            modifiers |= Qt::AltModifier;
        if (accel.fVirt & FSHIFT)
            modifiers |= Qt::ShiftModifier;
        Action(accel.cmd)->setShortcut(QKeySequence(QKeyCombination(modifiers, QtKey(accel.key))));
    }
    Action(ID_VIEW_TOOLBAR)->setCheckable(true);
    Action(ID_VIEW_STATUS_BAR)->setCheckable(true);
    auto* listViews = new QActionGroup(this);
    for (int id : {ID_VIEW_THUMBNAILS, ID_VIEW_DETAILS}) {
        Action(id)->setCheckable(true);
        listViews->addAction(Action(id));
    }
    // A Help item with nowhere to go (no manual installed, no support mailbox built in) is
    // disabled rather than left to open nothing.
    for (int id : {ID_VISIT_WEB, ID_CHECK_VERSION, ID_MAIL_TO_ME, ID_BUG_REPORT})
        Action(id)->setEnabled(!HelpTarget(id).empty());
}

std::string CMainFrame::HelpTarget(int id) const {
    return HelpLink(id, GetAppSetting()->m_strVersion, ManualPath(), SupportAddress());
}

QAction* CMainFrame::Action(int id, const QString& text) {
    if (const auto found = m_actions.find(id); found != m_actions.end())
        return found->second;
    auto* action = new QAction(text, this);
    // The string of a command: its prompt, then after a line break its tooltip.
    const QString strings = QString::fromStdString(LoadString(id));
    const qsizetype newline = strings.indexOf('\n');
    action->setStatusTip(strings.left(newline));
    if (newline >= 0)
        action->setToolTip(strings.mid(newline + 1));
    action->setIconVisibleInMenu(false);
    connect(action, &QAction::triggered, this, [this, id] { OnCommand(id); });
    addAction(action); // the accelerator works wherever the focus is in the window
    m_actions.emplace(id, action);
    return action;
}

QToolBar* CMainFrame::CreateToolBar(const char* name, int bitmap, QSize image,
                                    const std::vector<TOOLBARBUTTON>& buttons) {
    auto* bar = new QToolBar(this);
    bar->setObjectName(QString::fromLatin1(name));
    bar->setAllowedAreas(Qt::TopToolBarArea);
    bar->setFloatable(false);
    bar->setIconSize(image);
    // Labels are text in the theme's colour under the pictures, readable on every theme and
    // sharp at every scale.
    const bool labelled = buttons.front().label != nullptr;
    bar->setToolButtonStyle(labelled ? Qt::ToolButtonTextUnderIcon : Qt::ToolButtonIconOnly);
    const std::vector<QIcon> icons = LoadToolbarImages(bitmap, image, buttons.size());
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        QAction* action = Action(buttons[i].id);
        action->setIcon(icons[i]);
        if (labelled)
            action->setIconText(QString::fromUtf8(buttons[i].label));
        bar->addAction(action);
    }
    return bar;
}

void CMainFrame::OnCreate() {
    m_wndNavBar = CreateToolBar("IDB_NAVBAR", IDB_NAVBAR, QSize(22, 20), NavigationToolbar());
    m_wndToolBar = CreateToolBar("IDB_TOOLBAR", IDB_TOOLBAR, QSize(64, 44), MainToolbar());
    m_wndNavBar->addSeparator();
    Action(ID_VIEW_THUMBNAILS)->setIcon(style()->standardIcon(QStyle::SP_FileDialogContentsView));
    Action(ID_VIEW_DETAILS)->setIcon(style()->standardIcon(QStyle::SP_FileDialogDetailedView));
    m_wndNavBar->addAction(Action(ID_VIEW_THUMBNAILS));
    m_wndNavBar->addAction(Action(ID_VIEW_DETAILS));

    // The address box's band: its label and the box, which takes the rest of the row.
    m_wndAddressBand = new QToolBar(this);
    m_wndAddressBand->setObjectName(QStringLiteral("IDS_ADDRESS"));
    m_wndAddressBand->setAllowedAreas(Qt::TopToolBarArea);
    m_wndAddressBand->setFloatable(false);
    m_wndAddress = new CAddressComboBox;
    m_wndAddress->setObjectName(QStringLiteral("IDC_ADDRESS"));
    m_wndAddress->setMinimumWidth(200);
    m_wndAddress->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    // Files dropped on the box open as on the rest of the window, not as text in the location.
    m_wndAddress->lineEdit()->setAcceptDrops(false);
    auto* label = new QLabel(QString::fromStdString(LoadString(IDS_ADDRESS)) + ' ');
    label->setBuddy(m_wndAddress);
    m_wndAddressBand->addWidget(label);
    m_wndAddressBand->addWidget(m_wndAddress);

    addToolBar(Qt::TopToolBarArea, m_wndToolBar);
    addToolBarBreak(Qt::TopToolBarArea);
    addToolBar(Qt::TopToolBarArea, m_wndNavBar);
    addToolBar(Qt::TopToolBarArea, m_wndAddressBand);
    m_wndAddress->InitAddressBox();

    m_wndStatusBar = new CStatusBar(this);
    m_wndStatusBar->setObjectName(QStringLiteral("AFX_IDW_STATUS_BAR"));
    m_wndStatusBar->SetIndicators(
        {ID_SEPARATOR, IDS_INDICATOR_CAPS, IDS_INDICATOR_NUM, IDS_INDICATOR_SCRL});
    setStatusBar(m_wndStatusBar);
    m_wndAddress->m_pStatusBar = m_wndStatusBar;
}

void CMainFrame::FollowMarks() {
    m_marksChanged.setSingleShot(true);
    m_marksChanged.setInterval(0);
    connect(&m_marksChanged, &QTimer::timeout, this, [this] {
        const CFileListCtrl* rows = m_pFileList->GetListCtrl();
        SetMessageText(MarkedText(static_cast<std::size_t>(rows->MarkedCount()),
                                  rows->MarkedBytes(), GetLocaleFormat()));
    });
    const QAbstractItemModel* rows = m_pFileList->model();
    connect(rows, &QAbstractItemModel::dataChanged, this,
            [this](const QModelIndex&, const QModelIndex&, const QList<int>& roles) {
                if (roles.contains(Qt::CheckStateRole))
                    m_marksChanged.start();
            });
    connect(rows, &QAbstractItemModel::modelReset, this, [this] { SetMessageText(""); });
}

void CMainFrame::SetMessageText(const std::string& text) {
    m_marksChanged.stop();
    m_wndStatusBar->SetMessage(text);
}

int CMainFrame::ReadAndResize(ResizeOutcome* outcome) {
    return ::ReadAndResize(outcome);
}

void CMainFrame::MailPicturesInBackground(QWidget* window, std::function<void(bool handed)> done) {
    ::MailPicturesInBackground(window, std::move(done));
}

void CMainFrame::OnCommand(int id) {
    // What the last command did is told until the next one.
    SetMessageText("");
    if (m_pFileList->OnCmdMsg(id) || OnFrameCommand(id))
        return;
    if (!m_appCommands || !m_appCommands(id))
        std::fprintf(stderr, "vtl: no handler for command %d\n", id);
}

bool CMainFrame::OnFrameCommand(int id) {
    switch (id) {
    case ID_APP_EXIT:
        close();
        return true;
    case ID_VIEW_TOOLBAR:
        m_wndToolBar->setVisible(m_wndToolBar->isHidden());
        OnUpdateViewCommands();
        return true;
    case ID_VIEW_STATUS_BAR:
        m_wndStatusBar->setVisible(m_wndStatusBar->isHidden());
        OnUpdateViewCommands();
        return true;
    case ID_VIEW_THUMBNAILS:
        ShowListView(CAppSetting::kListViewThumbnails);
        return true;
    case ID_VIEW_DETAILS:
        ShowListView(CAppSetting::kListViewDetails);
        return true;
    case ID_VISIT_WEB:
    case ID_CHECK_VERSION:
    case ID_MAIL_TO_ME:
    case ID_BUG_REPORT:
        // As the shell's "open" verb: whatever the desktop makes of it is not reported.
        if (const std::string target = HelpTarget(id); !target.empty())
            QDesktopServices::openUrl(QUrl(QString::fromStdString(target)));
        return true;
    default:
        return false;
    }
}

void CMainFrame::OnUpdateViewCommands() {
    Action(ID_VIEW_TOOLBAR)->setChecked(!m_wndToolBar->isHidden());
    Action(ID_VIEW_STATUS_BAR)->setChecked(!m_wndStatusBar->isHidden());
    const bool thumbnails = m_wndListViews->currentWidget() == m_pThumbnails;
    Action(ID_VIEW_THUMBNAILS)->setChecked(thumbnails);
    Action(ID_VIEW_DETAILS)->setChecked(!thumbnails);
}

void CMainFrame::ShowListView(int view) {
    // Any stored value but thumbnails is the details view, the one every release had.
    const bool thumbnails = view == CAppSetting::kListViewThumbnails;
    QWidget* shown = thumbnails ? static_cast<QWidget*>(m_pThumbnails) : m_pFileList;
    const bool focused = m_wndListViews->currentWidget()->hasFocus() || !isVisible();
    m_wndListViews->setCurrentWidget(shown);
    if (focused)
        shown->setFocus();
    // The current row stays in sight in the view that now shows it.
    if (auto* list = qobject_cast<QAbstractItemView*>(shown); list->currentIndex().isValid())
        list->scrollTo(list->currentIndex());
    GetAppSetting()->m_nListView =
        thumbnails ? CAppSetting::kListViewThumbnails : CAppSetting::kListViewDetails;
    OnUpdateViewCommands();
}

WINDOWPLACEMENT CMainFrame::GetWindowPlacement() const {
    WINDOWPLACEMENT placement;
    placement.length = 44; // the size of the record the numbers come from
    placement.showCmd = isMaximized()   ? SW_SHOWMAXIMIZED
                        : isMinimized() ? SW_SHOWMINIMIZED
                                        : SW_SHOWNORMAL;
    placement.ptMinPositionX = placement.ptMinPositionY = -1;
    placement.ptMaxPositionX = placement.ptMaxPositionY = -1;
    const QRect normal = normalGeometry();
    placement.rcNormalPositionLeft = normal.left();
    placement.rcNormalPositionTop = normal.top();
    placement.rcNormalPositionRight = normal.left() + normal.width();
    placement.rcNormalPositionBottom = normal.top() + normal.height();
    return placement;
}

void CMainFrame::SetWindowPlacement(const WINDOWPLACEMENT& placement) {
    setGeometry(FitOnTheScreens(this, NormalRect(placement)));
    // A window closed while minimised opens normally: nobody would find it otherwise.
    setWindowState(placement.showCmd == SW_SHOWMAXIMIZED ? Qt::WindowMaximized : Qt::WindowNoState);
}

void CMainFrame::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (m_bShown)
        return;
    m_bShown = true;
    const std::optional<std::string> name = plat::TakeAutoClick();
    if (!name || name->empty())
        return;
    QTimer::singleShot(0, this, [this, command = QString::fromStdString(*name)] {
        if (auto* action = findChild<QAction*>(command))
            action->trigger();
        else
            std::fprintf(stderr, "VTL_AUTOCLICK: the main window has no command %s\n",
                         qPrintable(command));
    });
}

void CMainFrame::OpenAt(const StartPoint& start) {
    if (!start.folder.empty())
        m_pFileList->OpenAt(start.folder, start.pictures);
    if (!start.missing.empty()) {
        std::string text = "No such file or folder:";
        for (const std::string& path : start.missing)
            text += "\n" + path;
        plat::AfxMessageBox(text, plat::MB_OK | plat::MB_ICONEXCLAMATION);
    }
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event) {
    AcceptAsCopy(*event);
}

void CMainFrame::dragMoveEvent(QDragMoveEvent* event) {
    AcceptAsCopy(*event);
}

void CMainFrame::dropEvent(QDropEvent* event) {
    if (!AcceptAsCopy(*event))
        return;
    // Opened once the drop is over: the program the files come from waits for its end, and a
    // message about a missing file would hold it.
    QTimer::singleShot(0, this,
                       [this, start = FindStartPoint(DroppedPaths(*event))] { OpenAt(start); });
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    DestroyWindow();
    QMainWindow::closeEvent(event);
}

void CMainFrame::DestroyWindow() {
    if (m_bClosed)
        return;
    m_bClosed = true;
    CAppSetting* setting = GetAppSetting();
    // Wayland places windows itself and tells a client nothing of where: the position an X11
    // session saved stays, and only the size is stored.
    const WINDOWPLACEMENT now = GetWindowPlacement();
    setting->m_wndPlacement = QGuiApplication::platformName().startsWith(QLatin1String("wayland"))
                                  ? SizeOnlyPlacement(setting->m_wndPlacement, now)
                                  : now;
    setting->m_nCurCol = m_wndSplitter->sizes().value(0);
    m_pFileList->StoreColumnWidths();
    if (const auto saved = setting->SaveLayout(); !saved)
        plat::AfxMessageBox(saved.error().message, plat::MB_OK | plat::MB_ICONEXCLAMATION);
    else if (!saved->notice.empty())
        plat::AfxMessageBox(saved->notice, plat::MB_OK | plat::MB_ICONEXCLAMATION);
}
