#pragma once
// CProgressCtrl: a progress bar control of a dialog, bound by DDX_Control.
// Used on the user-interface thread only.
#include "platform/ui/Wnd.h"

namespace plat {

class CProgressCtrl : public CWnd {
  public:
    void SetRange(int lower, int upper);
    void GetRange(int& lower, int& upper) const;
    void SetPos(int pos);
    int GetPos() const;
};

} // namespace plat
