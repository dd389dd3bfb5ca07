#include "app/batch/DlgResize.h"

#include "app/batch/DlgProcess.h"
#include "app/batch/MailPictures.h"
#include "app/model/AppSetting.h"
#include "app/model/ResizeArithmetic.h"
#include "app/model/ResizeEnableRules.h"
#include "app/model/SelectionCheck.h"
#include "app/res/Dialogs.h"
#include "app/res/StringTable.h"
#include "app/res/resource.h"
#include "platform/Paths.h"
#include "platform/ui/DialogBuilder.h"
#include "platform/ui/FolderBrowser.h"
#include "platform/ui/Foreground.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/SystemMetrics.h"
#include "platform/ui/Wnd.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QScopedValueRollback>

#include <algorithm>
#include <limits>
#include <optional>

CDlgResize::CDlgResize(QWidget* parent) : CDialog(ResizeDialogTemplate(), parent) {
    for (int id : {IDC_RESIZE_WIDTH, IDC_RESIZE_HEIGHT})
        connect(qobject_cast<QLineEdit*>(GetDlgItem(id)), &QLineEdit::editingFinished, this,
                [this, id] { OnSizeEntryFinished(id); });
}

void CDlgResize::DoDataExchange(plat::CDataExchange* pDX) {
    plat::DDX_Control(pDX, IDC_SAVE_TYPE, m_cbSaveType);
    // The entry the user is typing in is read, but not rewritten under the cursor.
    if (pDX->m_bSaveAndValidate || m_nTypedEdit != IDC_RESIZE_HEIGHT)
        plat::DDX_Text(pDX, IDC_RESIZE_HEIGHT, m_nResizeHeight);
    plat::DDX_Text(pDX, IDC_DEST_FOLDER, m_strFolder);
    if (pDX->m_bSaveAndValidate || m_nTypedEdit != IDC_RESIZE_WIDTH)
        plat::DDX_Text(pDX, IDC_RESIZE_WIDTH, m_nResizeWidth);
    plat::DDX_Slider(pDX, IDC_QUALITY, m_nQuality);
    plat::DDX_Text(pDX, IDC_QUALITY_TEXT, m_strQuality);
    plat::DDX_Check(pDX, IDC_CONSTRAIN, m_bConstrain);
    plat::DDX_Check(pDX, IDC_DO_RESIZE, m_bResize);
    plat::DDX_Check(pDX, IDC_DO_ROTATE, m_bRotate);
    plat::DDX_CBIndex(pDX, IDC_HEIGHT_UNIT, m_nHeightUnit);
    plat::DDX_CBIndex(pDX, IDC_WIDTH_UNIT, m_nWidthUnit);
    plat::DDX_CBIndex(pDX, IDC_SAVE_TYPE, m_nSaveType);
    plat::DDX_Check(pDX, IDC_DO_DPI, m_bSetDpi);
    plat::DDX_Text(pDX, IDC_NEW_XDPI, m_nNewXDpi);
    plat::DDX_Text(pDX, IDC_NEW_YDPI, m_nNewYDpi);
    DDX_Control(pDX, IDC_DPI_INFO, m_lblDpi);
    DDX_Control(pDX, IDC_SIZE_INFO, m_lblSize);
    DDX_Control(pDX, IDC_ROTATE_INFO, m_lblRotate);
    // An empty limit is no limit, and no limit shows empty.
    if (pDX->m_bSaveAndValidate && plat::GetWindowText(GetDlgItem(IDC_MAX_KB)).empty()) {
        m_nMaxKb = 0;
    } else if (!pDX->m_bSaveAndValidate && m_nMaxKb == 0) {
        std::string none;
        plat::DDX_Text(pDX, IDC_MAX_KB, none);
    } else {
        plat::DDX_Text(pDX, IDC_MAX_KB, m_nMaxKb);
    }
    plat::DDX_Check(pDX, IDC_SHRINK_ONLY, m_bShrinkOnly);
    plat::DDX_Check(pDX, IDC_KEEP_IN_TRASH, m_bTrash);
}

