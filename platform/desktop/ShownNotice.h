#pragma once
// CShownNotice: one notice shown on the desktop (DesktopNotification.cpp), until the
// desktop reports it closed or acted upon; it then runs the action when that was taken and
// deletes itself. Lives on the user-interface thread.
#include "platform/desktop/DesktopNotification.h"

#include <QObject>
#include <QString>

namespace plat {

class CShownNotice : public QObject {
    Q_OBJECT

  public:
    explicit CShownNotice(std::function<void()> onAction);
    ~CShownNotice() override;
    bool Send(const Notice& notice);

  private Q_SLOTS:
    void OnActionInvoked(uint id, const QString& key);
    void OnClosed(uint id, uint reason);

  private:
    void Finish();

    QString m_connection;
    uint m_id = 0;
    std::function<void()> m_onAction;
};

} // namespace plat
