#include "app/browser/AddressComboBox.h"

#include "app/browser/AddressEdit.h"
#include "app/browser/FileListView.h"
#include "app/model/AppSetting.h"
#include "platform/FileFacts.h"
#include "platform/shell/ShellInfo.h"
#include "platform/ui/SystemImageList.h"

#include <QStatusBar>
#include <QStyledItemDelegate>

#include <algorithm>

using namespace plat;

namespace {

// Pixels per indent level, as the extended combo box of Windows has them.
constexpr int kIndentPixels = 10;
constexpr int SelImageRole = CAddressComboBox::IndentRole + 1;

// Draws the drop-down entries indented by their level, a highlighted one with its open icon.
class CIndentDelegate : public QStyledItemDelegate {
  public:
    CIndentDelegate(CSystemImageList* images, QObject* parent)
        : QStyledItemDelegate(parent), m_pImages(images) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyleOptionViewItem indented(option);
        indented.rect.adjust(index.data(CAddressComboBox::IndentRole).toInt() * kIndentPixels, 0, 0,
                             0);
        QStyledItemDelegate::paint(painter, indented, index);
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        return QStyledItemDelegate::sizeHint(option, index) +
               QSize(index.data(CAddressComboBox::IndentRole).toInt() * kIndentPixels, 0);
    }

  protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        if (m_pImages && (option->state & QStyle::State_Selected))
            option->icon = m_pImages->GetIcon(index.data(SelImageRole).toInt());
    }

  private:
    CSystemImageList* m_pImages;
};

AddressItemData* DataOf(const QVariant& value) {
    return reinterpret_cast<AddressItemData*>(value.value<quintptr>());
}

} // namespace

AddressItemData::AddressItemData(IShellFolder* parent, PidlPtr relative, PidlPtr absolute)
    : m_pParent(parent), m_pidlRel(std::move(relative)), m_pidlAbs(std::move(absolute)) {
    if (m_pParent)
        m_pParent->AddRef();
}

AddressItemData::~AddressItemData() {
    if (m_pParent)
        m_pParent->Release();
}

CAddressComboBox::CAddressComboBox(QWidget* parent)
    : QComboBox(parent), m_edit(new CAddressEdit(this)), m_hSysImages(GetSystemImageList(true)) {
    setEditable(true);
    setLineEdit(m_edit);
    setInsertPolicy(QComboBox::NoInsert);
    setCompleter(nullptr); // a typed path is the user's own, never completed from the list
    setMaxVisibleItems(24);
    if (m_hSysImages)
        setIconSize(QSize(m_hSysImages->GetIconSize(), m_hSysImages->GetIconSize()));
    setItemDelegate(new CIndentDelegate(m_hSysImages, this));
    connect(this, &QComboBox::activated, this, &CAddressComboBox::OnSelChange);
}

CAddressComboBox::~CAddressComboBox() {
    m_pathData.clear();
    m_baseItems.clear();
    if (m_pDesktop)
        m_pDesktop->Release();
}

int CAddressComboBox::InitAddressBox() {
    const CAppSetting* setting = GetAppSetting();
    SHGetDesktopFolder(&m_pDesktop);
    BuildBaseItems();

    if (!setting->m_szLastBrowse[0]) {
        ShowLocation(setting->m_pidlDesktop.get());
    } else if (PidlPtr start;
               SUCCEEDED(m_shell.ParseName(setting->m_szLastBrowse, start, m_pDesktop))) {
        ShowLocation(start.get());
    } else {
        ShowLocation(setting->m_pidlPersonal.get());
    }
    return 1;
}

void CAddressComboBox::BuildBaseItems() {
    LPCITEMIDLIST desktop = GetAppSetting()->m_pidlDesktop.get();
    // The entries shown refer to the old items until the list is filled again.
    clear();
    m_baseItems.clear();
    SHFILEINFO info;
    SHGetFileInfo(desktop, &info, SHGFI_DISPLAYNAME);
    auto entry = std::make_unique<AddressItem>();
    entry->m_pidlItem = desktop;
    entry->m_nImage = m_shell.GetIconIndex(desktop, SHGFI_SMALLICON);
    entry->m_nSelImage = m_shell.GetIconIndex(desktop, SHGFI_SMALLICON | SHGFI_OPENICON);
    entry->m_strDisplay = info.szDisplayName;
    m_baseItems.push_back(std::move(entry));
    BuildTree(m_pDesktop, desktop, 1);
}