bool CDlgResize::OnInitDialog() {
    m_bOpened = false;
    m_nTypedEdit = 0;
    m_nAnchor = IDC_RESIZE_WIDTH;
    CDialog::OnInitDialog();

    m_lblSize.SetLabelText("");
    m_lblRotate.SetLabelText("");
    m_lblDpi.SetLabelText("");
    FillSaveTypes();
    plat::BringToFront(this);
    LoadSetting();

    if (m_bConstrain && !IsCommonSizeKnown())
        SizeInPercent();
    CheckSelection();
    if (m_bSetDpi)
        SummarizeResolution();
    // The quality label shows the slider's position from the start; the loading read it back
    // from the slider, which holds it within 0 .. 100.
    m_strQuality = std::to_string(m_nQuality);
    UpdateData(false);
    m_bOpened = true;
    return true;
}

// The list's index is the format code: entry 0 is the source's own format, then every code of
// the format table in order.
void CDlgResize::FillSaveTypes() {
    auto* list = qobject_cast<QComboBox*>(m_cbSaveType.GetSafeHwnd());
    list->clear();
    list->addItem(QStringLiteral("the same as source"));
    for (int code = 1;; ++code) {
        const std::string description = GetTypeDesc(code);
        if (description.empty())
            break;
        list->addItem(QString::fromStdString(description));
    }
    // A list filled anew has no selection until the settings give one.
    list->setCurrentIndex(-1);
}

void CDlgResize::LoadSetting() {
    const ResizeSetting& s = GetAppSetting()->m_resize;
    CheckDlgButton(IDC_DEST_OVERWRITE, s.bOverwrite != 0);
    CheckDlgButton(IDC_DEST_IN_FOLDER, s.bOverwrite == 0);
    OnDestinationChoice();

    m_strFolder = s.strDestFolder;
    m_nSaveType = s.nImageType;
    m_nQuality = s.nQuality;
    m_bResize = s.bResize;
    m_bRotate = s.bRotate;
    m_bSetDpi = s.bSetDpi;

    CheckDlgButton(IDC_RESIZE_DESKTOP, s.bDesktop != 0);
    CheckDlgButton(IDC_RESIZE_AS, s.bDesktop == 0);
    OnSizeModeChoice();

    m_bConstrain = s.bConstrain;
    m_nResizeHeight = static_cast<std::uint32_t>(s.nHeight);
    m_nResizeWidth = static_cast<std::uint32_t>(s.nWidth);
    m_nHeightUnit = s.nHeightUnit;
    m_nWidthUnit = s.nWidthUnit;

    CheckDlgButton(IDC_ROTATE_LEFT, s.nRotate == ROTATE_LEFT);
    CheckDlgButton(IDC_FLIP, s.nRotate == ROTATE_FLIP);
    CheckDlgButton(IDC_ROTATE_RIGHT, s.nRotate == ROTATE_RIGHT);

    m_nNewXDpi = static_cast<std::uint32_t>(s.nXDpi);
    m_nNewYDpi = static_cast<std::uint32_t>(s.nYDpi);
    m_nMaxKb = static_cast<std::uint32_t>(std::max(s.nMaxKb, 0));
    m_bShrinkOnly = s.bShrinkOnly;
    m_bTrash = s.bTrash;

    UpdateData(false);
    OnResizeGroup();
    OnRotateGroup();
    OnDpiGroup();
    OnSaveTypeChanged();
}

void CDlgResize::StoreSetting() {
    UpdateData(true);
    ResizeSetting& s = GetAppSetting()->m_resize;
    s.bOverwrite = IsDlgButtonChecked(IDC_DEST_OVERWRITE) ? 1 : 0;
    s.strDestFolder = m_strFolder;
    s.nImageType = m_nSaveType;
    s.nQuality = m_nQuality;
    s.bResize = m_bResize;
    s.bRotate = m_bRotate;
    s.bSetDpi = m_bSetDpi;
    s.bDesktop = IsDlgButtonChecked(IDC_RESIZE_DESKTOP) ? 1 : 0;
    s.bConstrain = m_bConstrain;
    s.nHeight = static_cast<std::int32_t>(m_nResizeHeight);
    s.nWidth = static_cast<std::int32_t>(m_nResizeWidth);
    s.nHeightUnit = m_nHeightUnit;
    s.nWidthUnit = m_nWidthUnit;
    if (IsDlgButtonChecked(IDC_FLIP))
        s.nRotate = ROTATE_FLIP;
    else if (IsDlgButtonChecked(IDC_ROTATE_RIGHT))
        s.nRotate = ROTATE_RIGHT;
    else
        s.nRotate = ROTATE_LEFT;
    s.nXDpi = static_cast<std::int32_t>(m_nNewXDpi);
    s.nYDpi = static_cast<std::int32_t>(m_nNewYDpi);
    s.nMaxKb = static_cast<std::int32_t>(
        std::min<std::uint32_t>(m_nMaxKb, std::numeric_limits<std::int32_t>::max()));
    s.bShrinkOnly = m_bShrinkOnly;
    s.bTrash = m_bTrash;
}

