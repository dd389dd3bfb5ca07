#pragma once
// `vtl resize`: the resize job for scripts and machines without a display. It reads the command
// line (ResizeOptions.h), turns the arguments into the run's files, and runs the same resize job
// as the dialogs, carried by a sink that prints instead of showing: one line per picture written
// ("SOURCE -> OUTPUT WxH BYTES") on standard output, or a progress line on a terminal; each
// failure with its reason and each skipped picture on standard error. An existing output is
// replaced only with --force or --overwrite. A stop signal (Ctrl+C, a kill, a logout) stops the
// run before its next picture, discards the one being written, and then ends the process by that
// signal. --dry-run reads only the pictures' headers and prints what would be written.
//
// It starts no Qt application, opens no window and writes no settings.
//
// Returns the exit status: 0 every picture written (or skipped), 1 some failed, 2 a usage
// error. Called by main() on the main thread, before anything else of the program starts.
#include <string>
#include <vector>

int RunResizeCommand(const std::vector<std::string>& args);
