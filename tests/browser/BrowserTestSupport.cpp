#include "tests/browser/BrowserTestSupport.h"

#include "platform/shell/PidlHelper.h"
#include "tests/support/Sandbox.h"
#include "tests/ui/ModalDriver.h"

#include <QDesktopServices>
#include <QDir>
#include <QMenuBar>
#include <QMessageBox>
#include <QStyleOptionViewItem>
#include <QTest>
#include <QToolBar>
#include <QWindow>

#include <cstdlib>
#include <filesystem>

namespace browsertest {

namespace {

std::string g_home;

class HomeEnvironment : public testing::Environment {
  public:
    void SetUp() override {
        g_home = vtltest::Sandbox::Root() + "/home";
        for (const char* dir : {"/Desktop", "/Documents", "/Pictures"})
            std::filesystem::create_directories(g_home + dir);
        vtltest::WriteFile(g_home + "/Desktop/card.jpg", "");
        setenv("HOME", g_home.c_str(), 1);
        setenv("XDG_DESKTOP_DIR", (g_home + "/Desktop").c_str(), 1);
        setenv("XDG_DOCUMENTS_DIR", (g_home + "/Documents").c_str(), 1);
    }
};

[[maybe_unused]] testing::Environment* const g_environment =
    testing::AddGlobalTestEnvironment(new HomeEnvironment);

const char* const kLinkSchemes[] = {"file", "https", "mailto"};

} // namespace

const std::string& Home() {
    return g_home;
}

plat::PidlPtr Parse(const std::string& name) {
    plat::PidlPtr pidl;
    plat::CPidlHelper().ParsePath(name, pidl);
    return pidl;
}

std::string Shows(const CFileListView& list) {
    std::string name;
    list.m_shell.GetName(list.m_pidlFolder.get(), name, nullptr, plat::SHGDN_FORPARSING);
    return name;
}

void SaveScreenshot(QWidget* window, const char* name) {
    const QString folder = QStringLiteral(VTL_BIN_DIR "/../artifacts/");
    QDir().mkpath(folder);
    EXPECT_TRUE(window->grab().save(folder + name)) << name;
}

void Click(QWidget* widget, QPoint at, bool twice) {
    QWindow* window = widget->window()->windowHandle();
    at = widget->mapTo(widget->window(), at);
    if (twice)
        QTest::mouseDClick(window, Qt::LeftButton, {}, at);
    else
        QTest::mouseClick(window, Qt::LeftButton, {}, at);
}

BrowserTest::BrowserTest() {
    for (const char* scheme : kLinkSchemes)
        QDesktopServices::setUrlHandler(scheme, &m_opened, "setSource");
    QObject::connect(&m_opened, &QTextBrowser::sourceChanged,
                     [this](const QUrl& link) { m_links.push_back(link); });
}

BrowserTest::~BrowserTest() {
    for (const char* scheme : kLinkSchemes)
        QDesktopServices::unsetUrlHandler(scheme);
    if (m_app)
        m_app->ExitInstance();
}

void BrowserTest::Start(const std::vector<std::string>& arguments) {
    if (m_app)
        m_app->ExitInstance();
    m_app = std::make_unique<CVantrelApp>(arguments);
    ASSERT_TRUE(m_app->InitInstance());
    m_frame = m_app->GetMainWnd();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(m_frame));
    m_frame->activateWindow();
    m_list = m_frame->GetFileList();
    m_box = m_frame->m_wndAddress;
    m_preview = std::make_unique<CRecordingPictureView>(m_frame->GetActiveDocument());
    m_frame->GetActiveDocument()->m_pPictureView = m_preview.get();
    m_list->setFocus();
}

std::string BrowserTest::Rows(int first, bool marked) const {
    std::string joined;
    for (int row = first; row < m_list->model()->rowCount(); ++row) {
        const QModelIndex cell = m_list->model()->index(row, 0);
        if (!marked || cell.data(Qt::CheckStateRole) == Qt::Checked)
            joined += (joined.empty() ? "" : " ") + cell.data().toString().toStdString();
    }
    return joined;
}

