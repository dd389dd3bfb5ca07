#pragma once
// MailPictures: hands the pictures of the current command to the user's mail program as the
// attachments of a new message, with the mail subject and body of the settings, and lets the
// mail program show its compose window; the user adds the recipients there.
//
// It attaches m_listMailFiles of the settings when that list is not empty (the outputs of a
// "Resize and mail" run, in the run's private folder inside the temporary folder), else
// m_listFiles (the originals, for "Mail To ..."). After every attempt that reached the mail
// program, the files of m_listMailFiles are deleted, their folder too when it is left empty,
// and the list is emptied; m_listFiles is never changed. When the mail program cannot be found
// or is not usable, the framework's standard message says so and nothing is touched.
//
// Called on the user-interface thread by the resize options dialog's "Resize and mail" (after
// the progress dialog ended with IDOK), by the shell launch that resizes and mails, and by the
// main window's "Mail To ..." command, each after filling the lists. It blocks until the mail
// program returns.
void MailPictures();
