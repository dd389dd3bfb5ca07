#include "app/browser/FileListView.h"

#include "app/browser/AddressComboBox.h"
#include "app/browser/LocaleFormat.h"
#include "app/model/AppSetting.h"
#include "app/widgets/PicturePane.h"
#include "app/widgets/VantrelDoc.h"
#include "platform/Paths.h"
#include "platform/Utf8.h"
#include "platform/shell/ShellInfo.h"
#include "platform/shell/ShellNamespace.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/SystemImageList.h"

#include <QDesktopServices>
#include <QKeyEvent>
#include <QScopedValueRollback>
#include <QStyle>
#include <QUrl>

#include <algorithm>
#include <ctime>

using namespace plat;

CFileListView::CFileListView(CVantrelDoc* doc, IFileListHost* host, QWidget* parent)
    : QTreeView(parent), m_ctrlHeader(new CArrowHeaderCtrl(this)), m_pDoc(doc), m_pHost(host),
      m_list(new CFileListCtrl(this)) {
    setHeader(m_ctrlHeader);
    setModel(m_list);
    // The current row and the selection are the model's, for every view of its rows.
    QItemSelectionModel* own = selectionModel();
    setSelectionModel(m_list->Selection());
    delete own;
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSortingEnabled(false);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Rows drag out as the model offers them; a press on empty space still selects by dragging.
    setDragDropMode(QAbstractItemView::DragOnly);
    m_ctrlHeader->setStretchLastSection(false);
    m_ctrlHeader->setSectionsClickable(true);
    connect(m_ctrlHeader, &QHeaderView::sectionClicked, this, &CFileListView::OnColumnClick);
    // The arrow shows the rows' order, whichever view ordered them.
    connect(m_list, &QAbstractItemModel::layoutChanged, this, [this] {
        const FolderSort& sort = m_list->Rows().GetSort();
        m_ctrlHeader->SetSortImage(sort.column, sort.ascending);
    });
    // A width the user drags is the user's: the last column stops following the list's width.
    connect(m_ctrlHeader, &QHeaderView::sectionResized, this, [this] {
        if (!m_bFitting)
            m_bFillLastColumn = false;
    });
    connect(this, &QAbstractItemView::clicked, this, &CFileListView::OnClick);
    connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &CFileListView::OnCurrentRowChanged);
    connect(this, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex& index) {
        if (index.isValid())
            OpenItem(index.row());
    });
}

void CFileListView::StoreColumnWidths() {
    // The widths of the logical columns, wherever the user dragged them to.
    CAppSetting* setting = GetAppSetting();
    for (int i = 0; i < 4 && i < m_list->columnCount(); ++i)
        setting->m_nColumnWidth[i] = m_ctrlHeader->sectionSize(i);
}