void CDlgResize::OnCommand(int id, int code) {
    if (!m_bOpened)
        return;
    // A change outside a transfer is the user's typing.
    if (code == plat::EN_CHANGE) {
        if ((id == IDC_RESIZE_WIDTH || id == IDC_RESIZE_HEIGHT) && !m_bTransferring)
            OnSizeTyped(id);
        else if (id == IDC_MAX_KB && !m_bTransferring)
            OnLimitTyped();
        return;
    }
    if (code == plat::CBN_SELCHANGE) {
        if (id == IDC_WIDTH_UNIT)
            OnUnitChanged(IDC_RESIZE_WIDTH);
        else if (id == IDC_HEIGHT_UNIT)
            OnUnitChanged(IDC_RESIZE_HEIGHT);
        else if (id == IDC_SAVE_TYPE)
            OnSaveTypeChanged();
        return;
    }
    if (code != plat::BN_CLICKED)
        return;
    switch (id) {
    case IDC_SET_DEFAULT:
        OnSetDefault();
        break;
    case IDC_RESIZE_RUN:
        Run(false);
        break;
    case IDC_RESIZE_MAIL:
        Run(true);
        break;
    case IDC_BROWSE:
        OnBrowse();
        break;
    case IDC_RESIZE_CANCEL:
        OnCancel();
        break;
    case IDC_DEST_IN_FOLDER:
    case IDC_DEST_OVERWRITE:
        OnDestinationChoice();
        break;
    case IDC_RESIZE_AS:
    case IDC_RESIZE_DESKTOP:
        OnSizeModeChoice();
        break;
    case IDC_CONSTRAIN:
        OnConstrainToggled();
        break;
    case IDC_DO_RESIZE:
        OnResizeGroup();
        break;
    case IDC_DO_ROTATE:
        OnRotateGroup();
        break;
    case IDC_DO_DPI:
        OnDpiGroup();
        break;
    default:
        CDialog::OnCommand(id, code);
        break;
    }
}

// The edits' texts that this transfer changes are not the user's typing: nothing is coupled
// back from them.
void CDlgResize::ShowMembers() {
    const QScopedValueRollback transferring(m_bTransferring, true);
    UpdateData(false);
}

// With pictures of different sizes a size in pixels cannot keep their proportions: only percent
// can. An entry in pixels becomes 100 %; the number of one in pixels means nothing in percent.
// The units are the members': as loaded when the dialog opens, as the lists show them later.
void CDlgResize::SizeInPercent() {
    if (m_nHeightUnit != UNIT_PERCENT)
        m_nResizeHeight = 100;
    if (m_nWidthUnit != UNIT_PERCENT)
        m_nResizeWidth = 100;
    m_nHeightUnit = UNIT_PERCENT;
    m_nWidthUnit = UNIT_PERCENT;
}

void CDlgResize::ApplyEnableRules() {
    ResizeChoices choices;
    choices.bInFolder = IsDlgButtonChecked(IDC_DEST_IN_FOLDER);
    choices.nSaveType = m_nSaveType;
    choices.bJpegInSelection = GetAppSetting()->m_bJpegInSelection != 0;
    choices.bQualityEnabled = GetDlgItem(IDC_QUALITY)->isEnabled();
    choices.bResize = m_bResize != 0;
    choices.bDesktop = IsDlgButtonChecked(IDC_RESIZE_DESKTOP);
    choices.bConstrain = m_bConstrain != 0;
    choices.bCommonSizeKnown = IsCommonSizeKnown();
    choices.bRotate = m_bRotate != 0;
    choices.bSetDpi = m_bSetDpi != 0;
    choices.bLimit = m_nMaxKb != 0;
    const ResizeEnables enables = ResizeDialogEnables(choices);
    auto enable = [this](std::initializer_list<int> ids, bool enabled) {
        for (int id : ids)
            GetDlgItem(id)->setEnabled(enabled);
    };
    enable({IDC_DEST_FOLDER, IDC_SAVE_TYPE}, enables.bFolder);
    enable({IDC_QUALITY}, enables.bQuality);
    enable({IDC_KEEP_IN_TRASH}, enables.bTrash);
    enable({IDC_CONSTRAIN, IDC_RESIZE_AS, IDC_RESIZE_DESKTOP, IDC_SHRINK_ONLY}, enables.bSizeMode);
    enable({IDC_RESIZE_WIDTH, IDC_RESIZE_HEIGHT}, enables.bSizeEntries);
    enable({IDC_WIDTH_UNIT, IDC_HEIGHT_UNIT}, enables.bUnits);
    enable({IDC_ROTATE_LEFT, IDC_FLIP, IDC_ROTATE_RIGHT}, enables.bRotateChoices);
    enable({IDC_NEW_XDPI, IDC_NEW_YDPI}, enables.bDpiEntries);
    enable({IDC_RESIZE_RUN}, enables.bResizeButton);
}

