#pragma once
// CMailSpool: the folder of one send, under ${XDG_CACHE_HOME:-~/.cache}/vantrel/outbox/, that
// holds copies of the message's attachments for the mail program.
//
// The folder is made (mode 0700, unique) when the first attachment is added; each attachment
// goes into a numbered subfolder of its own, so it keeps its file name even when two
// attachments share one. The folder is removed again when the spool is destroyed, unless the
// send succeeded and Keep() was called: then it stays until SweepOld() finds it older than
// 7 days at a later send.
//
// Used by the mail layer's send entry (Mapi.cpp) on the thread that sends; two sends at once
// each have a spool of their own, and a sweep that meets a folder another one removes goes on.
#include "platform/mail/Mapi.h"

#include <string>

namespace plat {

class CMailSpool {
  public:
    CMailSpool() = default;
    ~CMailSpool();
    CMailSpool(const CMailSpool&) = delete;
    CMailSpool& operator=(const CMailSpool&) = delete;

    // Copies the bytes of `source` into the spool as `name`. Gives SUCCESS_SUCCESS and the
    // copy's path in `copy`, or MAPI_E_ATTACHMENT_NOT_FOUND (no such file),
    // MAPI_E_ATTACHMENT_OPEN_FAILURE (not a readable regular file) or
    // MAPI_E_ATTACHMENT_WRITE_FAILURE (the spool cannot be made or written).
    ULONG Add(const std::string& source, const std::string& name, std::string& copy);
    // The mail program has the copies: leave them for it.
    void Keep() { m_bKeep = true; }
    // The length of the path that the `number`th copy (from 1) named `name` gets, known before
    // the spool is made.
    static std::size_t CopyPathLength(int number, const std::string& name);

    // Removes the spool folders older than 7 days; anything else in the outbox is left alone.
    static void SweepOld();
    // ${XDG_CACHE_HOME:-~/.cache}/vantrel/outbox
    static std::string OutboxFolder();

  private:
    bool Open();

    std::string m_strFolder;
    int m_nCount = 0;
    bool m_bKeep = false;
};

} // namespace plat
