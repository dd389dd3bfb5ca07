#pragma once
// MailPictures: hands the pictures of the current command to the user's mail program as the
// attachments of a new message, with the mail subject and body of the settings, and lets the
// mail program show its compose window; the user adds the recipients there.
//
// The mail program is the one VTL_MAIL_COMMAND names; without it the desktop's routes take the
// message (platform/desktop/DesktopMail.h), the last of which keeps the pictures in a folder
// of Pictures, opens it, puts the subject and body on the clipboard and says so. Before anything
// is handed over, pictures that together exceed the settings' size in MB ask the person first
// (No mails nothing), and with the settings' GPS choice on the mailed pictures lose their
// location: the run's own copies in place, the person's pictures as copies in a private folder of
// the temporary folder, removed when the mail is over.
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
// the progress dialog ended with IDOK) and by the shell launch that resizes and mails, each
// after filling the lists. It returns when the mail program does; meanwhile the windows are
// repainted, shown disabled, and a stop signal (SIGTERM, SIGINT, SIGHUP) removes the run's
// outputs and their folder (the mail program keeps its own copies) and ends the process as the
// signal would. Returns whether the mail program took the message.
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

bool MailPictures();

// Pictures found in folders handed over by a file manager.
struct FolderPictures {
    std::size_t nFolders = 0;  // the folders handed over
    std::size_t nPictures = 0; // the pictures found in them
};

// A folder may hold more pictures than anyone means to mail: mailing more than 50 found in
// folders is asked first (Yes or No), naming the `nPictures` of the run. Whether the mail may go
// ahead; true without asking for fewer.
bool MayMailFolderPictures(const FolderPictures& found, std::size_t nPictures);

// `text` with each "%F" replaced by the names (the last part of each path) of `attachments`,
// joined with ", ".
std::string WithAttachmentNames(const std::string& text,
                                const std::vector<std::string>& attachments);

class QWidget;

// "Mail To ...": hands the pictures of m_listFiles to the mail program as MailPictures does, but
// returns at once: the mail program is waited for on a thread of its own, so the window stays
// usable and can be closed at any time. When the mail program ends, what MailPictures would say
// of its result is said on the user-interface thread, while `window` lives; nobody waits for the
// mail program when the program ends. The mail program's copies stay in the spool. `done` is
// then called there too, with whether the mail program took the message (at once, with false,
// when the mail program cannot be loaded).
//
// Called on the user-interface thread by the main window's "Mail To ..." command.
void MailPicturesInBackground(QWidget* window, std::function<void(bool handed)> done);

// Deletes the outputs of a "Resize and mail" run (m_listMailFiles) together with the run's
// private folder, and empties the list: after the mail, or when there will be none (the run
// was cancelled or stopped). The pictures the user chose are never among them.
// Called on the user-interface thread by MailPictures and CDlgProcess.
void DiscardMailFiles();