void CDlgResize::OnDestinationChoice() {
    ApplyEnableRules();
    OnSaveTypeChanged();
}

// Each save type is written into the settings at once, so that it outlives a cancelled dialog.
void CDlgResize::OnSaveTypeChanged() {
    UpdateData(true);
    if (m_nSaveType < 0)
        return;
    ApplyEnableRules();
    GetAppSetting()->m_resize.nImageType = m_nSaveType;
}

void CDlgResize::OnSizeModeChoice() {
    ApplyEnableRules();
    CheckSelection();
}

void CDlgResize::OnResizeGroup() {
    UpdateData(true);
    ApplyEnableRules();
    CheckSelection();
}

void CDlgResize::OnRotateGroup() {
    UpdateData(true);
    ApplyEnableRules();
}

void CDlgResize::OnDpiGroup() {
    UpdateData(true);
    ApplyEnableRules();
    if (m_bSetDpi)
        SummarizeResolution();
    else
        m_lblDpi.SetLabelText("");
}

void CDlgResize::OnSizeTyped(int id) {
    m_nTypedEdit = id;
    m_nAnchor = id;
    UpdateData(true);
    CoupleToAnchor();
    ShowMembers();
    CheckSelection();
}

void CDlgResize::CoupleToAnchor() {
    if (!m_bConstrain)
        return;
    const auto width = static_cast<std::uint32_t>(m_nWidth);
    const auto height = static_cast<std::uint32_t>(m_nHeight);
    if (m_nAnchor == IDC_RESIZE_HEIGHT) {
        if (const std::optional<std::uint32_t> coupled =
                CoupledEntry(m_nResizeHeight, m_nHeightUnit, m_nWidthUnit, height, width))
            m_nResizeWidth = *coupled;
    } else if (const std::optional<std::uint32_t> coupled =
                   CoupledEntry(m_nResizeWidth, m_nWidthUnit, m_nHeightUnit, width, height)) {
        m_nResizeHeight = *coupled;
    }
}

// The user has left a size entry (or pressed Enter in it): it shows its number in the usual
// form from now on. An entry that is not a number stays the user's to finish: the prompt about
// it has been shown once already.
void CDlgResize::OnSizeEntryFinished(int id) {
    std::uint32_t entry = 0;
    if (id != m_nTypedEdit || HasEnded() ||
        !plat::ParseUnsigned(plat::GetWindowText(GetDlgItem(id)), entry))
        return;
    m_nTypedEdit = 0;
    ShowMembers();
}

// A change of the anchor's unit converts the anchor, and the other entry follows it. A change
// of the other entry's unit computes that entry afresh from the anchor, in its new unit, rather
// than converting its own number, which was itself computed and cut toward zero. Without
// Constrain Proportion, the entry is converted on its own.
void CDlgResize::OnUnitChanged(int entry) {
    const bool width = entry == IDC_RESIZE_WIDTH;
    const std::int32_t oldUnit = width ? m_nWidthUnit : m_nHeightUnit;
    UpdateData(true);
    const std::int32_t newUnit = width ? m_nWidthUnit : m_nHeightUnit;
    if (newUnit == oldUnit)
        return;
    if (!m_bConstrain || entry == m_nAnchor) {
        std::uint32_t& number = width ? m_nResizeWidth : m_nResizeHeight;
        number = ConvertedEntry(number, newUnit,
                                static_cast<std::uint32_t>(width ? m_nWidth : m_nHeight));
    }
    CoupleToAnchor();
    ShowMembers();
    CheckSelection();
}