void CFileListView::OnInitialUpdate() {
    CAppSetting* setting = GetAppSetting();
    if (!InitImageLists())
        AfxMessageBox("error to initial image list", MB_OK);

    // Check boxes, columns that can be dragged, whole rows selected (the list's style 0x34).
    m_ctrlHeader->setSectionsMovable(true);
    const struct {
        const char* title;
        Qt::Alignment alignment;
    } columns[] = {{"File Name", Qt::AlignLeft},
                   {"Size", Qt::AlignRight},
                   {"File Type", Qt::AlignLeft},
                   {"Create Time", Qt::AlignLeft}};
    for (int i = 0; i < 4; ++i)
        m_list->InsertColumn(i, QString::fromLatin1(columns[i].title), columns[i].alignment);
    for (int i = 0; i < 4; ++i) {
        // The low 16 bits hold the width. A negative one sizes the column to its header, and the
        // last column then takes the rest of the list's width, as the list control does. The
        // built-in widths widen to show their column's texts whole in the list's font; widths
        // the user dragged stay as they are.
        int width = static_cast<std::int16_t>(setting->m_nColumnWidth[i] & 0xFFFF);
        if (width < 0) {
            width = std::max(m_ctrlHeader->sectionSizeHint(i), TextCellWidth(i));
            m_bFillLastColumn = i == 3;
        } else if (setting->m_nColumnWidth[i] == CAppSetting::kDefaultColumnWidth[i]) {
            width = std::max(width, TextCellWidth(i));
        }
        const QScopedValueRollback fitting(m_bFitting, true);
        m_ctrlHeader->resizeSection(i, width);
    }
    FillLastColumn();

    SHFILEINFO folderType;
    const PathParts module = SplitPath(GetModuleFileName());
    SHGetFileInfo(module.drive + module.dir, 0, &folderType, SHGFI_TYPENAME);
    plat::CopyTextCut(m_szFolderType, sizeof m_szFolderType, folderType.szTypeName.c_str());
    m_list->SetUpRowLook(m_nFolderIcon, m_szFolderType);

    if (!setting->m_szLastBrowse[0]) {
        ShowFolder(setting->m_pidlDesktop.get());
    } else if (PidlPtr start;
               SUCCEEDED(m_shell.ParseName(setting->m_szLastBrowse, start, nullptr))) {
        ShowFolder(start.get());
    } else {
        ShowFolder(setting->m_pidlPersonal.get());
    }
    SortList();

    if (m_pAddressBox)
        m_pAddressBox->m_pFileList = this;
    if (m_pDoc)
        m_pDoc->m_pListView = this;
}

void CFileListView::FillLastColumn() {
    if (!m_bFillLastColumn)
        return;
    int others = 0;
    for (int i = 0; i < 3; ++i)
        others += m_ctrlHeader->sectionSize(i);
    const QScopedValueRollback fitting(m_bFitting, true);
    m_ctrlHeader->resizeSection(3, std::max({m_ctrlHeader->sectionSizeHint(3), TextCellWidth(3),
                                             viewport()->width() - others}));
}

int CFileListView::TextCellWidth(int column) const {
    QString widest;
    if (column == 1) {
        widest = QStringLiteral("9,999 KB");
    } else if (column == 3) {
        // A time with two-digit month, day and hours, in the evening: as wide as the user's short
        // date and time get.
        std::tm local{};
        local.tm_year = 100, local.tm_mon = 11, local.tm_mday = 28;
        local.tm_hour = 22, local.tm_min = 58, local.tm_sec = 58, local.tm_isdst = -1;
        const std::time_t time = std::mktime(&local);
        constexpr FILETIME kUnixEpoch = 116444736000000000ULL;
        widest = QString::fromStdString(GetLocaleFormat().FormatFileTime(
            kUnixEpoch + static_cast<FILETIME>(time) * 10000000ULL));
    } else {
        return 0;
    }
    return fontMetrics().horizontalAdvance(widest) +
           4 * (style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1);
}

void CFileListView::resizeEvent(QResizeEvent* event) {
    QTreeView::resizeEvent(event);
    // The list gets its real width only once the window is laid out, after the initial update.
    FillLastColumn();
}

bool CFileListView::InitImageLists() {
    SHFILEINFO folder;
    SHGetFileInfo("", FILE_ATTRIBUTE_DIRECTORY, &folder,
                  SHGFI_USEFILEATTRIBUTES | SHGFI_SYSICONINDEX | SHGFI_SMALLICON);
    m_nFolderIcon = folder.iIcon ? folder.iIcon : 3;
    m_hSmallImages = GetSystemImageList(true);
    m_hLargeImages = GetSystemImageList(false);
    m_list->SetImageList(m_hSmallImages);
    return m_hSmallImages && m_hLargeImages;
}