int BrowserTest::RowOf(const std::string& name) const {
    int row = 0;
    while (row < m_list->model()->rowCount() &&
           m_list->model()->index(row, 0).data() != name.c_str())
        ++row;
    return row;
}

std::string BrowserTest::Current() const {
    return m_list->currentIndex().data().toString().toStdString();
}

QRect BrowserTest::Cell(int row) {
    m_list->scrollTo(m_list->model()->index(row, 0));
    return m_list->visualRect(m_list->model()->index(row, 0));
}

void BrowserTest::ClickRow(const std::string& name) {
    QTest::mouseClick(m_frame->windowHandle(), Qt::LeftButton, {},
                      m_list->viewport()->mapTo(m_frame, Cell(RowOf(name)).center()));
}

void BrowserTest::ClickCheckBox(const std::string& name) {
    QStyleOptionViewItem option;
    option.initFrom(m_list);
    option.rect = Cell(RowOf(name));
    option.features = QStyleOptionViewItem::HasCheckIndicator | QStyleOptionViewItem::HasDisplay |
                      QStyleOptionViewItem::HasDecoration;
    option.decorationSize = m_list->iconSize();
    Click(m_list->viewport(),
          m_list->style()
              ->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, m_list)
              .center());
}

void BrowserTest::Press(int key, Qt::KeyboardModifiers keys) {
    QTest::keyClick(m_frame->windowHandle(), Qt::Key(key), keys);
}

std::string BrowserTest::ByMenu(const char* command) {
    QAction* item = m_frame->findChild<QAction*>(command);
    QMenuBar* bar = m_frame->menuBar();
    for (QAction* title : bar->actions()) {
        QMenu* menu = title->menu();
        if (!item || !menu->actions().contains(item))
            continue;
        Click(bar, bar->actionGeometry(title).center());
        EXPECT_TRUE(QTest::qWaitFor([menu] { return menu->isVisible(); }));
        QTest::mouseClick(menu->windowHandle(), Qt::LeftButton, {},
                          menu->actionGeometry(item).center());
        return title->text().toStdString();
    }
    ADD_FAILURE() << "no menu holds " << command;
    return "";
}

QWidget* BrowserTest::Button(const char* command) const {
    auto* action = m_frame->findChild<QAction*>(command);
    QWidget* button = m_frame->m_wndToolBar->widgetForAction(action);
    return button ? button : m_frame->m_wndNavBar->widgetForAction(action);
}

std::string Opened(const std::function<void()>& act) {
    std::string seen;
    const auto watch = vtltest::OnEveryModal([&](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        seen += box ? "box " + box->text().toStdString()
                    : "window " + modal->windowTitle().toStdString();
        modal->close();
    });
    act();
    QTest::qWait(20);
    return seen;
}

std::string BrowserTest::Outcome(const std::function<void()>& act) {
    const std::string folder = Shows(*m_list), marks = Marks();
    const int rows = m_list->model()->rowCount();
    const std::size_t links = m_links.size();
    if (const std::string seen = Opened(act); !seen.empty())
        return seen;
    if (m_links.size() != links) {
        // A file by the exact bytes of its path (and its fragment), any other link as a whole.
        const QUrl& link = m_links.back();
        if (!link.isLocalFile())
            return "open " + link.toString(QUrl::FullyDecoded).toStdString();
        const std::string path =
            QByteArray::fromPercentEncoding(link.path(QUrl::FullyEncoded).toLatin1()).toStdString();
        return "open " + path + (link.hasFragment() ? "#" + link.fragment().toStdString() : "");
    }
    if (const std::string now = Shows(*m_list); now != folder)
        return "folder " + (now == std::filesystem::path(folder).parent_path().string()
                                ? ".."
                                : std::filesystem::path(now).filename().string());
    if (Marks() != marks)
        return "marks " + Marks();
    if (m_list->model()->rowCount() != rows)
        return "rows " + std::to_string(m_list->model()->rowCount() - rows);
    const auto selected = m_list->selectionModel()->selectedRows().size();
    return selected == rows ? "selected all" : "selected " + std::to_string(selected);
}

} // namespace browsertest
