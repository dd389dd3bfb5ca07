#pragma once
// MailPictures: hands the pictures of the current command to the user's mail program as the
// attachments of a new message, with the mail subject and body of the settings, and lets the
// mail program show its compose window; the user adds the recipients there.
//
// It attaches m_listMailFiles of the settings when that list is not empty (the outputs of a
// "Resize and mail" run, in the run's private folder inside the temporary folder), else
// m_listFiles (the originals, for "Mail To ..."). Afterwards, whatever the outcome, the
// files of m_listMailFiles are discarded (the mail layer hands the mail program copies of its
// own); m_listFiles is never changed. When the mail program cannot be found or is not usable,
// the framework's standard message says so; when more pictures are given than one start of
// the mail program can take, a message names that limit and nothing is copied.
//
// "%F" in the subject or the body becomes the attached files' names, comma-separated.
//
// Called on the user-interface thread by the resize options dialog's "Resize and mail" (after
// the progress dialog ended with IDOK), by the shell launch that resizes and mails, and by the
// main window's "Mail To ..." command, each after filling the lists. It blocks until the mail
// program returns, and returns whether the mail program took the message.
#include <string>
#include <vector>

bool MailPictures();

// `text` with each "%F" replaced by the names (the last part of each path) of `attachments`,
// joined with ", ".
std::string WithAttachmentNames(const std::string& text,
                                const std::vector<std::string>& attachments);

// Deletes the outputs of a "Resize and mail" run (m_listMailFiles) together with the run's
// private folder, and empties the list: after the mail, or when there will be none (the run
// was cancelled or stopped). The pictures the user chose are never among them.
// Called on the user-interface thread by MailPictures and CDlgProcess.
void DiscardMailFiles();