void CAddressComboBox::BuildTree(IShellFolder* folder, LPCITEMIDLIST parentPidl, int depth) {
    std::vector<std::unique_ptr<AddressItem>> children;
    EnumChildren(children, folder, parentPidl, depth);
    std::stable_sort(children.begin(), children.end(), [&](const auto& a, const auto& b) {
        const HRESULT hr = folder->CompareIDs(0, a->m_pidlItem, b->m_pidlItem);
        return SUCCEEDED(hr) && static_cast<std::int16_t>(HRESULT_CODE(hr)) < 0;
    });
    const LPCITEMIDLIST drives = GetAppSetting()->m_pidlDrives.get();
    for (auto& child : children) {
        const AddressItem* added = child.get();
        m_baseItems.push_back(std::move(child));
        // Computer's file systems come right under it.
        if (m_shell.CompareIds(folder, added->m_pidlItem, drives) != 0)
            continue;
        IShellFolder* computer = nullptr;
        if (SUCCEEDED(folder->BindToObject(added->m_pidlItem, &computer))) {
            BuildTree(computer, added->m_pidlItem, depth + 1);
            computer->Release();
        }
    }
}

void CAddressComboBox::EnumChildren(std::vector<std::unique_ptr<AddressItem>>& list,
                                    IShellFolder* folder, LPCITEMIDLIST parentPidl, int depth) {
    IEnumIDList* items = nullptr;
    if (FAILED(folder->EnumObjects(SHCONTF_FOLDERS | SHCONTF_NONFOLDERS, &items)))
        return;
    const LPCITEMIDLIST controls = GetAppSetting()->m_pidlControls.get();
    LPITEMIDLIST next = nullptr;
    while (items->Next(1, &next, nullptr) == S_OK && next) {
        PidlPtr item(next);
        std::string name;
        m_shell.GetName(item.get(), name, folder, SHGDN_INFOLDER);
        // An entry whose attributes cannot be read (a broken link on the desktop) is no
        // folder; it is left out and the rest still listed.
        ULONG attributes = SFGAO_FOLDER | SFGAO_HASSUBFOLDER;
        LPCITEMIDLIST one = item.get();
        if (FAILED(folder->GetAttributesOf(1, &one, &attributes)) ||
            !(attributes & (SFGAO_FOLDER | SFGAO_HASSUBFOLDER)))
            continue;
        PidlPtr absolute = m_shell.Combine(parentPidl, item.get());
        if (m_shell.CompareIds(nullptr, absolute.get(), controls) == 0)
            continue;
        auto entry = std::make_unique<AddressItem>();
        entry->m_nIndent = depth;
        entry->m_nImage = m_shell.GetIconIndex(absolute.get(), SHGFI_SMALLICON);
        entry->m_nSelImage = m_shell.GetIconIndex(absolute.get(), SHGFI_SMALLICON | SHGFI_OPENICON);
        entry->m_strDisplay = name;
        entry->m_pItemData =
            std::make_unique<AddressItemData>(folder, std::move(item), std::move(absolute));
        entry->m_pidlItem = entry->m_pItemData->m_pidlRel.get();
        list.push_back(std::move(entry));
    }
    items->Release();
}

int CAddressComboBox::InsertItem(const AddressItem& item, AddressItemData* data) {
    const int index = count();
    addItem(m_hSysImages ? m_hSysImages->GetIcon(item.m_nImage) : QIcon(),
            QString::fromStdString(item.m_strDisplay));
    setItemData(index, item.m_nIndent, IndentRole);
    setItemData(index, item.m_nSelImage, SelImageRole);
    setItemData(index, QVariant::fromValue(reinterpret_cast<quintptr>(data)), Qt::UserRole);
    return index;
}

