#pragma once
// Dialog data exchange: one DoDataExchange function of a dialog lists, for each member, the
// control it is bound to and how; UpdateData runs it towards the controls (save = false) or
// from the controls into the members (save = true).
//
// Towards the controls a text is written only when it differs from what the control shows.
// From the controls, an entry that does not parse is reported with the framework's standard
// prompt, the control gets the focus, and the exchange stops there: later members keep their
// values and UpdateData returns false.
//
// Used by CDialog subclasses on the user-interface thread.
#include <cstdint>
#include <string>

class QWidget;

namespace plat {

class CDialog;
class CWnd;

class CDataExchange {
  public:
    CDataExchange(CDialog* dialog, bool saveAndValidate)
        : m_pDlgWnd(dialog), m_bSaveAndValidate(saveAndValidate) {}

    // The control with this id; null once the exchange has failed.
    QWidget* PrepareCtrl(int id);
    // Reports a failed entry: the control gets the focus and the exchange stops.
    void Fail(QWidget* control);
    bool Failed() const { return m_bFailed; }

    CDialog* const m_pDlgWnd;
    const bool m_bSaveAndValidate;

  private:
    bool m_bFailed = false;
};

// The prompt for an entry that is not a non-negative whole number.
extern const char* const AFX_IDP_PARSE_UINT;

void DDX_Text(CDataExchange* pDX, int id, std::string& value);
// Unsigned whole number, written with "%u".
void DDX_Text(CDataExchange* pDX, int id, std::uint32_t& value);
// Check box: 1 checked, 0 clear.
void DDX_Check(CDataExchange* pDX, int id, std::int32_t& value);
// `id` is the first radio button of a group; the value is the index of the checked one in
// the group, -1 when none is checked.
void DDX_Radio(CDataExchange* pDX, int id, std::int32_t& value);
// Drop-down list: the selected index, -1 for none.
void DDX_CBIndex(CDataExchange* pDX, int id, std::int32_t& index);
void DDX_Slider(CDataExchange* pDX, int id, std::int32_t& pos);
// Binds the control to a handle the first time; never moves data.
void DDX_Control(CDataExchange* pDX, int id, CWnd& control);

// The whole text is one unsigned 32-bit number in decimal, with optional blanks around it.
bool ParseUnsigned(const std::string& text, std::uint32_t& value);

} // namespace plat
