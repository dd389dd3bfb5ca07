#include "platform/ui/ProgressCtrl.h"

#include <QProgressBar>

namespace plat {
namespace {
QProgressBar* Bar(QWidget* widget) {
    return static_cast<QProgressBar*>(widget);
}
} // namespace

void CProgressCtrl::SetRange(int lower, int upper) {
    Bar(m_pWidget)->setRange(lower, upper);
}

void CProgressCtrl::GetRange(int& lower, int& upper) const {
    lower = Bar(m_pWidget)->minimum();
    upper = Bar(m_pWidget)->maximum();
}

void CProgressCtrl::SetPos(int pos) {
    Bar(m_pWidget)->setValue(pos);
}

int CProgressCtrl::GetPos() const {
    return Bar(m_pWidget)->value();
}

} // namespace plat
