#pragma once
// CDialog: the base of every dialog of the application, in the shape its algorithms are
// written in. A subclass is made from a dialog template (CDialogBuilder creates its controls
// at construction, or as DoModal begins for a dialog whose work starts before its window),
// binds members to controls in DoDataExchange, and handles control notifications in OnCommand
// / OnHScroll and posted messages in OnMessage.
//
// DoModal runs OnInitDialog (which by default transfers the members to the controls), shows
// the dialog modally and returns the end code given to EndDialog: OnOK (UpdateData(true),
// then IDOK) and OnCancel (IDCANCEL) are the standard endings; the button IDOK / IDCANCEL,
// Esc and the close box all go through OnCommand to them. When OnInitDialog returns true and
// has put the focus nowhere, the first control in tab order that takes the focus gets it, so
// typing and Enter work from the first moment.
//
// Created, shown and destroyed on the user-interface thread. Other threads reach a dialog
// only through PostMessage, while it exists.
#include "platform/ui/DataExchange.h"
#include "platform/ui/DialogTemplate.h"
#include "platform/ui/Message.h"
#include "platform/ui/MessageBox.h" // IDOK, IDCANCEL

#include <QDialog>

#include <string>

namespace plat {

class CDialog : public QDialog {
  public:
    CDialog(const DLGTEMPLATE& tmpl, QWidget* parent);
    // Controls made as DoModal begins: making the first ones loads the desktop's font
    // configuration, some thousand file calls that work started before need not wait for.
    struct BuildLater {};
    CDialog(const DLGTEMPLATE& tmpl, QWidget* parent, BuildLater);
    ~CDialog() override;
    CDialog(const CDialog&) = delete;
    CDialog& operator=(const CDialog&) = delete;

    virtual int DoModal();
    // false when an entry did not parse (the user has been told).
    bool UpdateData(bool bSaveAndValidate = true);
    void EndDialog(int result);
    // True from EndDialog until the next DoModal.
    bool HasEnded() const { return m_bEnded; }

    QWidget* GetDlgItem(int id) const;
    void SetWindowText(const std::string& text);
    bool IsDlgButtonChecked(int id) const;
    void CheckDlgButton(int id, bool checked);

    // A notification from a control, as WM_COMMAND: clicks, text changes, list selections.
    virtual void OnCommand(int id, int code);

  protected:
    virtual bool OnInitDialog();
    virtual void DoDataExchange(CDataExchange* pDX);
    virtual void OnOK();
    virtual void OnCancel();
    // The user moved a slider.
    virtual void OnHScroll(int id);
    // A message posted to this dialog.
    virtual LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    // Whether an opening takes the next VTL_AUTOCLICK name: not for a dialog that ends by
    // itself.
    virtual bool WaitsForPerson() const { return true; }

    bool event(QEvent* event) override;
    void reject() override;
    void accept() override;

  private:
    void PressAutoClick(const std::string& name);
    void Center();
    void FocusFirstControl();
    void Build();

    const DLGTEMPLATE& m_template;
    bool m_bBuilt = false;
    bool m_bEnded = false;
    int m_nResult = 0;
};

} // namespace plat
