#pragma once
// What the browser's tests share: a home with a desktop and Documents made for the test
// program before any test reads the namespace, and the browser as the program starts it,
// driven through its window as a person would (clicks on rows, headers, menus and buttons,
// keys), with a view that records what the file list asks of the preview.
#include "app/application/MainFrame.h"
#include "app/application/VantrelApp.h"
#include "app/browser/FileListView.h"
#include "app/preview/ScrollPictureView.h"
#include "platform/shell/ShellMalloc.h"

#include <gtest/gtest.h>

#include <QTextBrowser>

#include <functional>
#include <memory>
#include <string>
#include <vector>

class CAddressComboBox;

namespace browsertest {

// The test program's home folder: Desktop (with a picture), Documents and Pictures, also set as
// HOME, XDG_DESKTOP_DIR and XDG_DOCUMENTS_DIR.
const std::string& Home();

// The process namespace's list of a path or "::" name; null when it does not parse.
plat::PidlPtr Parse(const std::string& name);

// The parsing name of the folder the list shows ("" for the desktop).
std::string Shows(const CFileListView& list);

// A left click (or double-click) at a point of a widget, sent to its window.
void Click(QWidget* widget, QPoint at, bool twice = false);

// The message boxes ("box <text>") and windows ("window <title>") that open while `act` runs,
// each closed at once.
std::string Opened(const std::function<void()>& act);

// Writes a grab of the window to build/artifacts/<name>, for a person to look at.
void SaveScreenshot(QWidget* window, const char* name);

// Stands in for the preview pane: it records each call, "path:<path>", "show", "clear", and
// paints nothing.
class CRecordingPictureView : public CScrollPictureView {
  public:
    using CScrollPictureView::CScrollPictureView;
    void SetPicturePath(const std::string& path) override { calls.push_back("path:" + path); }
    bool ShowPicture() override {
        calls.push_back("show");
        return true;
    }
    void ClearPicture() override { calls.push_back("clear"); }
    void ReadAhead(const std::string& path) override { calls.push_back("ahead:" + path); }

    std::vector<std::string> calls;
};

// The main window of the program's browser start. The links it opens (web, mail and files)
// arrive in m_links.
class BrowserTest : public testing::Test {
  protected:
    BrowserTest();
    ~BrowserTest() override;

    // Starts the program with these arguments (after closing the one started before), and
    // stands m_preview in for its preview pane once the window is up.
    void Start(const std::vector<std::string>& arguments = {});
    // The list on a location, as if the person went there.
    void Show(const std::string& location) { m_list->NavigateTo(Parse(location).get()); }

    // The names joined with spaces from row `first` on (of the checked rows only, when `marked`).
    std::string Rows(int first = 0, bool marked = false) const;
    std::string Marks() const { return Rows(0, true); }
    int RowOf(const std::string& name) const;
    std::string Current() const;
    QRect Cell(int row);

    void ClickRow(const std::string& name);
    void ClickCheckBox(const std::string& name);
    void Press(int key, Qt::KeyboardModifiers keys = {});
    // Opens the menu that holds the command by a click on its title and clicks the item;
    // returns the menu's title.
    std::string ByMenu(const char* command);
    // The toolbar button of a command; null when it has none.
    QWidget* Button(const char* command) const;
    // What the person sees change while `act` runs: what Opened() tells, the link opened (a
    // file's path, a link's query), or the folder (".." for the parent, else its name), the
    // marks, the rows or the selection.
    std::string Outcome(const std::function<void()>& act);

    std::unique_ptr<CVantrelApp> m_app;
    CMainFrame* m_frame = nullptr;
    CFileListView* m_list = nullptr;
    CAddressComboBox* m_box = nullptr;
    std::unique_ptr<CRecordingPictureView> m_preview;
    QTextBrowser m_opened;
    std::vector<QUrl> m_links;
};

} // namespace browsertest
