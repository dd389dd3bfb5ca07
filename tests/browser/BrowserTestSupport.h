#pragma once
// What the browser's view tests share: a home with a desktop and Documents made for the test
// program before any test reads the namespace, a preview pane that records what the file list
// asks of it, and clicks and keys sent the way a person's arrive (through the window).
#include "app/preview/ScrollPictureView.h"
#include "platform/shell/ShellMalloc.h"

#include <QPoint>

#include <string>
#include <vector>

class CFileListView;
class QWidget;

namespace browsertest {

// The test program's home folder: Desktop (with "Desk folder", a hidden ".dot" folder and a
// picture) and Documents (with "Letters/2024"), also set as HOME, XDG_DESKTOP_DIR and
// XDG_DOCUMENTS_DIR.
const std::string& Home();

// The process namespace's list of a path or "::" name; null when it does not parse.
plat::PidlPtr Parse(const std::string& name);

// Stands in for the preview pane in the tests: it records each call, "path:<path>", "show",
// "clear", and paints nothing.
class CRecordingPictureView : public CScrollPictureView {
  public:
    using CScrollPictureView::CScrollPictureView;
    void SetPicturePath(const std::string& path) override { calls.push_back("path:" + path); }
    bool ShowPicture() override {
        calls.push_back("show");
        return true;
    }
    void ClearPicture() override { calls.push_back("clear"); }

    std::vector<std::string> calls;
};

// The parsing name of the folder the list shows ("" for the desktop).
std::string Shows(const CFileListView& list);

// A left click (or double-click) at a point of a widget, sent to its window.
void Click(QWidget* widget, QPoint at);
void DoubleClick(QWidget* widget, QPoint at);

} // namespace browsertest