void CAddressComboBox::ShowLocation(LPCITEMIDLIST pidl) {
    CAppSetting* setting = GetAppSetting();
    if (m_pStatusBar && !m_strTold.isEmpty() && m_pStatusBar->currentMessage() == m_strTold)
        m_pStatusBar->clearMessage();
    m_strTold.clear();
    clear();
    m_pathData.clear();
    if (!pidl)
        pidl = setting->m_pidlDesktop.get();
    const int n = static_cast<int>(CPidlHelper::Count(pidl));
    int sel = -1;
    std::string text;
    for (std::size_t i = 0; i < m_baseItems.size(); ++i) {
        const AddressItem& base = *m_baseItems[i];
        const int index = InsertItem(base, base.m_pItemData.get());
        const int level = base.m_nIndent ? base.m_nIndent : 1;
        const PidlPtr ancestor = m_shell.CloneItem(pidl, static_cast<unsigned>(level));
        if (n == 0 && i == 0) {
            sel = 0;
            text = base.m_strDisplay;
            continue;
        }
        if (n == 1 && m_shell.CompareIds(nullptr, base.m_pidlItem, pidl) == 0) {
            sel = index;
            text = base.m_strDisplay;
            continue;
        }
        if (CPidlHelper::CompareBytes(base.m_pidlItem, ancestor.get()) != 0 ||
            CPidlHelper::CompareBytes(base.m_pidlItem, setting->m_pidlDrives.get()) == 0)
            continue;
        // The location descends from this entry: its chain of folders follows, one level deeper
        // each.
        IShellFolder* parent = base.m_pItemData ? base.m_pItemData->m_pParent : m_pDesktop;
        for (int j = level + 1; j <= n; ++j) {
            PidlPtr partial = m_shell.CloneFirst(pidl, j);
            if (!partial)
                continue;
            m_shell.GetName(partial.get(), text, nullptr, SHGDN_FORPARSING);
            AddressItem entry;
            entry.m_nIndent = j;
            entry.m_nImage = m_shell.GetIconIndex(partial.get(), SHGFI_SMALLICON);
            entry.m_nSelImage =
                m_shell.GetIconIndex(partial.get(), SHGFI_SMALLICON | SHGFI_OPENICON);
            entry.m_strDisplay = m_shell.GetDisplayName(partial.get());
            PidlPtr first = m_shell.CloneItem(partial.get(), 0);
            m_pathData.push_back(
                std::make_unique<AddressItemData>(parent, std::move(first), std::move(partial)));
            InsertItem(entry, m_pathData.back().get());
        }
        if (sel == -1)
            sel = count() - 1;
        if (text.rfind("::", 0) == 0)
            text = m_shell.GetDisplayName(pidl);
        else if (text.empty())
            text = base.m_strDisplay;
    }
    if (sel >= 0)
        setCurrentIndex(sel);
    setEditText(QString::fromStdString(text));

    std::string parsing;
    if (m_shell.CompareIds(nullptr, pidl, setting->m_pidlDesktop.get()) == 0)
        setting->SetLastBrowse("");
    else if (SUCCEEDED(m_shell.GetName(pidl, parsing, nullptr, SHGDN_FORPARSING)))
        setting->SetLastBrowse(parsing);
}

PidlPtr CAddressComboBox::GetSelectedPidl() const {
    const int index = currentIndex();
    const AddressItemData* data = index >= 0 ? DataOf(itemData(index, Qt::UserRole)) : nullptr;
    return data ? m_shell.Clone(data->m_pidlAbs.get()) : nullptr;
}

void CAddressComboBox::OnSelChange() {
    PidlPtr picked = GetSelectedPidl();
    if (m_pFileList)
        SendMessage(m_pFileList, WM_BROWSE_PIDL, reinterpret_cast<WPARAM>(picked.release()), 0);
    const PidlPtr shown = GetSelectedPidl();
    ShowLocation(shown.get());
}

void CAddressComboBox::OnAddressGo() {
    m_edit->m_strText = m_edit->text().toStdString();
    m_edit->selectAll();
    const QString cannotOpen = QStringLiteral("Cannot open the folder: ") + m_edit->text();
    PidlPtr parsed;
    if (FAILED(m_shell.ParseName(m_edit->m_strText, parsed, m_pDesktop))) {
        // A path too long for the path buffer names something all the same.
        Tell(plat::FileExists(m_edit->m_strText)
                 ? cannotOpen
                 : QStringLiteral("No such folder: ") + m_edit->text());
        return;
    }
    // A file opens its folder, where the list then selects it.
    std::string file;
    const int count = static_cast<int>(CPidlHelper::Count(parsed.get()));
    ULONG attributes = SFGAO_FOLDER;
    LPCITEMIDLIST one = parsed.get();
    if (count > 0 && SUCCEEDED(m_pDesktop->GetAttributesOf(1, &one, &attributes)) &&
        !(attributes & SFGAO_FOLDER)) {
        m_shell.GetName(parsed.get(), file, nullptr, SHGDN_FORPARSING);
        parsed = m_shell.CloneFirst(parsed.get(), count - 1); // null: the desktop
    }
    // A folder that cannot be read would show as an empty list, as if it held nothing.
    IShellFolder* folder = m_shell.BindToFolder(parsed.get());
    IEnumIDList* items = nullptr;
    const bool readable = folder && SUCCEEDED(folder->EnumObjects(SHCONTF_FOLDERS, &items));
    if (items)
        items->Release();
    if (folder)
        folder->Release();
    if (!readable) {
        Tell(cannotOpen);
        return;
    }
    ShowLocation(parsed.get());
    PidlPtr selected = GetSelectedPidl();
    if (m_pFileList) {
        SendMessage(m_pFileList, WM_BROWSE_PIDL, reinterpret_cast<WPARAM>(selected.release()), 0);
        if (!file.empty())
            m_pFileList->SelectPath(file);
    }
    m_edit->selectAll();
}

void CAddressComboBox::Tell(const QString& text) {
    m_strTold = text;
    if (m_pStatusBar)
        m_pStatusBar->showMessage(text);
}

bool CAddressComboBox::event(QEvent* event) {
    if (event->type() == CMessageEvent::EventType() &&
        static_cast<CMessageEvent*>(event)->message == WM_ADDRESS_GO) {
        OnAddressGo();
        return true;
    }
    return QComboBox::event(event);
}