void CFileListView::ShowFolder(LPCITEMIDLIST pidl) {
    const CAppSetting* setting = GetAppSetting();
    // The clone comes first: pidl may be m_pidlFolder itself.
    PidlPtr folderPidl = m_shell.Clone(pidl ? pidl : setting->m_pidlDesktop.get());
    // The same folder again keeps its current entry, where it is still listed.
    std::string current;
    if (m_pidlFolder && m_shell.CompareIds(nullptr, folderPidl.get(), m_pidlFolder.get()) == 0)
        if (const FileListItem* item = m_list->GetItemData(currentIndex().row()))
            current = item->m_strPath;
    // Mounts decide where a path hangs: after a change the list is made again from its path.
    if (CShellNamespace::Process().RereadMounts()) {
        std::string path;
        PidlPtr again;
        if (SUCCEEDED(m_shell.GetName(folderPidl.get(), path, nullptr, SHGDN_FORPARSING)) &&
            SUCCEEDED(m_shell.ParseName(path, again, nullptr)))
            folderPidl = std::move(again);
        if (m_pAddressBox) {
            m_pAddressBox->BuildBaseItems();
            m_pAddressBox->ShowLocation(folderPidl.get());
        }
    }
    m_pidlFolder = std::move(folderPidl);
    m_list->List(m_pidlFolder.get());
    // No row is current after a fill (a keyboard focus would otherwise make row 0 current).
    setCurrentIndex({});
    if (current.empty() || !SelectPath(current))
        ClearPreview();
}

void CFileListView::SortList() {
    m_list->Sort(m_list->Rows().GetSort());
}

void CFileListView::OnColumnClick(int column) {
    const FolderSort& now = m_list->Rows().GetSort();
    m_list->Sort({column, !(column == now.column && now.ascending)});
}

void CFileListView::ShowInPreview(const FileListItem& item, const FileListItem* next) {
    if (!m_pDoc || !m_pDoc->m_pPictureView)
        return;
    m_pDoc->m_pPictureView->SetPicturePath(item.m_strPath);
    m_pDoc->m_pPictureView->ShowPicture();
    m_pDoc->m_pPictureView->ReadAhead(next && !next->m_bFolder ? next->m_strPath : std::string());
}

void CFileListView::ClearPreview() {
    if (!m_pDoc || !m_pDoc->m_pPictureView)
        return;
    m_pDoc->m_pPictureView->SetPicturePath("");
    m_pDoc->m_pPictureView->ClearPicture();
}

void CFileListView::OnClick(const QModelIndex& index) {
    if (const FileListItem* item = m_list->GetItemData(index.row()); item && item->m_bFolder)
        m_list->SetCheck(index.row(), false);
}

void CFileListView::OnCurrentRowChanged(const QModelIndex& current, const QModelIndex& previous) {
    const FileListItem* item = m_list->GetItemData(current.row());
    // The picture the user is likely to see next lies further in the direction of travel.
    const int step = previous.isValid() && previous.row() > current.row() ? -1 : 1;
    const int next = current.row() + step;
    if (item && !item->m_bFolder)
        ShowInPreview(*item, next >= 0 && next < m_list->GetItemCount() ? m_list->GetItemData(next)
                                                                        : nullptr);
    else
        ClearPreview();
}

int CFileListView::HighestSelectedRow() const {
    int highest = -1;
    for (const QModelIndex& index : selectionModel()->selectedRows())
        highest = std::max(highest, index.row());
    return highest;
}

void CFileListView::keyPressEvent(QKeyEvent* event) {
    if (OnKeyDown(event))
        event->accept();
    else
        QTreeView::keyPressEvent(event);
}

bool CFileListView::OnKeyDown(const QKeyEvent* event) {
    const int key = event->key();
    if (key == Qt::Key_Backspace && event->modifiers() == Qt::NoModifier) {
        OnUpFolder();
        return true;
    }
    if (key != Qt::Key_Return && key != Qt::Key_Enter)
        return false;
    if (const int s = HighestSelectedRow(); s >= 0)
        OpenItem(s);
    return true;
}

