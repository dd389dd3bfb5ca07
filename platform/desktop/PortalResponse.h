#pragma once
// CPortalResponse: hears the Response signal of one portal request and ends the wait for it.
// Made, connected and waited on by one sending thread (PortalMail.cpp), whose event loop it
// quits.
#include <QEventLoop>
#include <QObject>
#include <QVariantMap>

namespace plat {

class CPortalResponse : public QObject {
    Q_OBJECT
  public:
    explicit CPortalResponse(QEventLoop& loop) : m_loop(loop) {}
    bool answered = false;
    uint response = 2;

  public slots:
    void OnResponse(uint code, const QVariantMap&) {
        answered = true;
        response = code;
        m_loop.quit();
    }

  private:
    QEventLoop& m_loop;
};

} // namespace plat
