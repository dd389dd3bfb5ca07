#pragma once
// The texts of the status bar's message pane that say what the browser did: how many pictures
// are marked, and what the last command on marked pictures came to. Folders are shown with the
// home folder as "~".
//
// Called by the main window and the file list's commands on the user-interface thread; plain
// functions, callable from tests without a window.
#include <cstddef>
#include <cstdint>
#include <string>

class CLocaleFormat;

// "3 pictures marked (4.2 MB)", "1 picture marked (0.1 MB)", "No pictures marked". The size
// has one decimal below 10 MB (any size above nothing is at least 0.1 MB) and none above, with
// the locale's separators.
std::string MarkedText(std::size_t count, std::uint64_t bytes, const CLocaleFormat& locale);

// "12 pictures resized into ~/Pictures/resize"; over their originals: "12 pictures resized in
// place"; for a mail: "2 pictures resized and handed to the mail program".
std::string ResizedText(std::size_t written, const std::string& folder, bool overwritten,
                        bool mailed);

// "3 pictures copied to ~/Backup", "2 pictures moved to ~/Backup".
std::string CopiedText(std::size_t count, const std::string& folder, bool moved);

// "Mail handed to the mail program", or "No mail was sent".
std::string MailedText(bool handed);

// `path` without "." parts or a trailing "/", with the home folder shown as "~".
std::string ShortFolder(const std::string& path);
