#include "platform/ui/DisplayServer.h"

#include <QGuiApplication>
#include <QRect>
#include <QScreen>

#include <wayland-client.h>
#include <xcb/randr.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace plat {
namespace {

// The RandR monitor that holds the screen's top-left corner in device pixels, the primary one
// when none does (a monitor's position is not scaled the way Qt scales a screen's).
std::optional<OutputMode> X11Monitor(const QScreen& screen) {
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t* connection = x11 ? x11->connection() : nullptr;
    if (!connection)
        return std::nullopt;
    const xcb_screen_t* root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    if (!root)
        return std::nullopt;
    std::unique_ptr<xcb_randr_get_monitors_reply_t, decltype(&std::free)> reply(
        xcb_randr_get_monitors_reply(connection, xcb_randr_get_monitors(connection, root->root, 1),
                                     nullptr),
        &std::free);
    if (!reply)
        return std::nullopt;
    const QPoint corner =
        (QPointF(screen.geometry().topLeft()) * screen.devicePixelRatio()).toPoint();
    std::optional<OutputMode> primary, first, holding;
    for (auto it = xcb_randr_get_monitors_monitors_iterator(reply.get()); it.rem;
         xcb_randr_monitor_info_next(&it)) {
        const OutputMode mode{it.data->width, it.data->height};
        if (!first)
            first = mode;
        if (it.data->primary)
            primary = mode;
        if (std::abs(it.data->x - corner.x()) <= 1 && std::abs(it.data->y - corner.y()) <= 1)
            holding = mode;
    }
    // With one monitor its size is the answer; with several, the one at the screen's place.
    if (holding)
        return holding;
    return primary ? primary : first;
}

// The outputs a Wayland compositor announces, each with its place in the compositor's layout
// and its current mode.
struct WaylandOutput {
    int x = 0, y = 0;
    int width = 0, height = 0;
    bool turned = false;
};

void OnGeometry(void* data, wl_output*, int32_t x, int32_t y, int32_t, int32_t, int32_t,
                const char*, const char*, int32_t transform) {
    auto* output = static_cast<WaylandOutput*>(data);
    output->x = x;
    output->y = y;
    output->turned = transform == WL_OUTPUT_TRANSFORM_90 || transform == WL_OUTPUT_TRANSFORM_270 ||
                     transform == WL_OUTPUT_TRANSFORM_FLIPPED_90 ||
                     transform == WL_OUTPUT_TRANSFORM_FLIPPED_270;
}

void OnMode(void* data, wl_output*, uint32_t flags, int32_t width, int32_t height, int32_t) {
    if (!(flags & WL_OUTPUT_MODE_CURRENT))
        return;
    auto* output = static_cast<WaylandOutput*>(data);
    output->width = width;
    output->height = height;
}

void OnDone(void*, wl_output*) {}
void OnScale(void*, wl_output*, int32_t) {}

const wl_output_listener kOutputListener = {OnGeometry, OnMode, OnDone, OnScale, nullptr, nullptr};

struct WaylandOutputs {
    std::vector<std::unique_ptr<WaylandOutput>> outputs;
    std::vector<wl_output*> proxies;
};

void OnGlobal(void* data, wl_registry* registry, uint32_t name, const char* interface,
              uint32_t version) {
    if (std::strcmp(interface, wl_output_interface.name) != 0 || version < 2)
        return;
    auto* found = static_cast<WaylandOutputs*>(data);
    auto* proxy =
        static_cast<wl_output*>(wl_registry_bind(registry, name, &wl_output_interface, 2));
    found->outputs.push_back(std::make_unique<WaylandOutput>());
    found->proxies.push_back(proxy);
    wl_output_add_listener(proxy, &kOutputListener, found->outputs.back().get());
}

void OnGlobalRemove(void*, wl_registry*, uint32_t) {}

const wl_registry_listener kRegistryListener = {OnGlobal, OnGlobalRemove};

std::optional<OutputMode> WaylandMode(const QScreen& screen) {
    wl_display* display = wl_display_connect(nullptr);
    if (!display)
        return std::nullopt;
    WaylandOutputs found;
    wl_registry* registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &kRegistryListener, &found);
    // The first round trip announces the outputs, the second brings their modes.
    const bool answered = wl_display_roundtrip(display) >= 0 && wl_display_roundtrip(display) >= 0;
    std::optional<OutputMode> mode;
    const QPoint place = screen.geometry().topLeft();
    for (const auto& output : found.outputs) {
        if (output->width <= 0 || output->height <= 0)
            continue;
        // The layout's places are logical, as Qt's are; a lone output needs no matching.
        if (found.outputs.size() == 1 || (output->x == place.x() && output->y == place.y()))
            mode = OutputMode{output->width, output->height, output->turned};
    }
    for (wl_output* proxy : found.proxies)
        wl_output_destroy(proxy);
    wl_registry_destroy(registry);
    wl_display_disconnect(display);
    return answered ? mode : std::nullopt;
}

} // namespace

std::optional<OutputMode> PrimaryOutputMode(const QScreen& screen) {
    struct Asked {
        QString name;
        QRect geometry;
        qreal ratio = 0;
        std::optional<OutputMode> mode;
    };
    static std::optional<Asked> last;
    if (last && last->name == screen.name() && last->geometry == screen.geometry() &&
        last->ratio == screen.devicePixelRatio())
        return last->mode;
    const QString platform = QGuiApplication::platformName();
    std::optional<OutputMode> mode;
    if (platform == QLatin1String("xcb"))
        mode = X11Monitor(screen);
    else if (platform.startsWith(QLatin1String("wayland")))
        mode = WaylandMode(screen);
    last = Asked{screen.name(), screen.geometry(), screen.devicePixelRatio(), mode};
    return mode;
}

} // namespace plat