void CDlgResize::OnConstrainToggled() {
    UpdateData(true);
    if (m_bConstrain && !IsCommonSizeKnown())
        SizeInPercent();
    ApplyEnableRules();
    ShowMembers();
    CheckSelection();
}

void CDlgResize::OnHScroll(int id) {
    if (id != IDC_QUALITY)
        return;
    UpdateData(true);
    m_strQuality = std::to_string(m_nQuality);
    ShowMembers();
}

// The chooser opens on the folder the text names, a relative text taken from the first
// picture's folder as the run takes it; on that picture's folder when the text names none that
// exists; on the home folder when there are no pictures.
std::string CDlgResize::BrowseStart() const {
    const std::vector<std::string>& files = GetAppSetting()->m_listFiles;
    const std::string pictures =
        files.empty() ? QDir::homePath().toStdString() : plat::SplitPath(files.front()).dir;
    const std::string named = plat::HasDrive(m_strFolder) ? m_strFolder : pictures + m_strFolder;
    return !m_strFolder.empty() && QFileInfo(QString::fromStdString(named)).isDir() ? named
                                                                                    : pictures;
}

void CDlgResize::OnBrowse() {
    UpdateData(true);
    plat::CFolderBrowser browser(this, LoadString(IDS_SELECT_DEST_FOLDER), BrowseStart());
    if (const std::optional<std::string> folder = browser.DoModal()) {
        m_strFolder = *folder;
        ShowMembers();
    }
}

void CDlgResize::OnSetDefault() {
    StoreSetting();
    if (const auto saved = GetAppSetting()->SaveResizeSetting(); !saved)
        plat::AfxMessageBox(saved.error().message, plat::MB_OK | plat::MB_ICONEXCLAMATION);
    else if (!saved->notice.empty())
        plat::AfxMessageBox(saved->notice, plat::MB_OK | plat::MB_ICONEXCLAMATION);
}

void CDlgResize::Run(bool mail) {
    if (mail && !MayMailFolderPictures(m_folderPictures, GetAppSetting()->m_listFiles.size()))
        return;
    StoreSetting();
    CDlgProcess process;
    process.m_nMode = PROCESS_RESIZE;
    process.m_bMail = mail ? 1 : 0;
    if (process.DoModal() != plat::IDOK)
        return;
    m_nWritten = process.m_nWritten;
    m_bMail = mail;
    m_bMailHanded = mail && MailPictures();
    EndDialog(plat::IDOK);
}

// A limit can make a run out of a dialog that does nothing else, and the label says it.
void CDlgResize::OnLimitTyped() {
    UpdateData(true);
    ApplyEnableRules();
    CheckSelection();
}

void CDlgResize::CheckSelection() {
    const std::string limit = SizeLimitLine(m_nMaxKb);
    if (!m_bResize) {
        ShowMessage(m_lblSize, {false, limit});
        return;
    }
    SelectionFacts facts;
    facts.nWidth = m_nWidth;
    facts.nHeight = m_nHeight;
    facts.nResizeWidth = m_nResizeWidth;
    facts.nResizeHeight = m_nResizeHeight;
    facts.nWidthUnit = m_nWidthUnit;
    facts.nHeightUnit = m_nHeightUnit;
    facts.bConstrain = m_bConstrain != 0;
    facts.bDesktop = IsDlgButtonChecked(IDC_RESIZE_DESKTOP);
    facts.nScreenWidth = plat::GetSystemMetrics(plat::SM_CXSCREEN);
    facts.nScreenHeight = plat::GetSystemMetrics(plat::SM_CYSCREEN);
    LabelMessage message = SelectionCheckMessage(facts);
    if (!limit.empty())
        message.text += "\r\n" + limit;
    ShowMessage(m_lblSize, message);
}

void CDlgResize::SummarizeResolution() {
    ShowMessage(m_lblDpi, ResolutionSummaryMessage(m_nXDpi, m_nYDpi));
}

// Warnings in red; information in the theme's text colour, so that it stays readable on a dark
// theme.
void CDlgResize::ShowMessage(CColorLabel& label, const LabelMessage& message) {
    label.SetLabelColor(message.bWarning ? MakeColorRef(255, 0, 0) : WindowTextColor())
        .SetLabelText(message.text);
}
