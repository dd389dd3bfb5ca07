#pragma once
// CPropertySheet: a tabbed dialog of property pages with the buttons OK, Cancel and Apply
// (there is no Help button: the program has no help to show). A subclass holds its pages as
// members and adds them in its constructor; the tabs carry the pages' captions. The sheet is
// as large as its largest page needs and opens on the page given to the constructor.
//
// Apply is available while some page is marked changed. Apply and OK first leave the page in
// view (OnKillActive), then apply every page that has been shown, in order; after Apply the
// marks are cleared, after OK the sheet ends with IDOK. Cancel, Esc and the close box end it
// with IDCANCEL and apply nothing: what an earlier Apply handed on stays handed on.
//
// The buttons' objectNames are IDOK, IDCANCEL and ID_APPLY_NOW, which is also what a
// VTL_AUTOCLICK name presses when the sheet opens. Used on the user-interface thread only.
#include "platform/ui/Dialog.h"

#include <set>
#include <string>
#include <vector>

class QPushButton;
class QTabWidget;

namespace plat {

class CPropertyPage;

enum : int { ID_APPLY_NOW = 0x3021 };

class CPropertySheet : public CDialog {
  public:
    CPropertySheet(const std::string& caption, QWidget* parent, int iSelectPage);

    void AddPage(CPropertyPage* page);
    CPropertyPage* GetActivePage() const;

    void OnCommand(int id, int code) override;

  protected:
    bool OnInitDialog() override;
    void OnOK() override;

  private:
    friend class CPropertyPage;
    void PageChanged(const CPropertyPage* page, bool bChanged);
    // A page is going away, which happens only when the sheet itself goes: from then on the
    // sheet no longer follows its tabs.
    void RemovePage(const CPropertyPage* page);
    void OnTabChanged(int index);
    bool Apply();

    QTabWidget* m_pTabs;
    QPushButton* m_pApply;
    std::vector<CPropertyPage*> m_pages;
    std::set<const CPropertyPage*> m_changed;
    int m_nStartPage;
    int m_nActive = -1;
};

} // namespace plat
