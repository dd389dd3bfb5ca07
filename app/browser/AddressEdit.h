#pragma once
// CAddressEdit: the edit line of the address box. Enter posts WM_ADDRESS_GO to the box and goes
// no further; every other key is the edit's own. m_strText receives the edit text when the box
// reads it.
//
// Used on the user-interface thread only.
#include <QLineEdit>

#include <string>

class CAddressEdit : public QLineEdit {
  public:
    explicit CAddressEdit(QWidget* parent = nullptr);

    std::string m_strText;

  protected:
    void keyPressEvent(QKeyEvent* event) override;
};
