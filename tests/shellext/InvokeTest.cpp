// InvokeCommand: the block it writes in the user's real shared memory, the program it starts,
// and the selections and settings it refuses without touching the block.
#include "app/core/HandoffBlock.h"
#include "platform/com/HDropDataObject.h"
#include "platform/com/ShellExt.h"
#include "shellext/VtlExtIds.h"
#include "tests/shellext/ShellExtTestSupport.h"
#include "tests/support/Sandbox.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

using namespace plat;
using namespace shellexttest;

// A handler that has been given `files` and has built its menu, as before a command is chosen.
class ReadyHandler {
public:
    explicit ReadyHandler(const std::vector<std::string>& files) {
        IClassFactory* factory = nullptr;
        EXPECT_EQ(Module().GetClassObject(vtlext::CLSID_VtlShellEx, IID_IClassFactory, reinterpret_cast<void**>(&factory)),
                  S_OK);
        IShellExtInit* init = nullptr;
        EXPECT_EQ(factory->CreateInstance(nullptr, IID_IShellExtInit, reinterpret_cast<void**>(&init)), S_OK);
        factory->Release();
        CHDropDataObject* data = CHDropDataObject::Create(files);
        init->Initialize(nullptr, data, nullptr);
        data->Release();
        init->QueryInterface(IID_IContextMenu, reinterpret_cast<void**>(&m_menu));
        init->Release();
        HMENU menu = CreatePopupMenu();
        m_menu->QueryContextMenu(menu, 0, 1, 10, CMF_NORMAL);
        DestroyMenu(menu);
    }
    ~ReadyHandler() { m_menu->Release(); }
    HRESULT Invoke(const char* verb) {
        CMINVOKECOMMANDINFO info{};
        info.cbSize = sizeof info;
        info.lpVerb = verb;
        return m_menu->InvokeCommand(&info);
    }

private:
    IContextMenu* m_menu = nullptr;
};

class ShellExtInvoke : public testing::Test {
protected:
    void SetUp() override {
        m_dir = vtltest::MakeTempDir("invoke");
        m_vtl = MakeFakeApplication(m_dir);
        SetLocation(m_vtl);
        ClearMessages();
        FillBlock(0xAB);
    }
    std::string m_dir;
    std::string m_vtl;
};

TEST_F(ShellExtInvoke, ResizeAndMailWritesTheBlockAndStartsTheApplication) {
    ReadyHandler handler({"/p/a.jpg", "/p/b.txt", "/p/c.JPEG", "/p/d.gif"});
    ASSERT_EQ(handler.Invoke(MAKEINTRESOURCE(2)), S_OK);

    EXPECT_EQ(Block()[0], 0xFF);
    EXPECT_EQ(BlockWord(1), 4000u);
    EXPECT_EQ(BlockWord(5), 4u);
    EXPECT_EQ(BlockWord(9), 3u);
    EXPECT_EQ(BlockWord(13), 2u);
    EXPECT_EQ(BlockWord(17), 0u);
    EXPECT_EQ(BlockPath(0), "/p/a.jpg");
    EXPECT_EQ(BlockPath(1), "/p/c.JPEG");
    EXPECT_EQ(BlockPath(2), "/p/d.gif");
    EXPECT_EQ(Block()[281 + 10], 0xAB) << "the bytes behind a path's NUL are left as they were";
    EXPECT_EQ(Block()[21 + 3 * 260], 0xAB) << "nothing after the last entry";
    EXPECT_EQ(WaitForStart(m_vtl), "0\n") << "started by its path, with no arguments";
    EXPECT_TRUE(Messages().empty());

    std::vector<std::string> read;
    const HandoffHeader header = ReadHandoffBlock(Block(), read);
    EXPECT_EQ(header.nCommand, HANDOFF_RESIZE_DEFAULT_MAIL);
    EXPECT_EQ(read, (std::vector<std::string>{"/p/a.jpg", "/p/c.JPEG", "/p/d.gif"})) << "the application's reader agrees";
}

