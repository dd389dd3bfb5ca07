#pragma once
// CDlgResize: the resize options dialog (template 130 "Vantrel..."), where the user sets up one
// resize run: the destination and the save type with its quality, the size (in pixel or
// percent, or the desktop's size) with the width and height coupled to the selection's
// proportions, the rotation or flip, and the new resolution. Its three information labels say
// what the settings will do to the selected pictures (see SelectionCheck.h). Beyond those, a
// limit of each file's size, never enlarging a picture, and keeping the originals that an
// overwrite replaces in the trash.
//
// Every entry comes from the ResizeSetting part of the settings object when the dialog opens.
// "Resize" and "Resize and mail" write the entries back there and run the resize job in a
// CDlgProcess (the second also mails the outputs); a finished run ends this dialog with IDOK,
// a cancelled one leaves it open as it was. "Set as default" also saves the entries to the
// registry. "Cancel", Esc and the close box end it with IDCANCEL. The save type is written into
// the settings each time the user picks one.
//
// Caller (user-interface thread): the main window's Resize command and the shell launch that
// asks for the dialog. Each runs the reading pass first and copies its four values into
// m_nWidth, m_nHeight, m_nXDpi, m_nYDpi before DoModal. Everything here, the run included,
// happens on the user-interface thread; the run's work is on CDlgProcess's worker while this
// dialog waits in the progress dialog's modal loop.
#include "app/batch/MailPictures.h"
#include "app/model/SelectionCheck.h"
#include "app/model/formats/FormatTable.h"
#include "app/widgets/ColorLabel.h"
#include "platform/ui/Dialog.h"

#include <cstddef>
#include <cstdint>
#include <string>

class CDlgResize : public plat::CDialog {
  public:
    explicit CDlgResize(QWidget* parent = nullptr);

    // The selection's common size and resolution, each 0 where the pictures differ.
    std::int32_t m_nWidth = 0;
    std::int32_t m_nHeight = 0;
    std::int32_t m_nXDpi = 0;
    std::int32_t m_nYDpi = 0;
    // How many of the pictures came out of handed-over folders: "Resize and mail" asks first
    // when they are many.
    FolderPictures m_folderPictures;

    plat::CWnd m_cbSaveType;
    std::uint32_t m_nResizeHeight = 100;
    std::string m_strFolder = "./resize/";
    std::uint32_t m_nResizeWidth = 100;
    std::int32_t m_nQuality = 0;
    std::string m_strQuality = "80";
    std::int32_t m_bConstrain = 1;
    std::int32_t m_bResize = 1;
    std::int32_t m_bRotate = 1;
    std::int32_t m_nHeightUnit = UNIT_PERCENT;
    std::int32_t m_nWidthUnit = UNIT_PERCENT;
    std::int32_t m_nSaveType = -1; // 0 the source's format, else a format code
    std::int32_t m_bSetDpi = 0;
    std::uint32_t m_nNewXDpi = 0;
    std::uint32_t m_nNewYDpi = 0;
    CColorLabel m_lblDpi;
    CColorLabel m_lblSize;
    CColorLabel m_lblRotate;
    std::uint32_t m_nMaxKb = 0;     // IDC_MAX_KB, shown empty for 0 (no limit)
    std::int32_t m_bShrinkOnly = 0; // IDC_SHRINK_ONLY
    std::int32_t m_bTrash = 1;      // IDC_KEEP_IN_TRASH

    // After DoModal: what the finished run did (the outputs it wrote; whether it was to be
    // mailed, and whether the mail program took the mail).
    std::size_t m_nWritten = 0;
    bool m_bMail = false;
    bool m_bMailHanded = false;

    void OnCommand(int id, int code) override;

  protected:
    bool OnInitDialog() override;
    void DoDataExchange(plat::CDataExchange* pDX) override;
    void OnHScroll(int id) override;

  private:
    void FillSaveTypes();
    void ShowMembers();
    void LoadSetting();
    void StoreSetting();
    void SizeInPercent();

    // Enables the controls by ResizeEnableRules.h, from the members and the radio buttons.
    void ApplyEnableRules();
    void OnDestinationChoice();
    void OnSaveTypeChanged();
    void OnSizeModeChoice();
    void OnResizeGroup();
    void OnRotateGroup();
    void OnDpiGroup();

    // The user typed into a size entry (IDC_RESIZE_WIDTH or IDC_RESIZE_HEIGHT).
    void OnSizeTyped(int id);
    // With Constrain Proportion, the entry the user did not type last is computed once from the
    // one they did; it is never fed back, so the typed number stays exactly as typed.
    void CoupleToAnchor();
    void OnSizeEntryFinished(int id);
    // A unit list changed (its size entry's id).
    void OnUnitChanged(int entry);
    void OnConstrainToggled();
    std::string BrowseStart() const;
    void OnBrowse();
    void OnSetDefault();
    void Run(bool mail);

    void OnLimitTyped();
    // The size label: the selection check while resizing, and the file size limit when set.
    void CheckSelection();
    void SummarizeResolution();
    static void ShowMessage(CColorLabel& label, const LabelMessage& message);
    bool IsCommonSizeKnown() const { return m_nWidth != 0 && m_nHeight != 0; }

    // Until the dialog has opened, the transfers that fill the controls are not the user's
    // edits: their change notifications are not handled, so stored entries are not coupled
    // to each other before the user sees them.
    bool m_bOpened = false;
    // Set while the members are written into the controls: the edits' change notifications
    // are the dialog's own then, not the user's.
    bool m_bTransferring = false;
    // The size entry the user is typing in, 0 for none. Transfers do not rewrite it while the
    // user types (a "0640" would turn into "640" under the cursor).
    int m_nTypedEdit = 0;
    // The size entry the user typed last; the other one follows it. The width until the user
    // types into the height.
    int m_nAnchor = 0;
};
