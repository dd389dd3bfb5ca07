#pragma once
// CPropertyPage: one page of a CPropertySheet, made from a dialog template whose caption is
// the page's tab text. It is a CDialog without its own buttons: the sheet tells it when it
// is shown and left and when its values are to be applied, and the page tells the sheet
// when it holds changes (SetModified), which makes the sheet's Apply button available.
//
// A page opens (OnInitDialog) the first time it is shown; later showings transfer the members
// to the controls again, and leaving it reads them back. Only a page that has been shown is
// ever applied: one the user never opened leaves whatever it edits as it was.
//
// Created with its sheet and used on the user-interface thread only.
#include "platform/ui/Dialog.h"

namespace plat {

class CPropertySheet;

class CPropertyPage : public CDialog {
  public:
    explicit CPropertyPage(const DLGTEMPLATE& tmpl);
    ~CPropertyPage() override;

    // Marks the page as holding changes that Apply has not taken yet, or clears the mark.
    void SetModified(bool bChanged = true);
    bool WasShown() const { return m_bShown; }

    // The sheet shows the page: the first time it opens it, later it refreshes the controls.
    virtual bool OnSetActive();
    // The sheet leaves the page (another tab, Apply or OK): false keeps the user on it.
    virtual bool OnKillActive();
    // Apply or OK: the page hands its values on; false stops the sheet where it is.
    virtual bool OnApply();

    // Exactly the size of its template, which is what the sheet makes room for.
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

  protected:
    // Esc and Enter belong to the sheet's Cancel and OK buttons, not to the page.
    void keyPressEvent(QKeyEvent* event) override;

  private:
    friend class CPropertySheet;
    CPropertySheet* m_pSheet = nullptr;
    bool m_bShown = false;
};

} // namespace plat
