#pragma once
// IFileListHost: what the file list asks of the window around it and cannot do itself: the
// status bar's message, and the two commands on marked pictures that run outside the browser,
// in the batch dialogs ("Resize...") and in the mail program ("Mail To ..."). The main window is
// the host; a list on its own (in a test or a benchmark) has none, and then says nothing and
// runs neither command.
//
// Called on the user-interface thread.
#include "app/model/ResizeOutcome.h"

#include <functional>
#include <string>

class QWidget;

class IFileListHost {
  public:
    virtual ~IFileListHost() = default;

    // Says in the status bar what a command did.
    virtual void SetMessageText(const std::string& text) = 0;
    // "Resize..." on m_listFiles of the settings: the reading pass, then the resize options
    // dialog. Returns the dialog's end code (IDOK: a run wrote its outputs), with what the run
    // did in `outcome`.
    virtual int ReadAndResize(ResizeOutcome* outcome) = 0;
    // "Mail To ..." on m_listFiles: returns at once; when the mail program ends, `done` is
    // called on this thread, while `window` lives, with whether it took the message.
    virtual void MailPicturesInBackground(QWidget* window,
                                          std::function<void(bool handed)> done) = 0;
};
