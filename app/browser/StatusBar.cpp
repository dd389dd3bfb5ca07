#include "app/browser/StatusBar.h"

#include "app/res/StringTable.h"
#include "app/res/resource.h"
#include "platform/KeyLocks.h"

#include <QGuiApplication>
#include <QLabel>

#include <algorithm>
#include <iterator>

namespace {

// The key indicators and the lock key each one shows.
struct Indicator {
    int id;
    int key;
    const char* name;
};
constexpr Indicator kIndicators[] = {
    {IDS_INDICATOR_CAPS, plat::VK_CAPITAL, "IDS_INDICATOR_CAPS"},
    {IDS_INDICATOR_NUM, plat::VK_NUMLOCK, "IDS_INDICATOR_NUM"},
    {IDS_INDICATOR_SCRL, plat::VK_SCROLL, "IDS_INDICATOR_SCRL"},
};

} // namespace

CStatusBar::CStatusBar(QWidget* parent) : QStatusBar(parent) {
    setSizeGripEnabled(true);
    m_timer.setInterval(250);
    connect(&m_timer, &QTimer::timeout, this, &CStatusBar::UpdateIndicators);
}

bool CStatusBar::SetIndicators(const std::vector<int>& ids) {
    for (const int id : ids) {
        if (id == ID_SEPARATOR) {
            m_pMessage = new QLabel(QString::fromStdString(LoadString(IDS_IDLE_MESSAGE)));
            m_pMessage->setObjectName(QStringLiteral("ID_SEPARATOR"));
            addWidget(m_pMessage, 1);
            continue;
        }
        const auto* indicator = std::find_if(std::begin(kIndicators), std::end(kIndicators),
                                             [id](const Indicator& i) { return i.id == id; });
        if (indicator == std::end(kIndicators))
            return false;
        auto* pane = new QLabel(QString::fromStdString(LoadString(id)));
        pane->setObjectName(QString::fromLatin1(indicator->name));
        pane->setAlignment(Qt::AlignCenter);
        pane->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        pane->setMinimumWidth(pane->fontMetrics().horizontalAdvance(pane->text()) + 12);
        addPermanentWidget(pane);
        m_indicators.emplace_back(pane, indicator->key);
    }
    UpdateIndicators();
    m_timer.start();
    return true;
}

void CStatusBar::SetMessage(const std::string& text) {
    if (m_pMessage)
        m_pMessage->setText(
            QString::fromStdString(text.empty() ? LoadString(IDS_IDLE_MESSAGE) : text));
}

void CStatusBar::UpdateIndicators() {
    // On X the server's indicators tell where the kernel shows no lights.
    plat::KeyLockSources sources;
    if (const auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>())
        sources.x11Display = x11->display();
    for (const auto& [pane, key] : m_indicators)
        pane->setEnabled(plat::GetKeyLockState(key, sources).value_or(false));
}
