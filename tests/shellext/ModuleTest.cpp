// The module as a file manager drives it: its class factory, lock count and aggregation, that the
// barrier its entry points and methods share lets no exception out; and its context-menu handler:
// which selections get the "Vantrel" submenu, its help texts within the host's buffer, and what a
// failed Initialize leaves. Registration, and what a command hands over, starts and refuses, are
// tested through vtlmenu.
#include "platform/com/HDropDataObject.h"
#include "shellext/VtlExtIds.h"
#include "tests/shellext/ShellExtTestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <dlfcn.h>
#include <new>
#include <stdexcept>

namespace {
// While set, every allocation fails, as when memory runs out. The module binds to this
// program's operator new, as it binds to a file manager's.
std::atomic<bool> g_outOfMemory{false};
} // namespace

void* operator new(std::size_t size) {
    static const auto allocate =
        reinterpret_cast<void* (*)(std::size_t)>(dlsym(RTLD_NEXT, "_Znwm"));
    if (g_outOfMemory)
        throw std::bad_alloc();
    return allocate(size);
}

namespace {

using namespace plat;
using namespace shellexttest;

// The controlling object of an aggregate: counts the references its inner object passes on.
struct Outer final : IUnknown {
    HRESULT QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG AddRef() override { return ++refs; }
    ULONG Release() override { return --refs; }
    ULONG refs = 1;
};

TEST(ShellExtModule, TheModuleStaysWhileItsFactoryOrAHandlerIsHeldAndAggregatesThroughIUnknown) {
    ASSERT_EQ(Module().CanUnloadNow(), S_OK);
    IClassFactory* factory = nullptr;
    ASSERT_EQ(Module().GetClassObject(vtlext::CLSID_VtlShellEx, IID_IClassFactory,
                                      reinterpret_cast<void**>(&factory)),
              S_OK);
    EXPECT_EQ(Module().CanUnloadNow(), S_FALSE) << "a caller holds the factory";
    Outer outer;
    void* out = nullptr;
    EXPECT_EQ(factory->CreateInstance(&outer, IID_IContextMenu, &out), CLASS_E_NOAGGREGATION);
    ASSERT_EQ(factory->CreateInstance(&outer, IID_IUnknown, &out), S_OK);
    factory->Release();
    auto *inner = static_cast<IUnknown*>(out), *face = inner;
    ASSERT_EQ(inner->QueryInterface(IID_IContextMenu, reinterpret_cast<void**>(&face)), S_OK);
    EXPECT_EQ(outer.refs, 2u) << "a face of the aggregate counts on the outer object";
    face->Release();
    EXPECT_EQ(inner->Release(), 0u);
    {
        const Handler handler;
        EXPECT_EQ(Module().CanUnloadNow(), S_FALSE) << "a handler lives";
    }
    EXPECT_EQ(Module().CanUnloadNow(), S_OK) << "nothing is held any more";
}

// A selection that offers no CF_HDROP list, as a virtual folder's would, or whose host object
// throws, as a host written in C++ might.
struct OddDataObject final : IDataObject {
    explicit OddDataObject(bool throws) : throws(throws) {}
    HRESULT QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG AddRef() override { return ++refs; }
    ULONG Release() override { return --refs; }
    HRESULT GetData(const FORMATETC*, STGMEDIUM*) override {
        return throws ? throw std::runtime_error("host failure") : DV_E_FORMATETC;
    }
    HRESULT QueryGetData(const FORMATETC*) override { return throws ? S_OK : DV_E_FORMATETC; }
    const bool throws;
    ULONG refs = 1;
};

// Every entry point and method runs its work through the one exception barrier: out of memory
// while the menu is made, and a host object that throws, stand for them all.
TEST(ShellExtModule, NoExceptionLeavesAnEntryPointOrAMethod) {
    OddDataObject throwing(true); // outlives the handler that holds it
    Handler handler({"/p/a.jpg"});
    HMENU menu = CreatePopupMenu();
    g_outOfMemory = true;
    const HRESULT hr = handler.menu->QueryContextMenu(menu, 0, 1, 10, CMF_NORMAL);
    g_outOfMemory = false;
    EXPECT_EQ(std::pair(hr, GetMenuItemCount(menu)), std::pair(E_OUTOFMEMORY, 0))
        << "a menu that could not be made is not added";
    EXPECT_EQ(handler.init->Initialize(nullptr, &throwing, nullptr), E_UNEXPECTED);
    DestroyMenu(menu);
}

TEST(ShellExtHandler, PicturesGetTheMenuByTheNamesLastDotInAnyCase) {
    // Whether the submenu is offered (one item, three ids used), and the names that give it;
    // a folder gets it too.
    const std::pair<bool, Files> cases[] = {
        {true,
         {"/p/PHOTO.JPG", "/p/a.Jpeg", "/p/b.BMP", "/p/c.gif", "/p/my.pictures/a.jpg", "/p/d.png",
          "/p/e.HEIC", "/p/f.tif", "/p/g.webp", "/p/h.avif", "/p/i.jxl", "/", "/tmp/"}},
        {false, {"/p/e.jpg.zip", "/p/nodot", "/p/trailing.", "/p/x.jpgg", "/p/.jpg/x"}},
    };
    for (const auto& [shown, names] : cases)
        for (const std::string& path : names)
            EXPECT_EQ(Handler({path}).Offered(),
                      std::pair(shown ? 1 : 0, shown ? HRESULT(3) : S_OK))
                << path;
}

TEST(ShellExtHandler, GetCommandStringCutsToCchMaxAndWritesNothingForValidation) {
    Handler handler({"/p/a.jpg"});
    const auto text = [&](std::uintptr_t id, UINT type = GCS_HELPTEXTA, UINT cch = 256) {
        char buffer[256] = "#";
        EXPECT_EQ(handler.menu->GetCommandString(id, type, nullptr, buffer, cch), S_OK);
        return std::string(buffer);
    };
    const std::string help = text(1);
    const std::tuple<UINT, UINT, std::uintptr_t, std::string> cases[] = {
        {GCS_HELPTEXTA, 10, 1, help.substr(0, 9)},
        {GCS_HELPTEXTA, 0, 1, "#"},
        {GCS_VALIDATEA, 256, 1, "#"},
        {GCS_HELPTEXTA, 256, 3, "#"},
    };
    for (const auto& [type, cch, id, expected] : cases)
        EXPECT_EQ(text(id, type, cch), expected) << "kind " << type << " cch " << cch;
    char16_t wide[8];
    std::fill(std::begin(wide), std::end(wide), u'#');
    handler.menu->GetCommandString(1, GCS_HELPTEXTW, nullptr, reinterpret_cast<char*>(wide), 5);
    EXPECT_EQ(std::u16string(wide, 6),
              std::u16string(help.begin(), help.begin() + 4) + u'\0' + u'#');
}

using ShellExtInvoke = WithFakeApplication;

TEST_F(ShellExtInvoke, AFailedInitializeLeavesNothingOfTheLastSelectionToOfferOrRun) {
    Handler handler({"/p/a.jpg"});
    ASSERT_EQ(handler.Offered().first, 1);
    OddDataObject noFiles(false);
    EXPECT_EQ(handler.init->Initialize(nullptr, &noFiles, nullptr), E_INVALIDARG);
    EXPECT_EQ(noFiles.refs, 2u) << "the data object is held until the next Initialize";
    EXPECT_EQ(handler.Offered(), std::make_pair(0, S_OK));
    EXPECT_EQ(handler.Invoke(MAKEINTRESOURCE(1)), E_INVALIDARG)
        << "a host that ignored the failure runs nothing";
    EXPECT_EQ(Handler({"/p/a.jpg"}).Invoke("open"), E_INVALIDARG) << "a verb by name is not ours";
    EXPECT_EQ(std::pair(QueueUntouched(), NeverStarted()), std::pair(true, true));
    EXPECT_EQ(handler.init->Initialize(nullptr, nullptr, nullptr), E_INVALIDARG);
    EXPECT_EQ(handler.Initialize({"/p/notes.txt"}), S_OK);
    EXPECT_EQ(noFiles.refs, 1u) << "the earlier data object is released";
    EXPECT_EQ(handler.Offered().first, 0) << "each call builds the list anew";
}

} // namespace
