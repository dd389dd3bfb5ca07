#pragma once
// CAddressComboBox: the address box of the main window. Its drop-down list shows the namespace
// tree with icons, each level indented further: the Desktop, the desktop's folders, and under
// Computer its file systems, built once by InitAddressBox. The current location's chain of
// folders is inserted under the entry it descends from, and its full path (or, for a virtual
// folder, its name) stands in the edit line.
//
// Picking an entry sends the file list WM_BROWSE_PIDL with that location; a typed location
// goes the same way when Enter is pressed. A typed path to a file opens its folder with the
// file selected (the folder is what is remembered). Text that names no location, or a folder
// that cannot be opened, changes nothing: the status bar says so and the text stays, selected,
// for correcting. Each ShowLocation remembers the location in the settings object
// (m_szLastBrowse, saved as "LastBrowsePIDL" with the layout).
//
// The main window creates the box, enters its status bar in m_pStatusBar and calls
// InitAddressBox once; the file list enters itself in m_pFileList, and has the tree built again
// (BuildBaseItems) when the mounts change. Used on the user-interface thread only.
#include "platform/shell/PidlHelper.h"
#include "platform/ui/Message.h"

#include <QComboBox>
#include <QString>

#include <memory>
#include <string>
#include <vector>

class CAddressEdit;
class CFileListView;
class QStatusBar;

namespace plat {
class CSystemImageList;
}

// Posted by the edit line when Enter is pressed.
constexpr plat::UINT WM_ADDRESS_GO = plat::WM_USER + 99;

// The data behind one entry: its folder, its list relative to that folder and its absolute
// list.
struct AddressItemData {
    AddressItemData(plat::IShellFolder* parent, plat::PidlPtr relative, plat::PidlPtr absolute);
    ~AddressItemData();
    AddressItemData(const AddressItemData&) = delete;
    AddressItemData& operator=(const AddressItemData&) = delete;

    plat::IShellFolder* m_pParent; // a reference held
    plat::PidlPtr m_pidlRel;
    plat::PidlPtr m_pidlAbs;
};

// One entry of the fixed part of the list.
struct AddressItem {
    plat::LPCITEMIDLIST m_pidlItem =
        nullptr; // relative to its folder; the desktop's own for Desktop
    int m_nIndent = 0;
    int m_nImage = 0;
    int m_nSelImage = 0;
    std::string m_strDisplay;
    std::unique_ptr<AddressItemData> m_pItemData; // none for the Desktop entry
};

class CAddressComboBox : public QComboBox {
  public:
    // The item data role holding an entry's indent, in levels.
    static constexpr int IndentRole = Qt::UserRole + 1;

    explicit CAddressComboBox(QWidget* parent = nullptr);
    ~CAddressComboBox() override;

    int InitAddressBox();
    // (Re)builds the fixed part of the list: the Desktop, its folders, Computer's file systems.
    // The entries show again at the next ShowLocation.
    void BuildBaseItems();
    // Rebuilds the list for a location (null: the desktop), selects it and shows its name.
    void ShowLocation(plat::LPCITEMIDLIST pidl);
    // The selected entry's location; null for the Desktop entry or no selection.
    plat::PidlPtr GetSelectedPidl() const;
    int InsertItem(const AddressItem& item, AddressItemData* data);

    CAddressEdit* m_edit;
    CFileListView* m_pFileList = nullptr;
    QStatusBar* m_pStatusBar = nullptr; // where a typed location that leads nowhere is told
    plat::CSystemImageList* m_hSysImages;
    plat::IShellFolder* m_pDesktop = nullptr;
    plat::CPidlHelper m_shell;
    std::vector<std::unique_ptr<AddressItem>> m_baseItems;
    std::vector<std::unique_ptr<AddressItemData>> m_pathData;

  protected:
    bool event(QEvent* event) override;

  private:
    void BuildTree(plat::IShellFolder* folder, plat::LPCITEMIDLIST parentPidl, int depth);
    void EnumChildren(std::vector<std::unique_ptr<AddressItem>>& list, plat::IShellFolder* folder,
                      plat::LPCITEMIDLIST parentPidl, int depth);
    void OnSelChange();
    void OnAddressGo();
    // Shows text in the status bar until the next location is shown.
    void Tell(const QString& text);

    QString m_strTold; // the text Tell left in the status bar
};