TEST_F(ShellExtInvoke, OffsetsOneAndTwoAreTheirCommandsEveryOtherIsTheDialog) {
    const struct {
        UINT offset;
        std::uint32_t command;
    } cases[] = {{0, 0}, {1, 1}, {2, 2}, {3, 0}, {0xFFFF, 0}};
    for (const auto& c : cases) {
        FillBlock(0xAB);
        ReadyHandler handler({"/p/a.bmp"});
        ASSERT_EQ(handler.Invoke(MAKEINTRESOURCE(c.offset)), S_OK);
        EXPECT_EQ(BlockWord(13), c.command) << c.offset;
        EXPECT_EQ(BlockWord(9), 1u);
    }
}

TEST_F(ShellExtInvoke, RefusalsLeaveTheBlockUntouchedAndStartNothing) {
    const std::string longName = "/p/" + std::string(HANDOFF_PATH_SIZE - 7, 'x') + ".jpg"; // 260 bytes
    std::vector<std::string> tooMany;
    for (int i = 0; i < 252; ++i)
        tooMany.push_back("/p/" + std::to_string(i) + ".jpg");
    const std::string deleted = m_dir + "/deleted-vtl";

    const struct {
        const char* what;
        std::vector<std::string> files;
        std::string location; // "" removes the value
        const char* verb;
        HRESULT result;
        std::string message; // expected start of the message, "" for none
    } cases[] = {
        {"verb string", {"/p/a.jpg"}, m_vtl, "open", E_INVALIDARG, ""},
        {"location deleted", {"/p/a.jpg"}, deleted, MAKEINTRESOURCE(2), E_INVALIDARG,
         "Could not find vtl.exe. Please run vtl.exe to locate the location and try again!"},
        {"location missing", {"/p/a.jpg"}, "", MAKEINTRESOURCE(0), E_INVALIDARG, "Could not find vtl.exe."},
        {"path does not fit", {"/p/a.jpg", longName}, m_vtl, MAKEINTRESOURCE(1), E_INVALIDARG,
         "The path of this picture is too long"},
        {"252 pictures", tooMany, m_vtl, MAKEINTRESOURCE(1), E_INVALIDARG, "Vantrel can take at most 251 pictures"},
    };
    for (const auto& c : cases) {
        FillBlock(0xAB);
        ClearMessages();
        if (c.location.empty())
            RemoveLocation();
        else
            SetLocation(c.location);
        ReadyHandler handler(c.files);
        EXPECT_EQ(handler.Invoke(c.verb), c.result) << c.what;
        EXPECT_TRUE(BlockHoldsOnly(0xAB)) << c.what;
        if (c.message.empty()) {
            EXPECT_TRUE(Messages().empty()) << c.what;
        } else {
            ASSERT_EQ(Messages().size(), 1u) << c.what;
            EXPECT_EQ(Messages()[0].rfind(c.message, 0), 0u) << c.what << ": " << Messages()[0];
        }
    }
    EXPECT_TRUE(NeverStarted(m_vtl));
}

TEST_F(ShellExtInvoke, TheLongestPathThatFitsAndTheMostPicturesThatFitAreHandedOver) {
    const std::string longest = "/p/" + std::string(HANDOFF_PATH_SIZE - 1 - 7, 'y') + ".jpg"; // 259 bytes
    ASSERT_EQ(longest.size(), 259u);
    std::vector<std::string> most;
    for (int i = 0; i < 250; ++i)
        most.push_back("/p/" + std::to_string(i) + ".gif");
    most.push_back(longest);
    ReadyHandler handler(most);
    ASSERT_EQ(handler.Invoke(MAKEINTRESOURCE(1)), S_OK);
    EXPECT_EQ(BlockWord(9), 251u);
    EXPECT_EQ(BlockPath(250), longest);
    EXPECT_EQ(Block()[21 + 251 * 260], 0xAB) << "nothing written past the last entry";
    EXPECT_FALSE(WaitForStart(m_vtl).empty());
}

} // namespace
