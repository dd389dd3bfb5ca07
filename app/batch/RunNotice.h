#pragma once
// The word on the desktop when a resize run ends: after a run that took more than ten seconds
// (the person has likely turned to something else) or in which a picture failed, a desktop
// notice says how many pictures were resized and into which folder, or what failed, with an
// action "Open folder" that opens the folder of the first picture written. A quick run in which
// every picture went through says nothing: the progress dialog just closes, as it always did.
// Where the desktop has no notification service, nothing is shown.
//
// Called on the user-interface thread when the progress dialog of a resize job ends.
#include "app/batch/PassSink.h"
#include "platform/desktop/DesktopNotification.h"

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

struct RunEnd {
    std::chrono::milliseconds took{0};
    std::size_t nWritten = 0;
    std::vector<std::string> failures;
    // The folders the pictures were written into, each once, in file order; empty for a run
    // whose outputs went to the mail.
    std::vector<std::string> folders;
};

// The folders the run wrote its outputs into, each once, in file order; none when they went to
// the run's private mail folder, which is gone once mailed.
std::vector<std::string> OutputFolders(const std::vector<ResizeOutput>& outputs, bool bToMail);

// What the notice says, or nothing for a quick run without failures.
std::optional<plat::Notice> MakeRunNotice(const RunEnd& end);

// Shows the notice of `end`, when there is one.
void NotifyRunEnded(const RunEnd& end);

// For a program without a window (the file-manager commands): waits until the notices shown
// are closed or acted upon, so that "Open folder" still works, but no longer than 30 seconds.
void WaitForRunNotices();