QModelIndex CFileListView::moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) {
    // From no current row (after a fill) a key lands on row 0, End on the last row, and Page
    // Down on the last row of the first page.
    const int n = m_list->GetItemCount();
    if (currentIndex().isValid() || n == 0)
        return QTreeView::moveCursor(action, modifiers);
    int row = 0;
    if (action == MoveEnd) {
        row = n - 1;
    } else if (action == MovePageDown) {
        const QModelIndex last = indexAt(QPoint(1, viewport()->height() - 1));
        row = last.isValid() ? last.row() : n - 1;
    }
    return m_list->index(row, 0);
}

void CFileListView::OpenItem(int index) {
    const FileListItem* item = m_list->GetItemData(index);
    if (!item)
        return;
    if (item->m_bUp) {
        const int k = static_cast<int>(CPidlHelper::Count(item->m_pidl.get()));
        const PidlPtr parent = k > 1 ? m_shell.CloneFirst(item->m_pidl.get(), k - 1) : nullptr;
        NavigateTo(parent.get());
    } else if (item->m_bFolder) {
        const PidlPtr folder = m_shell.Clone(item->m_pidl.get());
        NavigateTo(folder.get());
    } else if (!item->m_strPath.empty()) {
        // The desktop's viewer, with the exact bytes of the name (file:// with its escapes).
        QDesktopServices::openUrl(
            QUrl::fromEncoded(QByteArray::fromStdString(FileUri(item->m_strPath))));
    }
}

void CFileListView::NavigateTo(LPCITEMIDLIST pidl) {
    ShowFolder(pidl);
    if (m_pAddressBox)
        m_pAddressBox->ShowLocation(m_pidlFolder.get());
    SortList();
}

bool CFileListView::AnyMarked() const {
    for (int row = 0; row < m_list->GetItemCount(); ++row)
        if (m_list->GetCheck(row))
            return true;
    return false;
}

bool CFileListView::CollectMarked() {
    std::vector<std::string>& files = GetAppSetting()->m_listFiles;
    files.clear();
    if (m_list->GetItemCount() == 0)
        return false;
    for (int row = 0; row < m_list->GetItemCount(); ++row) {
        const FileListItem* item = m_list->GetItemData(row);
        std::string path;
        if (m_list->GetCheck(row) && !item->m_bFolder &&
            SUCCEEDED(m_shell.GetName(item->m_pidl.get(), path, nullptr, SHGDN_FORPARSING)))
            files.push_back(std::move(path));
    }
    return true;
}

void CFileListView::Refresh() {
    // The pictures still listed keep their marks.
    const std::vector<std::string> marked = m_list->MarkedPaths();
    ShowFolder(m_pidlFolder.get());
    SortList();
    m_list->MarkPaths(marked);
}

void CFileListView::OnRefresh() {
    Refresh();
}

void CFileListView::OnUpFolder() {
    if (!m_pAddressBox)
        return;
    const PidlPtr selected = m_pAddressBox->GetSelectedPidl();
    const int count = static_cast<int>(CPidlHelper::Count(selected.get()));
    if (count == 0)
        return;
    const PidlPtr parent = count > 1 ? m_shell.CloneFirst(selected.get(), count - 1) : nullptr;
    ShowFolder(parent ? parent.get() : GetAppSetting()->m_pidlDesktop.get());
    m_pAddressBox->ShowLocation(m_pidlFolder.get());
    SortList();
}

bool CFileListView::event(QEvent* event) {
    if (event->type() == CMessageEvent::EventType()) {
        auto* message = static_cast<CMessageEvent*>(event);
        if (message->message == WM_BROWSE_PIDL) {
            const PidlPtr pidl(reinterpret_cast<LPITEMIDLIST>(message->wParam));
            ShowFolder(pidl.get());
            SortList();
            message->result = 0;
            return true;
        }
    }
    return QTreeView::event(event);
}
